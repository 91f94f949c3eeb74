// Preview images stored through MakerNote tags.

#include "codec/cExifCodec.h"

namespace pellvane {

// MakerNote previews are not located yet. Everything they need is in the tag store once
// the walk is done: the MakerNote's entries (directory 5, sub-directory entries carrying
// their parent tag), MakerNotePointer and MakerNotePointerRef. Their checks clear
// MakerNoteIsOriginal for damaged previews, before CheckMakerNoteAfterWalk runs.
void cExifCodec::ReadMakerNotePreviews(const cByteReader& /*file*/) {}

} // namespace pellvane

#include "codec/extensions/MakerNote.h"

namespace pellvane {

// The maker-specific layouts are not recognised yet: every MakerNote is kept as an opaque
// value, its directory is not walked, and the maker stays the one the Make names.
MakerNoteIdentity IdentifyMakerNote(const MakerNoteContext& context, int64_t /*offset*/, int64_t /*length*/) {
    MakerNoteIdentity identity;
    identity.manufacturer = context.manufacturer;
    identity.pointerRef = context.tiffBase;
    identity.littleEndian = !context.mainBigEndian;
    return identity;
}

} // namespace pellvane

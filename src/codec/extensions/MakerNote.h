#pragma once
// Identification of the camera maker's MakerNote: which maker wrote it, where its own
// directory starts, its byte order and the base its offsets count from; and the rules
// that find the sub-directories inside a MakerNote directory.

#include "base/ByteReader.h"
#include "base/Finding.h"
#include "codec/ExifValue.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace pellvane {

struct MakerNoteContext {
    const cByteReader& file;
    int64_t tiffBase; // absolute position of the TIFF header
    int32_t fileType;
    int32_t manufacturer; // from the IFD0 Make
    bool processMakerNote;
    bool mainBigEndian;
    std::string_view model; // the IFD0 Model text, read before the Exif IFD
};

struct MakerNoteIdentity {
    int16_t ifdType = 0;      // layout variant; 0 when not recognised
    int64_t ifdOffset = 0;    // start of the MakerNote directory relative to the TIFF header; 0: none
    int32_t manufacturer = 0; // the maker after reconciling header and Make
    int64_t pointerRef = 0;   // absolute position offsets inside the MakerNote count from
    bool littleEndian = true;
    Findings findings; // the rules that decided MakerNoteIsOriginal, in the order they ran

    bool IsOriginal() const;
};

// Examines the MakerNote at `offset` (relative to the TIFF header) of `length` bytes.
// Every read stays inside both the MakerNote and the file; a test that would need bytes
// outside them does not match.
MakerNoteIdentity IdentifyMakerNote(const MakerNoteContext& context, int64_t offset, int64_t length);

// The maker whose signature the first five bytes of a MakerNote carry; 0 when none.
int32_t MakerNoteHeaderVendor(std::span<const uint8_t> note);

// A MakerNote sub-directory named by an entry of the MakerNote directory.
struct MakerNoteSubIfdRecord {
    uint16_t tag = 0;
    int64_t offset = 0;      // relative to MakerNotePointerRef
    bool marksType4 = false; // the entry's form says the MakerNote is of layout variant 4
};

// The sub-directory an entry of the MakerNote directory points to, for the makers whose
// MakerNotes have them; nothing for other entries.
std::optional<MakerNoteSubIfdRecord> MakerNoteSubIfdOf(int32_t manufacturer, uint16_t tag, int32_t format,
                                                       int32_t valueOffset, const ExifValue& value);

// Whether the value of tag 0x0003 (UNDEFINED) of an Apple MakerNote, read against the
// MakerNote's base, begins with the bytes 4, 5, 6, 7, 8 as the camera leaves them.
bool AppleTag3IsIntact(const ExifValue& value);

} // namespace pellvane

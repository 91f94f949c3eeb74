#pragma once
// Identification of the camera maker's MakerNote: which maker wrote it, where its own
// directory starts, its byte order and the base its offsets count from.

#include "codec/ByteReader.h"

#include <cstdint>

namespace pellvane {

struct MakerNoteContext {
    const cByteReader& file;
    int64_t tiffBase;       // absolute position of the TIFF header
    int32_t fileType;
    int32_t manufacturer;   // from the IFD0 Make
    bool processMakerNote;
    bool mainBigEndian;
};

struct MakerNoteIdentity {
    int16_t ifdType = 0;      // layout variant; 0 when not recognised
    int64_t ifdOffset = 0;    // start of the MakerNote directory relative to the TIFF header; 0: none
    int32_t manufacturer = 0; // the maker after reconciling header and Make
    int64_t pointerRef = 0;   // absolute position offsets inside the MakerNote count from
    bool littleEndian = true;
    bool isOriginal = false;
};

// Examines the MakerNote at `offset` (relative to the TIFF header) of `length` bytes.
MakerNoteIdentity IdentifyMakerNote(const MakerNoteContext& context, int64_t offset, int64_t length);

} // namespace pellvane

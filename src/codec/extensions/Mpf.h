#pragma once
// Multi-Picture Format: the APP2 "MPF" segment that describes the further images a camera
// or phone stores after the primary JPEG image. The parse reads its directories, checks
// the index against the file's actual bytes and writes each further image that passes to
// a temporary JPEG file.

#include "base/ByteReader.h"
#include "base/Finding.h"
#include "codec/Budget.h"
#include "codec/ExifValue.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pellvane {

// One entry of an MP directory.
struct MpfEntry {
    int32_t ifd = 0; // 0 the MP Index IFD, 1 the next directory in the chain, …
    int32_t tag = 0;
    int32_t format = 0;
    int32_t components = 0;
    int32_t entryPosition = 0; // offset of the 12-byte entry within the segment data
    int32_t valueOffset = 0;   // the offset field when the value is longer than 4 bytes, else 0
    ExifValue value;           // LONG and rationals as integers, byte formats as bytes; SHORT,
                               // FLOAT and DOUBLE are not decoded
};

// One individual image of the MP index (index 0 is the primary image).
struct MpfImage {
    std::string streamPath; // temporary file holding the image, or ""
    int32_t streamSize = 0; // the entry's size, or the bytes written when extracted
    int32_t sizeCopy = 0;
    int32_t soiInEof = 0; // SOI position relative to the end of the primary image; 0 when not found
    int32_t eoiInEof = 0; // EOI position relative to the end of the primary image; 0 when not found
    int32_t offset = 0;   // the entry's data offset, relative to the MP header
    bool valid = false;
    bool withheld = false; // not extracted: the temporary-file budget was spent
    std::string uniqueId;  // 33 characters, one per byte; "" when the file gives none
};

// Everything the parse found.
struct MpfData {
    bool bigEndian = false;
    int16_t ifdCount = 0;
    std::vector<MpfEntry> entries;
    std::vector<MpfImage> images;
    std::vector<std::string> messages; // the problems found, in the order found
    Findings findings;                 // the checks that decide MPFValid, each with its message
};

// What the parse needs to know of the file.
struct MpfSource {
    const cByteReader& file;          // the whole file
    std::span<const uint8_t> segment; // the APP2 segment data, length bytes first
    int64_t segmentPointer = 0;       // file offset of the segment's marker
    int64_t primaryEoi = 0;           // file offset of the primary image's end-of-image marker
    int32_t manufacturer = 0;
    bool xmpExisted = false;
    bool extractImages = true;
    budget::cTempWriter* tempFiles = nullptr; // writes the extracted images; none: nothing is written
};

MpfData ParseMpf(const MpfSource& source);

// Deletes the temporary files of the extracted images and empties the image list.
void ReleaseMpfImages(MpfData& mpf);

// The name of an MP tag ("NumberOfImages"); "" for a tag without one.
std::string MpfTagName(int32_t tag);

} // namespace pellvane

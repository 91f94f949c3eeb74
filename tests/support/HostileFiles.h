#pragma once
// Files built the way an attacker would build them: small in bytes, but with structure counts
// that multiply the work of examining them. Each starts with a real, decodable picture.

#include "codec/ExifValue.h"

#include <cstdint>
#include <string>

namespace pellvane::test {

// IFD0 of `entries` entries (at most 32767) whose values all name the same `valueBytes`
// bytes of trailing data, as `format` (ASCII, SHORT, UNDEFINED, …).
ByteArray TagAmplificationFile(int32_t entries, uint32_t valueBytes, uint16_t format);

// An XMP packet in IFD0's tag 0x02BC made of `pairs` CR LF pairs.
ByteArray CrLfXmpFile(uint32_t pairs);

// A tiny arithmetic-coded greyscale JPEG that declares width × height pixels.
ByteArray DeclaredHugeJpeg(uint16_t width, uint16_t height);

// An MPF index of `images` entries (at most 4000), every one after the first naming the same
// embedded picture, which follows the main picture.
ByteArray MpfAmplificationFile(int32_t images, const ByteArray& embedded);

// A JPEG whose IFD1 thumbnail is `thumbnail`.
ByteArray ThumbnailFile(const ByteArray& thumbnail);

} // namespace pellvane::test

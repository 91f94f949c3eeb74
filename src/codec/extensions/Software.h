#pragma once
// Traces that editing programs leave in the pictures they save: their names in the EXIF
// Software tags, the XMP packet, the UserComment and comment segments, and segments that
// only certain programs write. The rules read the codec through its public members only,
// so they serve any codec that answers them.

#include "codec/IExifCodec.h"

#include <cstdint>
#include <span>
#include <string>

namespace pellvane {

// The Adobe rules alone: True when an Adobe (or ACD) program is recognised; its name is
// then in `softwareName`. False at once when there is no codec.
bool IdentifyAdobeSoftware(const IExifCodec* codec, std::string& softwareName);

// True when the metadata names an editing program; its name to show is then in
// `softwareName`. When nothing is recognised but the file carries an ICC profile segment
// and does not come from an Apple device, `iccHint` is set True; otherwise it is left as
// passed. False at once when there is no codec.
bool IdentifySoftware(const IExifCodec* codec, bool& iccHint, std::string& softwareName);

// The text of an EXIF UserComment: its first 8 bytes name the character code ("UNICODE",
// "ASCII", "JIS", or anything else for the system code page) and the text follows.
// `bigEndianFile` is the byte order of the file's TIFF structure, which helps to tell the
// byte order of UTF-16 text. Zero characters are dropped.
std::string DecodeUserComment(std::span<const uint8_t> comment, bool bigEndianFile);

} // namespace pellvane

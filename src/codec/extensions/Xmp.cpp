#include "codec/extensions/Xmp.h"

#include "codec/TextCodec.h"

#include <algorithm>
#include <cctype>

namespace pellvane {
namespace {

// The XMP namespace without its version path, so that any packet version is recognised.
constexpr std::string_view kXmpNamespace = "http://ns.adobe.com/xap/";

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

} // namespace

bool IsXmpIdentifier(std::string_view identifier) {
    return ContainsIgnoringCase(identifier, kXmpNamespace);
}

std::string XmpPacketFromSegment(std::span<const uint8_t> data, int32_t markerSize, size_t identifierLength) {
    // After the two length bytes, the identifier and its zero byte.
    const int64_t start = static_cast<int64_t>(identifierLength) + 3;
    if (start >= markerSize) return "";
    // The segment data may have been replaced by a shorter array since it was read.
    const int64_t end = std::min<int64_t>(markerSize, static_cast<int64_t>(data.size()));
    if (start >= end) return "";
    return Utf8ToText(data.subspan(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

std::string XmpPacketFromTag(const ExifValue& value) {
    if (const auto* bytes = std::get_if<ByteArray>(&value)) return Utf8ToText(*bytes);
    // A writer that declared the packet as ASCII: its text was read through the system
    // code page, which gives the original bytes back unchanged.
    if (const auto* text = std::get_if<std::string>(&value)) return Utf8ToText(TextToAnsi(*text));
    return "";
}

} // namespace pellvane

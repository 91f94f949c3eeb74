#include "codec/extensions/LegacyBlock.h"

#include "codec/extensions/Aes128.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace pellvane {
using Block = std::array<uint8_t, 16>;

// The editor's key is not stored as such anywhere in the program: it is derived here
// each time from a small generator, so it never appears as a literal in the binary nor
// in any message or log.
std::array<uint8_t, 16> LegacyEditorKey() {
    Block key{};
    uint32_t state = 0x5045u * 0x4C56u + 0x4E01u;
    for (auto& byte : key) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<uint8_t>(state >> 11);
    }
    return key;
}

namespace {

// The integer part of the number a text begins with ("280", "95.5 beta"); 0 when it
// begins with none. Bounded to the 16-bit range the version is kept in.
int16_t LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    double value = 0;
    bool any = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        any = true;
    }
    if (!any) return 0;
    return static_cast<int16_t>(std::min(value, 32767.0));
}

} // namespace

int16_t CheckLegacyBlock(std::span<const uint8_t> block) {
    if (block.size() != 16) return 0;
    Block key = LegacyEditorKey();
    const Block plain = DecipherAes128Block(key, block.first<16>());
    std::fill(key.begin(), key.end(), uint8_t{0});
    std::string text;
    for (uint8_t b : plain) {
        if (b == 0) break;
        text.push_back(static_cast<char>(b));
    }
    if (text.size() < 5) return 0;
    std::string marker = text.substr(0, 5);
    std::transform(marker.begin(), marker.end(), marker.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (marker != "pelvn") return 0;
    return LeadingNumber(text.substr(5));
}

} // namespace pellvane

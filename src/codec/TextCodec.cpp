#include "codec/TextCodec.h"

#include <array>

namespace pellvane {
namespace {

// Windows-1252 code points of the bytes 0x80..0x9F; the five undefined bytes map to the
// C1 control of the same value, as the platform's own conversion does.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t Cp1252ToCodePoint(uint8_t b) {
    if (b >= 0x80 && b <= 0x9F) return kCp1252High[b - 0x80];
    return b;
}

// Decodes one UTF-8 sequence at text[i]; advances i. Invalid input gives U+FFFD.
char32_t NextCodePoint(std::string_view text, size_t& i) {
    const auto lead = static_cast<uint8_t>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead > 0xF4) return 0xFFFD;
    char32_t cp = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<uint8_t>(text[i]) & 0xC0) != 0x80) return 0xFFFD;
        cp = cp << 6 | (static_cast<uint8_t>(text[i++]) & 0x3F);
    }
    const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    return cp;
}

} // namespace

std::string AnsiToText(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (uint8_t b : bytes)
        AppendUtf8(out, Cp1252ToCodePoint(b));
    return out;
}

std::vector<uint8_t> TextToAnsi(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const char32_t cp = NextCodePoint(text, i);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<uint8_t>(cp));
            continue;
        }
        uint8_t mapped = '?';
        for (size_t k = 0; k < kCp1252High.size(); ++k)
            if (kCp1252High[k] == cp) mapped = static_cast<uint8_t>(0x80 + k);
        out.push_back(mapped);
    }
    return out;
}

std::string Utf8ToText(std::span<const uint8_t> bytes) {
    const std::string_view in(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size();)
        AppendUtf8(out, NextCodePoint(in, i));
    return out;
}

std::string CutAtNul(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

} // namespace pellvane

#include "shell/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iconv.h>
#include <memory>

namespace pellvane {
namespace {

// Translation files are a few kilobytes; anything far larger is not one and is not read.
constexpr std::uintmax_t kLargestIniFile = 16u << 20;

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenConverterToUtf8(int32_t codePage) {
    for (const int32_t page : {codePage, kWesternCodePage}) {
        const std::string name = "CP" + std::to_string(page);
        iconv_t handle = iconv_open("UTF-8", name.c_str());
        if (handle != reinterpret_cast<iconv_t>(-1)) return IconvHandle(handle);
    }
    return nullptr;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (high || low) {
            AppendUtf8(out, 0xFFFD); // a surrogate without its partner
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

// UTF-8 as UTF-16, so that a file with a UTF-8 mark is measured and cut like a wide file.
std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80           ? 1
                           : (lead >> 5) == 0x6  ? 2
                           : (lead >> 4) == 0xE  ? 3
                           : (lead >> 3) == 0x1E ? 4
                                                 : 0;
        if (length == 0 || i + static_cast<size_t>(length) > text.size()) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += static_cast<size_t>(length);
    }
    return out;
}

std::u16string LittleEndianUnits(std::span<const uint8_t> bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return units;
}

bool StartsWith(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

// UTF-16 little-endian text without a byte-order mark: Latin letters, which every INI file
// starts with, have a zero high byte, and 8-bit text never holds zero bytes.
bool LooksLikeUnmarkedUtf16(std::span<const uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0;
}

template <typename Char> bool IsBlank(Char c) {
    return c == Char(' ') || c == Char('\t');
}

template <typename Char> std::basic_string_view<Char> Trimmed(std::basic_string_view<Char> text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

template <typename Char> std::basic_string_view<Char> Unquoted(std::basic_string_view<Char> text) {
    if (text.size() >= 2 && text.front() == text.back() &&
        (text.front() == Char('"') || text.front() == Char('\'')))
        return text.substr(1, text.size() - 2);
    return text;
}

// Names of sections and keys are matched in lower case; only ASCII letters fold, as the
// profile readers do for the names that translation files use.
template <typename Char> std::string MatchName(std::basic_string_view<Char> text, auto toUtf8) {
    std::string name = toUtf8(text);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return name;
}

std::string MatchName(std::string_view text) {
    std::string name(text);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return name;
}

std::string ReadIni(std::string_view section, std::string_view key, const std::filesystem::path& file,
                    std::string_view defaultText, IniReader reader, int32_t codePage) {
    const IniDocument document = IniDocument::Load(file, reader, codePage);
    return document.Value(section, key).value_or(std::string(defaultText));
}

} // namespace

std::string AnsiToUtf8(std::string_view text, int32_t codePage) {
    const IconvHandle converter = OpenConverterToUtf8(codePage);
    if (!converter) return std::string(text);
    auto* handle = static_cast<iconv_t>(converter.get());

    std::string out(text.size() * 4 + 4, '\0');
    char* input = const_cast<char*>(text.data()); // iconv's interface is not const-correct
    size_t inputLeft = text.size();
    char* output = out.data();
    size_t outputLeft = out.size();
    while (inputLeft > 0) {
        if (iconv(handle, &input, &inputLeft, &output, &outputLeft) != static_cast<size_t>(-1)) break;
        if (errno != EILSEQ || outputLeft == 0) break; // EINVAL: an incomplete character at the end
        *output++ = '?';
        --outputLeft;
        ++input;
        --inputLeft;
    }
    out.resize(out.size() - outputLeft);
    return out;
}

template <typename Char, typename Convert>
IniDocument IniDocument::ParseUnits(std::basic_string_view<Char> text, Convert toUtf8) {
    IniDocument document;
    std::string section;
    bool inSection = false;
    while (!text.empty()) {
        size_t end = 0;
        while (end < text.size() && text[end] != Char('\r') && text[end] != Char('\n'))
            ++end;
        const std::basic_string_view<Char> line = Trimmed(text.substr(0, end));
        text.remove_prefix(end < text.size() ? end + 1 : end);

        if (line.empty() || line.front() == Char(';')) continue;
        if (line.front() == Char('[')) {
            const size_t close = line.find(Char(']'));
            inSection = close != std::basic_string_view<Char>::npos;
            if (inSection) section = MatchName(Trimmed(line.substr(1, close - 1)), toUtf8);
            continue;
        }
        const size_t equals = line.find(Char('='));
        if (!inSection || equals == std::basic_string_view<Char>::npos) continue;
        const std::basic_string_view<Char> key = Trimmed(line.substr(0, equals));
        if (key.empty()) continue;
        std::basic_string_view<Char> value = Unquoted(Trimmed(line.substr(equals + 1)));
        value = value.substr(0, kIniValueLimit);
        document.entries_.push_back({section, MatchName(key, toUtf8), toUtf8(value)});
    }
    return document;
}

IniDocument IniDocument::Parse(std::span<const uint8_t> bytes, IniReader reader, int32_t codePage) {
    const auto wideToUtf8 = [](std::u16string_view units) {
        // A value cut inside a surrogate pair loses the half pair rather than showing it.
        if (!units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF) units.remove_suffix(1);
        return Utf16ToUtf8(units);
    };
    const auto ansiToUtf8 = [codePage](std::string_view text) { return AnsiToUtf8(text, codePage); };

    if (StartsWith(bytes, {0xFF, 0xFE})) {
        const std::u16string units = LittleEndianUnits(bytes.subspan(2));
        return ParseUnits(std::u16string_view(units), wideToUtf8);
    }
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        const auto rest = bytes.subspan(3);
        const std::u16string units = Utf8ToUtf16({reinterpret_cast<const char*>(rest.data()), rest.size()});
        return ParseUnits(std::u16string_view(units), wideToUtf8);
    }
    if (reader == IniReader::Wide && LooksLikeUnmarkedUtf16(bytes)) {
        const std::u16string units = LittleEndianUnits(bytes);
        return ParseUnits(std::u16string_view(units), wideToUtf8);
    }
    return ParseUnits(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      ansiToUtf8);
}

IniDocument IniDocument::Load(const std::filesystem::path& file, IniReader reader, int32_t codePage) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kLargestIniFile) return {};
    std::ifstream stream(file, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return {};
    return Parse(bytes, reader, codePage);
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
    const std::string wantedSection = MatchName(section);
    const std::string wantedKey = MatchName(key);
    for (const Entry& entry : entries_) {
        if (entry.section == wantedSection && entry.key == wantedKey) return entry.value;
    }
    return std::nullopt;
}

std::string ReadIniWide(std::string_view section, std::string_view key, const std::filesystem::path& file,
                        std::string_view defaultText, int32_t codePage) {
    return ReadIni(section, key, file, defaultText, IniReader::Wide, codePage);
}

std::string ReadIniAnsi(std::string_view section, std::string_view key, const std::filesystem::path& file,
                        std::string_view defaultText, int32_t codePage) {
    return ReadIni(section, key, file, defaultText, IniReader::Ansi, codePage);
}

} // namespace pellvane

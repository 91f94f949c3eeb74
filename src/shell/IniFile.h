#pragma once
// The reader of translation files: INI text made of "[Section]" lines and "Key=Value" lines,
// stored either in an 8-bit ANSI code page or as UTF-16 little-endian ("UNICODE"). It keeps
// the rules of the Windows profile readers that the files were written for: sections and
// keys match without regard to case, the first of duplicates wins, spaces around keys and
// values and one pair of quotes around a value are dropped, lines that start with ";" are
// comments, and a value is cut after 1023 characters.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pellvane {

// The longest value a reader returns, in characters of its encoding (bytes for the ANSI
// reader, UTF-16 units for the wide one): the profile readers fill a 1024-unit buffer.
inline constexpr size_t kIniValueLimit = 1023;

// The code page of Western European text, the fall-back when no other is known.
inline constexpr int32_t kWesternCodePage = 1252;

enum class IniReader {
    // Reads the file as 8-bit text in a code page; only a file that starts with a UTF-16 or
    // UTF-8 byte-order mark is decoded as such.
    Ansi,
    // Reads UTF-16 little-endian text, recognised by its byte-order mark or, without one, by
    // the zero high bytes of its characters; any other file is read as 8-bit text.
    Wide,
};

// A parsed INI file. Values are held as UTF-8.
class IniDocument {
  public:
    static IniDocument Parse(std::span<const uint8_t> bytes, IniReader reader, int32_t codePage);
    // An unreadable or missing file gives an empty document.
    static IniDocument Load(const std::filesystem::path& file, IniReader reader, int32_t codePage);

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    bool IsEmpty() const { return entries_.empty(); }

  private:
    struct Entry {
        std::string section; // lower case, for matching
        std::string key;     // lower case, for matching
        std::string value;
    };
    template <typename Char, typename Convert>
    static IniDocument ParseUnits(std::basic_string_view<Char> text, Convert toUtf8);

    std::vector<Entry> entries_;
};

// One value of a file read with the wide reader, or `defaultText` when the file, the
// section or the key is missing. Non-Unicode files are decoded with `codePage`.
std::string ReadIniWide(std::string_view section, std::string_view key, const std::filesystem::path& file,
                        std::string_view defaultText, int32_t codePage = kWesternCodePage);

// The same with the 8-bit reader.
std::string ReadIniAnsi(std::string_view section, std::string_view key, const std::filesystem::path& file,
                        std::string_view defaultText, int32_t codePage = kWesternCodePage);

// 8-bit text of a Windows code page as UTF-8. A byte that is not valid in the code page
// becomes "?", and an incomplete double-byte character at the end is dropped.
std::string AnsiToUtf8(std::string_view text, int32_t codePage);

} // namespace pellvane

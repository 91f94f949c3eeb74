#pragma once
// Conversions between the bytes found in files and the program's UTF-8 text.
// The "system ANSI code page" of the original platform is Windows-1252 here.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pellvane {

// Windows-1252 bytes to UTF-8. Every byte gives one character; zero bytes are kept.
std::string AnsiToText(std::span<const uint8_t> bytes);

// UTF-8 text to Windows-1252 bytes; characters with no Windows-1252 form become '?'.
std::vector<uint8_t> TextToAnsi(std::string_view text);

// UTF-8 bytes to text; invalid sequences are replaced by U+FFFD.
std::string Utf8ToText(std::span<const uint8_t> bytes);

// The text up to its first character of code 0.
std::string CutAtNul(std::string_view text);

} // namespace pellvane

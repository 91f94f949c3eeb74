#pragma once
// Version numbers in tag texts, read the way the rules compare them.

#include <cctype>
#include <string_view>

namespace pellvane {

// The leading number of a text, as a version number is read: "7.1.2" gives 7.1, " 10" gives
// 10, a text that does not start with a number gives 0. Read by hand because the standard
// conversions follow the locale's decimal mark and also accept forms like "inf".
inline double LeadingNumber(std::string_view text) {
    size_t i = text.find_first_not_of(' ');
    if (i == std::string_view::npos) return 0.0;
    double value = 0.0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = value * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, scale /= 10)
            value += (text[i] - '0') * scale;
    }
    return value;
}

} // namespace pellvane

#include "shell/Locale.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace pellvane {
namespace {

struct LocaleEntry {
    std::string_view language; // ISO 639-1
    std::string_view country;  // ISO 3166-1 alpha-2; "" marks the language's main locale
    int32_t localeId;
};

// The language's main locale comes first among its entries, so that a country that is not
// listed falls back to it.
constexpr LocaleEntry kLocales[] = {
    {"ar", "", 1025},   {"ar", "SA", 1025}, {"ar", "EG", 3073}, {"bg", "", 1026},   {"ca", "", 1027},
    {"zh", "", 2052},   {"zh", "CN", 2052}, {"zh", "TW", 1028}, {"zh", "HK", 3076}, {"zh", "SG", 4100},
    {"zh", "MO", 5124}, {"cs", "", 1029},   {"da", "", 1030},   {"de", "", 1031},   {"de", "DE", 1031},
    {"de", "CH", 2055}, {"de", "AT", 3079}, {"el", "", 1032},   {"en", "", 1033},   {"en", "US", 1033},
    {"en", "GB", 2057}, {"en", "AU", 3081}, {"en", "CA", 4105}, {"es", "", 3082},   {"es", "ES", 3082},
    {"es", "MX", 2058}, {"fi", "", 1035},   {"fr", "", 1036},   {"fr", "FR", 1036}, {"fr", "BE", 2060},
    {"fr", "CA", 3084}, {"fr", "CH", 4108}, {"he", "", 1037},   {"hu", "", 1038},   {"is", "", 1039},
    {"it", "", 1040},   {"ja", "", 1041},   {"ko", "", 1042},   {"nl", "", 1043},   {"nl", "BE", 2067},
    {"nb", "", 1044},   {"no", "", 1044},   {"pl", "", 1045},   {"pt", "", 2070},   {"pt", "BR", 1046},
    {"pt", "PT", 2070}, {"ro", "", 1048},   {"ru", "", 1049},   {"hr", "", 1050},   {"sk", "", 1051},
    {"sv", "", 1053},   {"th", "", 1054},   {"tr", "", 1055},   {"id", "", 1057},   {"uk", "", 1058},
    {"sl", "", 1060},   {"vi", "", 1066},   {"lt", "", 1063},
};

std::string Lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string Uppered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

} // namespace

int32_t LocaleIdFromPosixName(std::string_view name) {
    // "language_COUNTRY.codeset@modifier": only the first two parts matter.
    name = name.substr(0, name.find_first_of(".@"));
    const size_t separator = name.find_first_of("_-");
    const std::string language = Lowered(name.substr(0, separator));
    const std::string country =
        separator == std::string_view::npos ? "" : Uppered(name.substr(separator + 1));

    int32_t languageDefault = 0;
    for (const LocaleEntry& entry : kLocales) {
        if (entry.language != language) continue;
        if (!country.empty() && entry.country == country) return entry.localeId;
        if (languageDefault == 0) languageDefault = entry.localeId;
    }
    return languageDefault != 0 ? languageDefault : kLocaleEnglishUS;
}

int32_t SystemDefaultLocaleId() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return LocaleIdFromPosixName(value);
    }
    return kLocaleEnglishUS;
}

int32_t AnsiCodePage(int32_t localeId) {
    // The primary language sits in the low ten bits of an LCID.
    switch (localeId & 0x3FF) {
    case 0x04: // Chinese: Traditional for Taiwan, Hong Kong and Macao, Simplified elsewhere
        return (localeId == 1028 || localeId == 3076 || localeId == 5124) ? 950 : 936;
    case 0x11:
        return 932; // Japanese
    case 0x12:
        return 949; // Korean
    case 0x1E:
        return 874; // Thai
    case 0x2A:
        return 1258; // Vietnamese
    case 0x01:
        return 1256; // Arabic
    case 0x0D:
        return 1255; // Hebrew
    case 0x08:
        return 1253; // Greek
    case 0x1F:
        return 1254; // Turkish
    case 0x02:       // Bulgarian
    case 0x19:       // Russian
    case 0x22:       // Ukrainian
        return 1251;
    case 0x05: // Czech
    case 0x0E: // Hungarian
    case 0x15: // Polish
    case 0x18: // Romanian
    case 0x1A: // Croatian
    case 0x1B: // Slovak
    case 0x24: // Slovenian
        return 1250;
    case 0x25: // Estonian
    case 0x26: // Latvian
    case 0x27: // Lithuanian
        return 1257;
    default:
        return 1252;
    }
}

} // namespace pellvane

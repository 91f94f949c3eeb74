#pragma once
// Windows locale identifiers (LCIDs) on a system that names its locales the POSIX way. The
// translation folders are named by LCID, so the system locale has to be expressed as one.

#include <cstdint>
#include <string_view>

namespace pellvane {

inline constexpr int32_t kLocaleEnglishUS = 1033;

// The LCID of a POSIX locale name such as "ja_JP.UTF-8" or "de_DE@euro". A language whose
// country is not known maps to the language's main locale; "C", "POSIX", an empty name and
// an unknown language map to US English.
int32_t LocaleIdFromPosixName(std::string_view name);

// The system's default locale as an LCID, from LC_ALL, LC_MESSAGES or LANG, the first that
// is set, since that is the variable that decides the language of a program's messages.
int32_t SystemDefaultLocaleId();

// The ANSI code page that Windows pairs with a locale (1252 for Western languages, 932 for
// Japanese, 936 for Simplified Chinese, ...), which is how 8-bit translation files of that
// locale are encoded.
int32_t AnsiCodePage(int32_t localeId);

} // namespace pellvane

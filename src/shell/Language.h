#pragma once
// Translation files ("Lang/<locale>/lang.cfg" beside the program): which one is active, the
// text lookup every visible text goes through, and the language menu.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellvane {

// Where the program lives: its folder, which holds "Lang", and its file name without the
// extension, which a translation file must name in "Setup"/"App" (with ".exe" appended, the
// name the maker's translators know it by).
void SetProgramLocation(const std::filesystem::path& folder, const std::string& executableName);
// "Lang" beside the executable when it exists, else the installed translations when they
// exist (<prefix>/share/pellvane/Lang for a program in <prefix>/bin).
std::filesystem::path LanguageFolder();

struct TranslationState {
    int32_t localeId = 0;             // 0 until resolved
    std::filesystem::path activeFile; // empty: every lookup answers its English default
    bool unicode = false;             // the active file is read with the wide reader
};

// Resolves the locale (the given one; else the stored "Validator"/"LocaleID"; else the
// system's) and the translation file that serves it, and answers the locale.
int32_t InitLanguage(int32_t localeId);
const TranslationState& CurrentTranslation();

// Routes GetText through the active translation file, resolving it at the first lookup.
void InstallTranslationLookup();

// The leading number of a text, as the settings and the files write locales; 0 when the
// text does not start with one.
int32_t NumberOf(std::string_view text);

// A translated title is used only when it still names the product; otherwise the English
// title stands, so that no translation can hide which program this is.
std::string TitleWithProduct(std::string_view translated, std::string_view englishTitle);

struct LanguageItem {
    std::string caption; // the language's own name
    std::string tag;     // the locale folder's name; the built-in English item has "1033"
    bool checked = false;
};

struct LanguageMenu {
    std::vector<LanguageItem> items;
    int16_t checkedIndex = -1;
};

inline constexpr std::string_view kBuiltInLanguageTag = "1033";

// One item per subfolder of `folder` that holds a "lang.cfg" (in name order), then the
// built-in English. Items whose folder number equals the locale are checked, and the last
// of them is the checked index; the built-in item is checked when no other is.
LanguageMenu BuildLanguageMenu(const std::filesystem::path& folder, int32_t currentLocale);

struct LanguageNotice {
    std::string text;
    std::string title;
};

// Checks item `index` and answers the notice to show, in the chosen language. Choosing the
// item that is already checked changes nothing and answers no notice.
std::optional<LanguageNotice> ChooseLanguage(LanguageMenu& menu, int index,
                                             const std::filesystem::path& folder);

} // namespace pellvane

#include "shell/Language.h"

#include "base/Text.h"
#include "shell/IniFile.h"
#include "shell/Locale.h"
#include "shell/Settings.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace pellvane {
namespace {

constexpr std::string_view kFileName = "lang.cfg";

#ifndef PELLVANE_INSTALLED_LANG_FOLDER
// Where an installation puts the translations, seen from the folder of the executables.
#define PELLVANE_INSTALLED_LANG_FOLDER "../share/pellvane/Lang"
#endif

struct ProgramLocation {
    std::filesystem::path folder;
    std::string executableName;
};

ProgramLocation& Location() {
    static ProgramLocation location;
    return location;
}

struct Translation {
    TranslationState state;
    IniDocument document; // the active file, parsed once per resolution
};

Translation& ActiveTranslation() {
    static Translation translation;
    return translation;
}

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Uppered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return result;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return Uppered(a) == Uppered(b);
}

std::filesystem::path TranslationFile(const std::filesystem::path& folder, std::string_view tag) {
    return folder / std::string(tag) / std::string(kFileName);
}

bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

int32_t StoredLocale() {
    return NumberOf(GetSetting(QStringLiteral("Validator"), QStringLiteral("LocaleID")).toStdString());
}

// A file serves the locale only when it was written for this program and for this locale.
bool BelongsHere(const std::filesystem::path& file, int32_t localeId) {
    const int32_t codePage = AnsiCodePage(localeId);
    const std::string app(Trimmed(ReadIniWide("Setup", "App", file, "", codePage)));
    if (!EqualIgnoringCase(app, Location().executableName + ".exe")) return false;
    return NumberOf(ReadIniWide("Setup", "LocaleID", file, "1033", codePage)) == localeId;
}

bool DeclaresUnicode(const std::filesystem::path& file, int32_t localeId) {
    const std::string encoding = ReadIniWide("Setup", "Encoding", file, "ANSI", AnsiCodePage(localeId));
    return Uppered(Trimmed(encoding)) == "UNICODE";
}

} // namespace

void SetProgramLocation(const std::filesystem::path& folder, const std::string& executableName) {
    Location() = {folder, executableName};
    ActiveTranslation() = {};
}

// An installed program keeps its translations in the shared data folder rather than beside
// the executable; the folder beside it still comes first, so that a build tree keeps working.
std::filesystem::path LanguageFolder() {
    const std::filesystem::path beside = Location().folder / "Lang";
    const std::filesystem::path installed = Location().folder / PELLVANE_INSTALLED_LANG_FOLDER;
    std::error_code error;
    if (!std::filesystem::is_directory(beside, error) && std::filesystem::is_directory(installed, error))
        return installed.lexically_normal();
    return beside;
}

int32_t NumberOf(std::string_view text) {
    text = Trimmed(text);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(value);
}

int32_t InitLanguage(int32_t localeId) {
    if (localeId == 0) localeId = StoredLocale();
    if (localeId == 0) localeId = SystemDefaultLocaleId();

    Translation& translation = ActiveTranslation();
    translation = {};
    translation.state.localeId = localeId;

    std::filesystem::path candidate = TranslationFile(LanguageFolder(), std::to_string(localeId));
    if (!IsFile(candidate)) candidate = TranslationFile(LanguageFolder(), kBuiltInLanguageTag);
    if (!IsFile(candidate) || !BelongsHere(candidate, localeId)) return localeId;

    translation.state.activeFile = candidate;
    translation.state.unicode = DeclaresUnicode(candidate, localeId);
    translation.document = IniDocument::Load(
        candidate, translation.state.unicode ? IniReader::Wide : IniReader::Ansi, AnsiCodePage(localeId));
    return localeId;
}

const TranslationState& CurrentTranslation() {
    return ActiveTranslation().state;
}

void InstallTranslationLookup() {
    SetTextProvider([](std::string_view section, std::string_view key) -> std::optional<std::string> {
        if (ActiveTranslation().state.localeId == 0) InitLanguage(0);
        return ActiveTranslation().document.Value(section, key);
    });
}

std::string TitleWithProduct(std::string_view translated, std::string_view englishTitle) {
    if (translated.find("Pellvane") == std::string_view::npos) return std::string(englishTitle);
    return std::string(translated);
}

LanguageMenu BuildLanguageMenu(const std::filesystem::path& folder, int32_t currentLocale) {
    std::vector<std::filesystem::path> subfolders;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (IsFile(it->path() / std::string(kFileName))) subfolders.push_back(it->path());
    }
    std::sort(subfolders.begin(), subfolders.end());

    LanguageMenu menu;
    for (const std::filesystem::path& subfolder : subfolders) {
        const std::string tag = subfolder.filename().string();
        const int32_t localeId = NumberOf(tag);
        LanguageItem item;
        item.caption = ReadIniWide("Setup", "LocalName", subfolder / std::string(kFileName), "(UNNAMED)",
                                   AnsiCodePage(localeId));
        item.tag = tag;
        item.checked = localeId == currentLocale;
        if (item.checked) menu.checkedIndex = static_cast<int16_t>(menu.items.size());
        menu.items.push_back(std::move(item));
    }
    const bool builtInChecked = menu.checkedIndex < 0;
    if (builtInChecked) menu.checkedIndex = static_cast<int16_t>(menu.items.size());
    menu.items.push_back({"English (Built-in)", std::string(kBuiltInLanguageTag), builtInChecked});
    return menu;
}

std::optional<LanguageNotice> ChooseLanguage(LanguageMenu& menu, int index,
                                             const std::filesystem::path& folder) {
    if (index < 0 || index >= static_cast<int>(menu.items.size()) || index == menu.checkedIndex)
        return std::nullopt;
    if (menu.checkedIndex >= 0) menu.items[static_cast<size_t>(menu.checkedIndex)].checked = false;
    menu.items[static_cast<size_t>(index)].checked = true;
    menu.checkedIndex = static_cast<int16_t>(index);

    const std::string& tag = menu.items[static_cast<size_t>(index)].tag;
    const std::filesystem::path file = TranslationFile(folder, tag);
    const int32_t codePage = AnsiCodePage(NumberOf(tag));
    return LanguageNotice{ReadIniWide("Window", "Window.Message.Notice.LanguageChanged", file,
                                      "Please restart the program to apply language settings", codePage),
                          ReadIniWide("Window", "Window.Message.Notice", file, "Notice", codePage)};
}

} // namespace pellvane

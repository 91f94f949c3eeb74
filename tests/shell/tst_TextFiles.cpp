// Translation files: the INI reader and its two encodings, the locale that picks a file, the
// validation of a file, the language menu, and the translations the program ships, evidence
// sentences included.

#include "ShellFixtures.h"

#include "analysis/Evidence.h"
#include "base/Finding.h"
#include "base/Text.h"
#include "shell/IniFile.h"
#include "shell/Language.h"
#include "shell/Locale.h"
#include "shell/Settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <set>
#include <span>

using namespace pellvane;
using namespace pellvane::testing;

namespace {

std::span<const uint8_t> Bytes(const QByteArray& data) {
    return {reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size())};
}

// The keys every translation must carry: the window, the About window, the analysis and the
// software names. Literal keys in the sources are added to them by the test itself.
const QStringList kRequiredKeys = {"Window.Main.Caption",
                                   "Window.Main.Description",
                                   "Window.Tool.About",
                                   "Window.Tool.Open",
                                   "Window.Tool.Preview.Error",
                                   "Window.Main.Results.Description",
                                   "Window.Main.Results.Result",
                                   "Window.Main.Close",
                                   "Window.Main.Restart",
                                   "Window.Main.Working",
                                   "Window.Main.TrustRating",
                                   "Window.Main.Open",
                                   "Window.Main.OpenFilter.JPEG",
                                   "Window.Main.OpenFilter.All",
                                   "Window.Message.Notice.LanguageChanged",
                                   "Window.Message.Notice",
                                   "Window.About.Caption",
                                   "Window.About.Version",
                                   "Window.About.Translation",
                                   "Window.About.Disclaimer",
                                   "Window.About.OK",
                                   "Window.About.CheckForUpdates",
                                   "Window.Main.Analyzing",
                                   "Window.Main.WrappingUp",
                                   "Window.Main.Results.ComprSignature",
                                   "Window.Main.Results.MakerNote",
                                   "Window.Main.Results.EXIF",
                                   "Window.Main.Results.ImageSize",
                                   "Window.Main.Results.Software",
                                   "Window.Main.Results.FPXR",
                                   "Window.Main.Results.MPF",
                                   "Window.Main.Results.AROT",
                                   "Window.Main.Results.EmbeddedImageFeatures",
                                   "Window.Main.Results.Histogram",
                                   "Window.Main.Results.ExifIntConsistency",
                                   "Window.Main.Results.ExifExtConsistency",
                                   "Window.Main.Results.AspectRatio",
                                   "Window.Main.Results.Pelvn",
                                   "Window.Main.Results.ParserError",
                                   "Window.Main.Results.Status.Fail",
                                   "Window.Main.Results.Status.HighlySuspect",
                                   "Window.Main.Results.Status.Suspect",
                                   "Window.Main.Results.Status.Uncertain",
                                   "Window.Main.Results.Status.Pass",
                                   "Window.Main.Results.TrustRating.",
                                   "Window.Main.Results.RatingDescription.",
                                   "Window.Message.Error",
                                   "Window.Message.Error.OpenFile",
                                   "Window.Message.Error.UnsupportedImageType",
                                   "Window.Message.Alert.SoftwareDetected",
                                   "Window.Message.Alert.InvalidImageSize",
                                   "Window.Message.Alert.UnknownSoftwareDetected",
                                   "Window.Message.Alert.PelvnDetected",
                                   "Window.Message.Warning.SuspectedHistogram",
                                   "Window.Message.Warning.EvidenceMissing",
                                   "Window.Message.Warning.EvidenceSuspected",
                                   "Window.Message.Notice.UpgradeEditor",
                                   "Window.Message.Notice.OriginalFrom",
                                   "Window.Message.Notice.Report",
                                   "Window.Message.Notice.Submit",
                                   "Window.Main.Evidence",
                                   "Window.Main.Evidence.Hint",
                                   "Window.Tool.Preview.Fit",
                                   "Window.Tool.Preview.FitTip",
                                   "Window.Tool.Preview.ZoomIn",
                                   "Window.Tool.Preview.ZoomOut",
                                   "Window.Main.Copy",
                                   "Window.Main.CopyTip",
                                   "Window.Message.Error.TooLarge",
                                   "Software.Adobe.UnknownProduct",
                                   "Software.Adobe.Photoshop.UnknownVersion",
                                   "Software.Adobe.Photoshop.Ducky",
                                   "Software.Meitu.Xiuxiu",
                                   "Software.Keniu",
                                   "Software.Pellvane.Metadata.Editor",
                                   "Software.Pellvane.1.03.Cracked"};

// Keys written as literals anywhere in the sources; a key that ends in "." is completed by
// the class number 1 to 5.
QSet<QString> KeysOf(const QStringList& literals) {
    QSet<QString> keys;
    for (const QString& key : literals) {
        if (!key.endsWith(QLatin1Char('.'))) {
            keys.insert(key);
            continue;
        }
        for (int n = 1; n <= 5; ++n)
            keys.insert(key + QString::number(n));
    }
    return keys;
}

QStringList LiteralKeysInSources() {
    static const QRegularExpression literal(QStringLiteral("\"((?:Window|Software)\\.[A-Za-z0-9.]+)\""));
    QStringList keys;
    QDirIterator files(QStringLiteral(PELLVANE_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = literal.globalMatch(text); match.hasNext();)
            keys << match.next().captured(1);
    }
    return keys;
}

// The {fact} names a sentence fills in; an opening brace without its closing one counts with
// the rest of the sentence, so that a broken placeholder never matches a sound one.
std::set<std::string> PlaceholdersOf(std::string_view sentence) {
    std::set<std::string> names;
    for (size_t open = sentence.find('{'); open != std::string_view::npos;
         open = sentence.find('{', open + 1)) {
        const size_t close = sentence.find('}', open);
        names.insert(
            std::string(sentence.substr(open, close == std::string_view::npos ? close : close - open + 1)));
    }
    return names;
}

QString Joined(const std::set<std::string>& names) {
    QStringList list;
    for (const std::string& name : names)
        list << QString::fromStdString(name);
    return list.join(' ');
}

// The evidence keys a translation lacks, and those whose {facts} differ from the English
// sentence's, each with both sets.
QStringList EvidenceFaults() {
    QStringList faults;
    const auto missing = [](const std::string& text) { return text.starts_with('\x01'); };
    for (const char* word : {"Evidence.Yes", "Evidence.No"})
        if (const std::string text = GetText("Evidence", word, "\x01"); missing(text) || text.empty())
            faults << QStringLiteral("%1 untranslated").arg(word);
    for (const EvidenceSentence& sentence : EvidenceSentences()) {
        const std::string key = "Evidence." + std::string(sentence.rule);
        const std::string text = GetText("Evidence", key, "\x01");
        if (missing(text)) {
            faults << QString::fromStdString(key) + " untranslated";
        } else if (PlaceholdersOf(text) != PlaceholdersOf(sentence.english)) {
            faults << QStringLiteral("%1 fills in %2 where English fills in %3")
                          .arg(QString::fromStdString(key), Joined(PlaceholdersOf(text)),
                               Joined(PlaceholdersOf(sentence.english)));
        }
    }
    return faults;
}

} // namespace

Q_DECLARE_METATYPE(pellvane::Finding)

class TextFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        settings_ = std::make_unique<PrivateSettings>();
        InstallTranslationLookup();
    }

    void iniReaderFollowsProfileRules_data();
    void iniReaderFollowsProfileRules();
    void valuesAreCutAfter1023Characters_data();
    void valuesAreCutAfter1023Characters();
    void wideReaderReadsAnsiFilesToo();

    void posixLocaleNamesMapToLocaleIds_data();
    void posixLocaleNamesMapToLocaleIds();
    void systemLocaleComesFromTheEnvironment();

    void translationFileIsChosenAndValidated_data();
    void translationFileIsChosenAndValidated();
    void storedLocaleWinsOverTheSystemLocale();
    void titleThatDropsTheProductWordFallsBackToEnglish_data();
    void titleThatDropsTheProductWordFallsBackToEnglish();

    void translationsAreFoundBesideTheProgramOrWhereItIsInstalled_data();
    void translationsAreFoundBesideTheProgramOrWhereItIsInstalled();

    void languageMenuWithoutLangFolderOffersBuiltInEnglish();
    void languageMenuChecksEveryMatchingFolderAndKeepsTheLast();
    void choosingTheCheckedLanguageShowsNoNotice();
    void choosingAnotherLanguageSpeaksTheNewLanguage();

    void shippedTranslationsAreValidAndComplete_data();
    void shippedTranslationsAreValidAndComplete();
    void evidenceSpeaksTheShippedLanguage_data();
    void evidenceSpeaksTheShippedLanguage();

  private:
    std::unique_ptr<PrivateSettings> settings_;
};

void TextFilesTest::iniReaderFollowsProfileRules_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("reader");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString text = QStringLiteral(
        "; comment=ignored\r\n[Setup]\r\n  Name = Deutsch  \r\nQuoted=\" padded \"\r\nName=second\r\n"
        "[Window]\nText=Gr\u00FC\u00DFe\n;Hidden=1\nEmpty=\n");
    const QByteArray ansi = Encoded(text, FileEncoding::Ansi);
    const QByteArray wide = Encoded(text, FileEncoding::Utf16WithMark);
    const int a = int(IniReader::Ansi);
    const int w = int(IniReader::Wide);

    QTest::newRow("key trimmed, case-insensitive") << ansi << a << "setup"
                                                   << "NAME"
                                                   << "Deutsch";
    QTest::newRow("first of duplicates") << ansi << a << "Setup"
                                         << "Name"
                                         << "Deutsch";
    QTest::newRow("quotes dropped, inner spaces kept") << ansi << a << "Setup"
                                                       << "Quoted"
                                                       << " padded ";
    QTest::newRow("ANSI through the code page") << ansi << a << "Window"
                                                << "Text"
                                                << "Gr\u00FC\u00DFe";
    QTest::newRow("UTF-16 with mark, wide reader") << wide << w << "Window"
                                                   << "Text"
                                                   << "Gr\u00FC\u00DFe";
    QTest::newRow("UTF-16 with mark, ANSI reader") << wide << a << "Window"
                                                   << "Text"
                                                   << "Gr\u00FC\u00DFe";
    QTest::newRow("commented key is missing") << ansi << a << "Window"
                                              << "Hidden"
                                              << "<default>";
    QTest::newRow("comment before any section") << ansi << a << "Setup"
                                                << "; comment"
                                                << "<default>";
    QTest::newRow("empty value is a value") << ansi << a << "Window"
                                            << "Empty"
                                            << "";
    QTest::newRow("missing section") << ansi << a << "Other"
                                     << "Name"
                                     << "<default>";
    QTest::newRow("UTF-16 without mark, wide reader")
        << Encoded(text, FileEncoding::Utf16WithoutMark) << w << "Setup"
        << "Name"
        << "Deutsch";
    QTest::newRow("UTF-16 without mark, ANSI reader")
        << Encoded(text, FileEncoding::Utf16WithoutMark) << a << "Setup"
        << "Name"
        << "<default>";
}

void TextFilesTest::iniReaderFollowsProfileRules() {
    QFETCH(QByteArray, file);
    QFETCH(int, reader);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const IniDocument document = IniDocument::Parse(Bytes(file), IniReader(reader), 1252);
    const std::optional<std::string> value = document.Value(section.toStdString(), key.toStdString());
    QCOMPARE(QString::fromStdString(value.value_or("<default>")), expected);
}

void TextFilesTest::valuesAreCutAfter1023Characters_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("reader");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QString>("expected");

    const QString latin = QString(1100, QLatin1Char('x'));
    QTest::newRow("ANSI") << Encoded("[S]\r\nK=" + latin, FileEncoding::Ansi) << int(IniReader::Ansi) << 1252
                          << QString(1023, QLatin1Char('x'));
    QTest::newRow("UTF-16") << Encoded("[S]\r\nK=" + latin, FileEncoding::Utf16WithMark)
                            << int(IniReader::Wide) << 1252 << QString(1023, QLatin1Char('x'));
    // 1022 letters and then a character outside the basic plane: the cut falls between its
    // two UTF-16 halves, and the half is dropped rather than shown as garbage.
    const QString pair = QString(1022, QLatin1Char('y')) + QString::fromUcs4(U"\U0001F600") + "z";
    QTest::newRow("UTF-16 surrogate pair at the cut")
        << Encoded("[S]\r\nK=" + pair, FileEncoding::Utf16WithMark) << int(IniReader::Wide) << 1252
        << QString(1022, QLatin1Char('y'));
    // Shift-JIS: 511 double-byte characters fill 1022 bytes; the 1023rd byte is the first
    // half of the next one, which is dropped.
    QByteArray japanese = "[S]\r\nK=";
    for (int i = 0; i < 520; ++i)
        japanese += "\x82\xA0"; // HIRAGANA LETTER A
    QTest::newRow("double-byte code page")
        << japanese << int(IniReader::Ansi) << 932 << QString(511, QChar(0x3042));
}

void TextFilesTest::valuesAreCutAfter1023Characters() {
    QFETCH(QByteArray, file);
    QFETCH(int, reader);
    QFETCH(int, codePage);
    QFETCH(QString, expected);
    const IniDocument document = IniDocument::Parse(Bytes(file), IniReader(reader), codePage);
    QCOMPARE(QString::fromStdString(document.Value("S", "K").value_or("<default>")), expected);
}

void TextFilesTest::wideReaderReadsAnsiFilesToo() {
    const ProgramFolder program;
    program.WriteTranslation("1031", TranslationText("x.exe", 1031, "ANSI", "Deutsch", "A=\u00C4rger"),
                             FileEncoding::Ansi);
    const std::filesystem::path file = program.LangFolder() / "1031" / "lang.cfg";
    QCOMPARE(QString::fromStdString(ReadIniWide("Window", "A", file, "", 1252)),
             QStringLiteral("\u00C4rger"));
    QCOMPARE(QString::fromStdString(ReadIniAnsi("Window", "A", file, "", 1252)),
             QStringLiteral("\u00C4rger"));
    QCOMPARE(QString::fromStdString(ReadIniWide("Window", "B", file, "fallback", 1252)),
             QStringLiteral("fallback"));
    QCOMPARE(QString::fromStdString(ReadIniWide("Window", "A", program.Path() / "missing.cfg", "none")),
             QStringLiteral("none"));
}

void TextFilesTest::posixLocaleNamesMapToLocaleIds_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("localeId");
    QTest::newRow("Japanese") << "ja_JP.UTF-8" << 1041;
    QTest::newRow("German") << "de_DE" << 1031;
    QTest::newRow("German, euro modifier") << "de_DE@euro" << 1031;
    QTest::newRow("Swiss German") << "de_CH.UTF-8" << 2055;
    QTest::newRow("German, unlisted country") << "de_LU.UTF-8" << 1031;
    QTest::newRow("Simplified Chinese") << "zh_CN" << 2052;
    QTest::newRow("Traditional Chinese") << "zh_TW.Big5" << 1028;
    QTest::newRow("US English") << "en_US" << 1033;
    QTest::newRow("British English") << "en_GB.UTF-8" << 2057;
    QTest::newRow("Brazilian Portuguese") << "pt_BR" << 1046;
    QTest::newRow("C locale") << "C" << 1033;
    QTest::newRow("C.UTF-8") << "C.UTF-8" << 1033;
    QTest::newRow("empty") << "" << 1033;
}

void TextFilesTest::posixLocaleNamesMapToLocaleIds() {
    QFETCH(QString, name);
    QFETCH(int, localeId);
    QCOMPARE(LocaleIdFromPosixName(name.toStdString()), localeId);
}

void TextFilesTest::systemLocaleComesFromTheEnvironment() {
    const QByteArray saved[] = {qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"), qgetenv("LANG")};
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "ja_JP.UTF-8");
    const int fromLang = SystemDefaultLocaleId();
    qputenv("LC_ALL", "zh_CN.UTF-8");
    const int fromLcAll = SystemDefaultLocaleId();
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (int i = 0; i < 3; ++i) {
        if (saved[i].isNull()) {
            qunsetenv(names[i]);
        } else {
            qputenv(names[i], saved[i]);
        }
    }
    QCOMPARE(fromLang, 1041);
    QCOMPARE(fromLcAll, 2052);
}

void TextFilesTest::translationFileIsChosenAndValidated_data() {
    QTest::addColumn<int>("locale");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("fileText");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("expectedCaption");
    QTest::addColumn<bool>("expectUnicode");

    const QString english = "Pellvane Photo Validator";
    const QString chineseCaption = QStringLiteral("Pellvane \u7167\u7247\u9A8C\u8BC1\u5668");
    const QString chinese = "Window.Main.Caption=" + chineseCaption;
    const int marked = int(FileEncoding::Utf16WithMark);
    const int ansi = int(FileEncoding::Ansi);

    QTest::newRow("2052 with its own UNICODE file")
        << 2052 << "2052" << TranslationText("pellvane-validator.exe", 2052, "UNICODE", "zh", chinese)
        << marked << chineseCaption << true;
    QTest::newRow("App names the program in another case, with spaces")
        << 2052 << "2052" << TranslationText("  Pellvane-Validator.EXE ", 2052, "UNICODE", "zh", chinese)
        << marked << chineseCaption << true;
    QTest::newRow("App names another program")
        << 2052 << "2052" << TranslationText("other.exe", 2052, "UNICODE", "zh", chinese) << marked << english
        << false;
    QTest::newRow("LocaleID differs from the folder")
        << 2052 << "2052" << TranslationText("pellvane-validator.exe", 1028, "UNICODE", "zh", chinese)
        << marked << english << false;
    QTest::newRow("1031 without a folder, 1033 present")
        << 1031 << "1033"
        << TranslationText("pellvane-validator.exe", 1033, "ANSI", "English",
                           "Window.Main.Caption=Pellvane 1033")
        << ansi << english << false;
    QTest::newRow("1033 served by the 1033 folder")
        << 1033 << "1033"
        << TranslationText("pellvane-validator.exe", 1033, "ANSI", "English",
                           "Window.Main.Caption=Pellvane 1033")
        << ansi << "Pellvane 1033" << false;
    QTest::newRow("lower-case unicode with a trailing space")
        << 2052 << "2052" << TranslationText("pellvane-validator.exe", 2052, "unicode ", "zh", chinese)
        << int(FileEncoding::Utf16WithoutMark) << chineseCaption << true;
    QTest::newRow("declared ANSI, stored as unmarked UTF-16")
        << 2052 << "2052" << TranslationText("pellvane-validator.exe", 2052, "ANSI", "zh", chinese)
        << int(FileEncoding::Utf16WithoutMark) << english << false;
    QTest::newRow("ANSI German") << 1031 << "1031"
                                 << TranslationText("pellvane-validator.exe", 1031, "ANSI", "Deutsch",
                                                    "Window.Main.Caption=Pellvane Fotopr\u00FCfer")
                                 << ansi << "Pellvane Fotopr\u00FCfer" << false;
}

void TextFilesTest::translationFileIsChosenAndValidated() {
    QFETCH(int, locale);
    QFETCH(QString, folder);
    QFETCH(QString, fileText);
    QFETCH(int, encoding);
    QFETCH(QString, expectedCaption);
    QFETCH(bool, expectUnicode);

    const ProgramFolder program;
    program.WriteTranslation(folder, fileText, FileEncoding(encoding));
    QCOMPARE(InitLanguage(locale), locale);
    QCOMPARE(CurrentTranslation().unicode, expectUnicode);
    QCOMPARE(QString::fromStdString(GetText("Window", "Window.Main.Caption", "Pellvane Photo Validator")),
             expectedCaption);
    QCOMPARE(QString::fromStdString(GetText("Window", "Window.Not.There", "default")),
             QStringLiteral("default"));
}

void TextFilesTest::storedLocaleWinsOverTheSystemLocale() {
    const ProgramFolder program;
    SaveSetting("Validator", "LocaleID", "1041");
    QCOMPARE(InitLanguage(0), 1041);
    SaveSetting("Validator", "LocaleID", "not a number");
    QCOMPARE(InitLanguage(0), SystemDefaultLocaleId());
}

void TextFilesTest::titleThatDropsTheProductWordFallsBackToEnglish_data() {
    QTest::addColumn<QString>("translated");
    QTest::addColumn<QString>("shown");
    QTest::newRow("keeps the product word") << "Pellvane Fotopr\u00FCfer"
                                            << "Pellvane Fotopr\u00FCfer";
    QTest::newRow("drops it") << "Fotopr\u00FCfer"
                              << "Pellvane Photo Validator";
    QTest::newRow("lower case does not count") << "pellvane checker"
                                               << "Pellvane Photo Validator";
    QTest::newRow("empty") << ""
                           << "Pellvane Photo Validator";
}

void TextFilesTest::titleThatDropsTheProductWordFallsBackToEnglish() {
    QFETCH(QString, translated);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(TitleWithProduct(translated.toStdString(), "Pellvane Photo Validator")),
             shown);
}

void TextFilesTest::translationsAreFoundBesideTheProgramOrWhereItIsInstalled_data() {
    QTest::addColumn<bool>("beside");    // bin/Lang, as in a build folder
    QTest::addColumn<bool>("installed"); // share/pellvane/Lang, as after an installation
    QTest::addColumn<QString>("expectedFolder");
    QTest::addColumn<QString>("expectedDescription");
    QTest::newRow("build folder") << true << false << "bin/Lang"
                                  << "beside";
    QTest::newRow("installed") << false << true << "share/pellvane/Lang"
                               << "installed";
    QTest::newRow("both: the folder beside wins") << true << true << "bin/Lang"
                                                  << "beside";
    QTest::newRow("neither: English") << false << false << "bin/Lang"
                                      << "Test if a digital photo";
}

// The program in <prefix>/bin reads the translations beside it, else those installed under
// <prefix>/share; each layout gets a German file that says where it lies.
void TextFilesTest::translationsAreFoundBesideTheProgramOrWhereItIsInstalled() {
    QFETCH(bool, beside);
    QFETCH(bool, installed);
    QFETCH(QString, expectedFolder);
    QFETCH(QString, expectedDescription);

    const QTemporaryDir prefix;
    const std::filesystem::path root = prefix.path().toStdString();
    const auto writeGerman = [](const std::filesystem::path& lang, const QString& where) {
        QDir().mkpath(QString::fromStdString((lang / "1031").string()));
        QFile file(QString::fromStdString((lang / "1031" / "lang.cfg").string()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Encoded(TranslationText("pellvane-validator.exe", 1031, "ANSI", "Deutsch",
                                           "Window.Main.Description=" + where),
                           FileEncoding::Ansi));
    };
    QDir().mkpath(QString::fromStdString((root / "bin").string()));
    if (beside) writeGerman(root / "bin" / "Lang", QStringLiteral("beside"));
    if (installed) writeGerman(root / "share" / "pellvane" / "Lang", QStringLiteral("installed"));
    SetProgramLocation(root / "bin", "pellvane-validator");

    QCOMPARE(LanguageFolder(), root / expectedFolder.toStdString());
    QCOMPARE(InitLanguage(1031), 1031);
    QVERIFY(QString::fromStdString(GetText("Window", "Window.Main.Description", "Test if a digital photo"))
                .startsWith(expectedDescription));
    const LanguageMenu menu = BuildLanguageMenu(LanguageFolder(), 1031);
    QCOMPARE(menu.items.size(), size_t(beside || installed ? 2 : 1));
}

void TextFilesTest::languageMenuWithoutLangFolderOffersBuiltInEnglish() {
    const ProgramFolder program;
    const LanguageMenu menu = BuildLanguageMenu(program.Path() / "NoSuchFolder", 1041);
    QCOMPARE(menu.items.size(), size_t(1));
    QCOMPARE(QString::fromStdString(menu.items[0].caption), QStringLiteral("English (Built-in)"));
    QCOMPARE(QString::fromStdString(menu.items[0].tag), QStringLiteral("1033"));
    QVERIFY(menu.items[0].checked);
    QCOMPARE(menu.checkedIndex, int16_t(0));
}

void TextFilesTest::languageMenuChecksEveryMatchingFolderAndKeepsTheLast() {
    const ProgramFolder program;
    // Menu entries are not validated: a file for another program is offered all the same.
    program.WriteTranslation("01041", TranslationText("other.exe", 1041, "ANSI", "Nihongo A", ""),
                             FileEncoding::Ansi);
    program.WriteTranslation("1041",
                             TranslationText("pellvane-validator.exe", 1041, "UNICODE", "Nihongo B", ""),
                             FileEncoding::Utf16WithMark);
    program.WriteTranslation("1031", TranslationText("pellvane-validator.exe", 1031, "ANSI", "", ""),
                             FileEncoding::Ansi);
    QDir(QString::fromStdString(program.LangFolder().string())).mkdir("2052"); // no lang.cfg: not offered

    const LanguageMenu menu = BuildLanguageMenu(program.LangFolder(), 1041);
    QStringList captions;
    for (const LanguageItem& item : menu.items)
        captions << QString::fromStdString(item.caption);
    // An empty LocalName is a value; only a missing one reads "(UNNAMED)".
    QCOMPARE(captions, QStringList({"Nihongo A", "", "Nihongo B", "English (Built-in)"}));
    QVERIFY(menu.items[0].checked);
    QVERIFY(!menu.items[1].checked);
    QVERIFY(menu.items[2].checked);
    QVERIFY(!menu.items[3].checked);
    QCOMPARE(menu.checkedIndex, int16_t(2));
}

void TextFilesTest::choosingTheCheckedLanguageShowsNoNotice() {
    const ProgramFolder program;
    program.WriteTranslation("1031", TranslationText("pellvane-validator.exe", 1031, "ANSI", "Deutsch", ""),
                             FileEncoding::Ansi);
    LanguageMenu menu = BuildLanguageMenu(program.LangFolder(), 1031);
    QCOMPARE(menu.checkedIndex, int16_t(0));
    QVERIFY(!ChooseLanguage(menu, 0, program.LangFolder()));
    QCOMPARE(menu.checkedIndex, int16_t(0));
    QVERIFY(menu.items[0].checked);
}

void TextFilesTest::choosingAnotherLanguageSpeaksTheNewLanguage() {
    const ProgramFolder program;
    program.WriteTranslation(
        "1031",
        TranslationText(
            "pellvane-validator.exe", 1031, "ANSI", "Deutsch",
            "Window.Message.Notice.LanguageChanged=Bitte neu starten\r\nWindow.Message.Notice=Hinweis"),
        FileEncoding::Ansi);
    LanguageMenu menu = BuildLanguageMenu(program.LangFolder(), 1033);
    QCOMPARE(menu.checkedIndex, int16_t(1));

    const std::optional<LanguageNotice> german = ChooseLanguage(menu, 0, program.LangFolder());
    QVERIFY(german);
    QCOMPARE(QString::fromStdString(german->text), QStringLiteral("Bitte neu starten"));
    QCOMPARE(QString::fromStdString(german->title), QStringLiteral("Hinweis"));
    QVERIFY(menu.items[0].checked);
    QVERIFY(!menu.items[1].checked);
    QCOMPARE(menu.checkedIndex, int16_t(0));

    const std::optional<LanguageNotice> english = ChooseLanguage(menu, 1, program.LangFolder());
    QVERIFY(english);
    QCOMPARE(QString::fromStdString(english->text),
             QStringLiteral("Please restart the program to apply language settings"));
    QCOMPARE(QString::fromStdString(english->title), QStringLiteral("Notice"));
}

void TextFilesTest::shippedTranslationsAreValidAndComplete_data() {
    QTest::addColumn<int>("locale");
    QTest::addColumn<bool>("unicode");
    QTest::addColumn<QString>("closeCaption"); // a text outside ASCII, to check the decoding
    QTest::newRow("German, ANSI") << 1031 << false << QStringLiteral("&Schlie\u00DFen");
    QTest::newRow("Simplified Chinese, UNICODE") << 2052 << true << QStringLiteral("\u5173\u95ED(&C)");
}

void TextFilesTest::shippedTranslationsAreValidAndComplete() {
    QFETCH(int, locale);
    QFETCH(bool, unicode);
    QFETCH(QString, closeCaption);

    // The shipped files are read where the build puts them, beside the program.
    SetProgramLocation(PELLVANE_PROGRAM_FOLDER, "pellvane-validator");
    QCOMPARE(InitLanguage(locale), locale);
    const std::filesystem::path expectedFile =
        std::filesystem::path(PELLVANE_PROGRAM_FOLDER) / "Lang" / std::to_string(locale) / "lang.cfg";
    QCOMPARE(QString::fromStdString(CurrentTranslation().activeFile.string()),
             QString::fromStdString(expectedFile.string()));
    QCOMPARE(CurrentTranslation().unicode, unicode);
    QCOMPARE(QString::fromStdString(GetText("Window", "Window.Main.Close", "&Close")), closeCaption);

    QSet<QString> keys = KeysOf(kRequiredKeys);
    keys.unite(KeysOf(LiteralKeysInSources()));
    QStringList missing;
    for (const QString& key : keys) {
        const std::string section = key.startsWith("Software.") ? "Software" : "Window";
        if (GetText(section, key.toStdString(), "\x01missing").starts_with('\x01')) missing << key;
    }
    missing.sort();
    QVERIFY2(missing.isEmpty(), qPrintable("untranslated: " + missing.join(", ")));
    const QStringList evidenceFaults = EvidenceFaults();
    QVERIFY2(evidenceFaults.isEmpty(), qPrintable(evidenceFaults.join("; ")));

    const std::string title = GetText("Window", "Window.Main.Caption", "");
    QCOMPARE(TitleWithProduct(title, "English"), title);
    const std::string aboutTitle = GetText("Window", "Window.About.Caption", "");
    QCOMPARE(TitleWithProduct(aboutTitle, "English"), aboutTitle);
    QVERIFY(!GetText("Setup", "LocalName", "").empty());
    QVERIFY(!GetText("Setup", "Copyright", "").empty());
}

void TextFilesTest::evidenceSpeaksTheShippedLanguage_data() {
    QTest::addColumn<int>("locale");
    QTest::addColumn<Finding>("finding");
    QTest::addColumn<QString>("expected");

    const Finding original = NoteFinding("makernote.original").With("entries", 42);
    const Finding withoutRules = NoteFinding("makernote.maker-without-rules")
                                     .With("makerNotePresent", true)
                                     .With("exifPresent", false);
    const Finding flashPix = NoteFinding("flashpix.present").With("model", "X-T3");
    // Umlauts and the low-high quotes are Windows-1252 bytes of their own, so a file read in
    // any other code page shows them wrongly.
    QTest::newRow("German, a number")
        << 1031 << original
        << QStringLiteral("Die MakerNote stammt von der Kamera selbst und enth\u00E4lt 42 Eintr\u00E4ge.");
    QTest::newRow("German, yes and no")
        << 1031 << withoutRules
        << QStringLiteral(
               "F\u00FCr diesen Hersteller gibt es keine MakerNote-Regeln; MakerNote vorhanden: ja, "
               "EXIF vorhanden: nein.");
    QTest::newRow("German, quoted text")
        << 1031 << flashPix
        << QStringLiteral("Das FlashPix-Segment, das Fujifilm-Kameras schreiben, ist "
                          "vorhanden (Modell \u201EX-T3\u201C).");
    QTest::newRow("Chinese, yes and no")
        << 2052 << withoutRules
        << QStringLiteral("\u8BE5\u5236\u9020\u5546\u6CA1\u6709 MakerNote \u89C4\u5219\uFF1B\u6709 MakerNote"
                          "\uFF1A\u662F\uFF0C\u6709 EXIF\uFF1A\u5426\u3002");
    QTest::newRow("English, built in")
        << 1033 << original << QStringLiteral("The MakerNote is the camera's own and holds 42 entries.");
}

// The sentence a reader sees comes from the shipped file of the language, with the facts filled in.
void TextFilesTest::evidenceSpeaksTheShippedLanguage() {
    QFETCH(int, locale);
    QFETCH(Finding, finding);
    QFETCH(QString, expected);

    SetProgramLocation(PELLVANE_PROGRAM_FOLDER, "pellvane-validator");
    QCOMPARE(InitLanguage(locale), locale);
    QCOMPARE(QString::fromStdString(EvidenceText(finding)), expected);
}

QTEST_MAIN(TextFilesTest)
#include "tst_TextFiles.moc"

// Start-up rules that need no window: the command line, the interface font and its cache,
// and the small mappings from a run's outcome to what the window shows.

#include "shell/CommandLine.h"
#include "shell/Fonts.h"
#include "shell/Presentation.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pellvane;

class StartUpTest : public QObject {
    Q_OBJECT

  private slots:
    void commandLineNamesTheFile_data();
    void commandLineNamesTheFile();
    void argumentsAreJoinedIntoOneCommandLine();
    void severalArgumentsOpenTheFirstUnlessTheyAreOnePath();

    void interfaceFontFollowsTheLocale_data();
    void interfaceFontFollowsTheLocale();
    void fontQueryAnswersTheSameNameFromItsCache();

    void resultColumnsShareTheListWidth_data();
    void resultColumnsShareTheListWidth();
    void classesMapToColourPictureAndLink_data();
    void classesMapToColourPictureAndLink();
    void versionTextsArePadded_data();
    void versionTextsArePadded();

    void cleanup() { SetInstalledFontSource({}); }
};

void StartUpTest::commandLineNamesTheFile_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("expected"); // "<none>" when no analysis starts

    QTest::newRow("empty") << ""
                           << "<none>";
    QTest::newRow("only spaces") << "    "
                                 << "<none>";
    QTest::newRow("bare path") << "/photos/a.jpg"
                               << "/photos/a.jpg";
    QTest::newRow("bare path with spaces, taken whole") << "  /my photos/a b.jpg "
                                                        << "/my photos/a b.jpg";
    QTest::newRow("double quotes") << "\"/photos/a.jpg\""
                                   << "/photos/a.jpg";
    QTest::newRow("single quotes") << "'/photos/a.jpg'"
                                   << "/photos/a.jpg";
    QTest::newRow("spaces inside the quotes are trimmed") << "\"  /photos/a.jpg  \""
                                                          << "/photos/a.jpg";
    QTest::newRow("two quoted paths: the first") << "\"/photos/a.jpg\" \"/photos/b.jpg\""
                                                 << "/photos/a.jpg";
    QTest::newRow("text before the quote is ignored") << "--flag '/photos/a.jpg' tail"
                                                      << "/photos/a.jpg";
    QTest::newRow("unclosed quote") << "\"/photos/a.jpg"
                                    << "<none>";
    QTest::newRow("empty quotes") << "\"\""
                                  << "<none>";
    QTest::newRow("mixed quotes pair up") << "'/photos/a.jpg\""
                                          << "/photos/a.jpg";
}

void StartUpTest::commandLineNamesTheFile() {
    QFETCH(QString, commandLine);
    QFETCH(QString, expected);
    const std::optional<std::string> path = FileFromCommandLine(commandLine.toStdString());
    QCOMPARE(path ? QString::fromStdString(*path) : QStringLiteral("<none>"), expected);
}

void StartUpTest::argumentsAreJoinedIntoOneCommandLine() {
    const char* const argv[] = {"pellvane-validator", "/my photos/a.jpg", "b.jpg"};
    QCOMPARE(QString::fromStdString(RawArguments(3, argv)), QStringLiteral("/my photos/a.jpg b.jpg"));
    QCOMPARE(QString::fromStdString(RawArguments(1, argv)), QString());

    // An existing file whose name holds an apostrophe is opened, not cut at the apostrophe.
    QTemporaryDir folder;
    const QString path = folder.filePath("o'brien.jpg");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const std::optional<std::string> chosen = FileFromCommandLine(path.toStdString());
    QVERIFY(chosen);
    QCOMPARE(QString::fromStdString(*chosen), path);
}

void StartUpTest::severalArgumentsOpenTheFirstUnlessTheyAreOnePath() {
    QTemporaryDir folder;
    const auto touch = [&folder](const QString& name) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    };
    touch("a.jpg");
    touch("b.jpg");
    touch("my photo.jpg");
    const std::string a = folder.filePath("a.jpg").toStdString();
    const std::string b = folder.filePath("b.jpg").toStdString();
    const std::string my = folder.filePath("my").toStdString();
    const struct {
        std::vector<std::string> arguments;
        std::string commandLine;
        std::string opened;
    } cases[] = {
        {{a}, a, a},
        {{a, b}, a, a},                                                 // two files: the first
        {{my, "photo.jpg"}, my + " photo.jpg", my + " photo.jpg"},      // one path split at its space
        {{"\"" + a, b + "\""}, "\"" + a + " " + b + "\"", a + " " + b}, // a quoted part is kept whole
        {{"/nowhere/x.jpg", "/nowhere/y.jpg"}, "/nowhere/x.jpg", "/nowhere/x.jpg"},
    };
    for (const auto& [arguments, commandLine, opened] : cases) {
        std::vector<const char*> argv{"pellvane-validator"};
        for (const std::string& argument : arguments)
            argv.push_back(argument.c_str());
        const std::string line = CommandLineOf(int(argv.size()), argv.data());
        QCOMPARE(QString::fromStdString(line), QString::fromStdString(commandLine));
        QCOMPARE(QString::fromStdString(FileFromCommandLine(line).value_or("<none>")),
                 QString::fromStdString(opened));
    }
}

void StartUpTest::interfaceFontFollowsTheLocale_data() {
    QTest::addColumn<int>("locale");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("face");

    const QString yaheiChinese = QStringLiteral("\u5FAE\u8F6F\u96C5\u9ED1");
    QTest::newRow("Japanese installed") << 1041 << QStringList{"Meiryo UI", "Segoe UI"} << "Meiryo UI";
    QTest::newRow("Japanese missing") << 1041 << QStringList{"Segoe UI"} << "Segoe UI";
    QTest::newRow("Japanese, wrong case") << 1041 << QStringList{"meiryo ui"} << "Segoe UI";
    QTest::newRow("Korean") << 1042 << QStringList{"Malgun Gothic"} << "Malgun Gothic";
    QTest::newRow("Taiwan") << 1028 << QStringList{"Microsoft JhengHei UI"} << "Microsoft JhengHei UI";
    QTest::newRow("Hong Kong") << 3076 << QStringList{"Microsoft JhengHei UI"} << "Microsoft JhengHei UI";
    QTest::newRow("Chinese-script name first")
        << 2052 << QStringList{"Microsoft YaHei UI", yaheiChinese} << yaheiChinese;
    QTest::newRow("then the Latin name") << 4100 << QStringList{"Microsoft YaHei UI"} << "Microsoft YaHei UI";
    QTest::newRow("then Segoe UI") << 2052 << QStringList{} << "Segoe UI";
    QTest::newRow("any other locale") << 1031 << QStringList{"Meiryo UI"} << "Segoe UI";
}

void StartUpTest::interfaceFontFollowsTheLocale() {
    QFETCH(int, locale);
    QFETCH(QStringList, installed);
    QFETCH(QString, face);
    SetInstalledFontSource([installed] { return installed; });
    QCOMPARE(GetUIFontName(locale), face);
}

void StartUpTest::fontQueryAnswersTheSameNameFromItsCache() {
    int enumerations = 0;
    QStringList installed{"Meiryo UI"};
    SetInstalledFontSource([&] {
        ++enumerations;
        return installed;
    });
    QVERIFY(IsFontInstalled("Meiryo UI"));
    installed.clear(); // the cache must answer, not a new enumeration
    QVERIFY(IsFontInstalled("Meiryo UI"));
    QCOMPARE(enumerations, 1);
    QVERIFY(!IsFontInstalled("Segoe UI"));
    QCOMPARE(enumerations, 2);
    // Only one name is remembered: going back to the first name enumerates again.
    QVERIFY(!IsFontInstalled("Meiryo UI"));
    QCOMPARE(enumerations, 3);
}

void StartUpTest::resultColumnsShareTheListWidth_data() {
    QTest::addColumn<int>("listWidth");
    QTest::addColumn<int>("scrollBar");
    QTest::addColumn<int>("description");
    QTest::addColumn<int>("result");
    QTest::newRow("500 wide, 17 scroll bar") << 500 << 17 << 326 << 153;
    // 25 usable pixels split exactly into 17 and 8; 29 into 19.72 and 9.28.
    QTest::newRow("exact split") << 46 << 17 << 17 << 8;
    QTest::newRow("rounded both ways") << 50 << 17 << 20 << 9;
    // A list narrower than its scroll bar gives negative widths (-7.48 and -3.52), which
    // the window raises to one pixel.
    QTest::newRow("narrower than the scroll bar") << 10 << 17 << -7 << -4;
}

void StartUpTest::resultColumnsShareTheListWidth() {
    QFETCH(int, listWidth);
    QFETCH(int, scrollBar);
    QFETCH(int, description);
    QFETCH(int, result);
    const ColumnWidths widths = ResultColumnWidths(listWidth, scrollBar);
    QCOMPARE(int(widths.description), description);
    QCOMPARE(int(widths.result), result);
}

void StartUpTest::classesMapToColourPictureAndLink_data() {
    QTest::addColumn<int>("ratingClass");
    QTest::addColumn<uint>("colour");
    QTest::addColumn<int>("picture");
    QTest::addColumn<QString>("linkType");
    QTest::newRow("class 1") << 1 << 0xB41010u << 0 << "report";
    QTest::newRow("class 2") << 2 << 0xB41010u << 1 << "report";
    QTest::newRow("class 3") << 3 << 0xE19D0Fu << 2 << "submit";
    QTest::newRow("class 4") << 4 << 0x2F921Du << 3 << "submit";
    QTest::newRow("class 5") << 5 << 0x2F921Du << 4 << "submit";
    QTest::newRow("out of range low") << 0 << 0x2F921Du << 0 << "report";
    QTest::newRow("out of range high") << 9 << 0x2F921Du << 4 << "submit";
}

void StartUpTest::classesMapToColourPictureAndLink() {
    QFETCH(int, ratingClass);
    QFETCH(uint, colour);
    QFETCH(int, picture);
    QFETCH(QString, linkType);
    QCOMPARE(ClassColour(int16_t(ratingClass)), colour);
    QCOMPARE(RatingImageIndex(int16_t(ratingClass)), picture);
    QCOMPARE(QString::fromStdString(TipsLinkPath(int16_t(ratingClass))),
             "/report/?from=vldt&type=" + linkType);
}

void StartUpTest::versionTextsArePadded_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("about");
    QTest::addColumn<QString>("stored");
    QTest::newRow("short numbers") << 1 << 5 << 7 << "v1.05"
                                   << "Version 1.05 Build 0007"
                                   << "0007";
    QTest::newRow("two-digit minor") << 2 << 12 << 345 << "v2.12"
                                     << "Version 2.12 Build 0345"
                                     << "0345";
    QTest::newRow("long revision as is") << 1 << 0 << 12345 << "v1.00"
                                         << "Version 1.00 Build 12345"
                                         << "12345";
}

void StartUpTest::versionTextsArePadded() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, label);
    QFETCH(QString, about);
    QFETCH(QString, stored);
    QCOMPARE(QString::fromStdString(VersionLabel(major, minor)), label);
    QCOMPARE(QString::fromStdString(AboutVersionLabel("Version", major, minor, revision)), about);
    QCOMPARE(QString::fromStdString(PaddedRevision(revision)), stored);
}

QTEST_MAIN(StartUpTest)
#include "tst_StartUp.moc"

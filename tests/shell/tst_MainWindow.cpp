// The main window as a user meets it: the three screens, files from the command line and
// from drops, the close request during a run, the results list, the rating and messages,
// the language menu, the About window, and a real run on a corpus photo checked against
// the command line's report of the same file.

#include "ShellFixtures.h"

#include "analysis/Evidence.h"
#include "controls/ucCanvas.h"
#include "shell/CommandLine.h"
#include "shell/Dialogs.h"
#include "shell/ImageStrip.h"
#include "shell/Presentation.h"
#include "shell/Settings.h"
#include "shell/Version.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QProxyStyle>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>

#include <algorithm>

using namespace pellvane;
using namespace pellvane::testing;

namespace {

// Reports a 17-pixel scroll bar whatever the platform style draws, as the list layout's
// reference case assumes.
class SeventeenPixelScrollBars : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_ScrollBarExtent) return 17;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

Finding SizeFinding(const char* tag, int64_t value, int64_t frame, std::optional<int16_t> status) {
    Finding finding =
        status ? StatusFinding("exif-external.size", *status) : NoteFinding("exif-external.size");
    finding.With("tag", tag).With("value", value).With("frame", frame);
    return finding;
}

// A report whose rows carry findings: a note, then the finding that decided the row.
AnalysisReport ReportWithEvidence() {
    AnalysisReport report;
    report.rows = {{"EXIF External Consistency",
                    "Window.Main.Results.ExifExtConsistency",
                    1,
                    "Fail",
                    0,
                    {SizeFinding("PixelXDimension", 800, 800, std::nullopt),
                     SizeFinding("PixelYDimension", 1200, 600, int16_t(1))}},
                   {"Histogram",
                    "Window.Main.Results.Histogram",
                    5,
                    "Pass",
                    3,
                    {SizeFinding("ImageWidth", 40, 40, int16_t(5))}}};
    report.ratingClass = 1;
    report.title = "Class 1";
    report.description = "Compelling evidence";
    report.messages.message = "Processed by: Editor";
    report.messages.panels = {true, true, false};
    report.openResult = 0;
    report.picture.InitializeDIB(40, 30);
    return report;
}

AnalysisReport ReportOfClass(int16_t ratingClass) {
    AnalysisReport report;
    report.rows = {{"MakerNote Data", "Window.Main.Results.MakerNote", 1, "Fail", 0, {}},
                   {"EXIF Format", "Window.Main.Results.EXIF", 3, "Suspected", 2, {}},
                   {"Histogram", "Window.Main.Results.Histogram", 5, "Pass", 3, {}}};
    report.ratingClass = ratingClass;
    report.title = "Class " + std::to_string(ratingClass);
    report.description = "Description of class " + std::to_string(ratingClass);
    report.messages.message = "<b>Main message</b>";
    report.messages.linkCaption =
        ratingClass < 3 ? "Report Mistakes or Ask an Expert" : "Submit for Further Analysis";
    report.messages.link = ratingClass < 3 ? LinkType::Report : LinkType::Submit;
    report.messages.alertIcon = ratingClass <= 2;
    report.messages.warningIcon = ratingClass == 3;
    report.messages.noticeIcon = ratingClass >= 4;
    report.messages.panels = {true, ratingClass != 5, false};
    report.openResult = 0;
    report.picture.InitializeDIB(40, 30);
    return report;
}

// Stands in for the analysis run: records the paths it is given, lets a test act while the
// run is busy, and answers a prepared report.
struct FakeRun {
    QStringList paths;
    std::function<void(frmMain&, IAnalysisObserver&)> during;
    AnalysisReport report = ReportOfClass(5);
    frmMain* window = nullptr;

    frmMain::Analyzer Analyzer() {
        return [this](const std::string& path, std::unique_ptr<IExifCodec>&, const AnalysisSettings&,
                      IAnalysisObserver& observer) {
            paths << QString::fromStdString(path);
            observer.Progress(20);
            if (during) during(*window, observer);
            AnalysisReport copy = report;
            copy.picture = report.picture;
            return copy;
        };
    }
};

// Stands in for the user at the window's dialogs: answers the open dialog from a list of
// prepared answers (cancel when none is left) and closes every message at once, recording
// what each was asked to show.
struct FakeUser {
    QStringList answers;
    QList<FileRequest> requests;
    QList<UserMessage> messages;

    void Install(frmMain& window) {
        window.SetFileChooser([this](QWidget&, const FileRequest& request) {
            requests << request;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
        window.SetMessagePresenter([this](QWidget&, const UserMessage& message) { messages << message; });
    }
    QStringList MessageTexts() const {
        QStringList texts;
        for (const UserMessage& message : messages)
            texts << message.text;
        return texts;
    }
};

struct Window {
    FakeRun run;
    FakeUser user;
    std::unique_ptr<frmMain> window;

    explicit Window(const QString& commandLine = {}) {
        window = std::make_unique<frmMain>(commandLine, run.Analyzer());
        user.Install(*window);
        run.window = window.get();
        window->show();
    }
    template <typename T> T* Child(const char* name) const {
        return window->findChild<T*>(QLatin1String(name));
    }
    bool RunAndWait(const QString& path) {
        QSignalSpy finished(window.get(), &frmMain::AnalysisFinished);
        window->AnalyzeFile(path);
        return finished.count() == 1;
    }
};

std::unique_ptr<QMimeData> FileDrop(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

// Drags files onto a point of the window through its native window, so that the drop finds
// its target as a real one would: the widget under the point or the nearest parent that
// accepts drops.
void DropFiles(frmMain& window, QWidget& onto, const QStringList& paths) {
    const QPointF point = onto.mapTo(&window, onto.rect().center());
    const std::unique_ptr<QMimeData> data = FileDrop(paths);
    QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &enter);
    QDropEvent drop(point, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &drop);
}

// True once no timer of the window itself is waiting to fire.
bool NoTimerPending(const frmMain& window) {
    for (const QTimer* timer : window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
        if (timer->isActive()) return false;
    return true;
}

QImage ImageOf(const QIcon& icon, int size) {
    return icon.pixmap(QSize(size, size)).toImage();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();

    void loadShowsTheStartScreenAndRecordsTheProgram();
    void commandLineStartsOneRun_data();
    void commandLineStartsOneRun();
    void closeIsRefusedWhileBusy();
    void droppedFilesOpenTheFirstOnly();
    void dropWhileBusyIsIgnored();
    void restartShowsTheOpenButtonAgain();
    void openButtonAnalysesTheChosenFileAndCancelDoesNothing();
    void realDialogsAskForOneFileAndShowPlainText();
    void listColumnsShareTheWidthAndHideTheSortKeys();
    void rowsCarryStatusIconsAndSortKeys();
    void classesShowTheirColourPictureAndLink_data();
    void classesShowTheirColourPictureAndLink();
    void messagePanelsFollowTheReport();
    void refusedFileReturnsToTheStartScreen();
    void runThatThrowsEndsWithAMessageAndLeavesTheWindowUsable();
    void watchdogEndsAPauseThatRunsOn();
    void languageMenuShowsTranslationsAndSavesTheChoice();
    void aboutWindowShowsVersionAndTranslatorCredit();
    void fullRunMatchesTheCommandLineReport();

    void selectingARowShowsItsEvidence();
    void keyboardReachesTheOpenButtonAndTheList();
    void copyPutsTheReportOnTheClipboard();
    void twoCommandLineArgumentsOpenTheFirst();
    void headerNamesTheFileBeingJudged();
    void openDialogStartsInTheLastFolder();
    void answeredOpenDialogTakesItsCompletionPopupAlong();
    void previewZoomsAndFits();
    void workingLabelIsShownWhole_data();
    void workingLabelIsShownWhole();
    void windowFitsAScreenOfHalfTheSize();
    void pictureTooLargeIsNamedInTheRefusal();
    void aboutWindowMakesRoomForATranslatedCredit();
    void fileSummaryNamesSizeAndCamera();

  private:
    std::unique_ptr<PrivateSettings> settings_;
    std::unique_ptr<ProgramFolder> program_;
};

void MainWindowTest::initTestCase() {
    QApplication::setStyle(new SeventeenPixelScrollBars); // the application takes ownership
    settings_ = std::make_unique<PrivateSettings>();
    InstallTranslationLookup();
}

void MainWindowTest::init() {
    // Every test starts English, with an empty language folder and no chosen language.
    program_ = std::make_unique<ProgramFolder>();
    SaveSetting("Validator", "LocaleID", "1033");
    SaveSetting("Validator", "LastFolder", "");
}

void MainWindowTest::loadShowsTheStartScreenAndRecordsTheProgram() {
    SaveSetting("AppInfo", "ValidatorVersion", "stale");
    QTemporaryDir temp;
    const QByteArray savedTemp = qgetenv("TEMP");
    qputenv("TEMP", temp.path().toLocal8Bit());
    Window w;
    if (savedTemp.isNull()) {
        qunsetenv("TEMP");
    } else {
        qputenv("TEMP", savedTemp);
    }
    // The small icon the maker's other programs show lies in the temporary folder.
    const QImage smallIcon(temp.filePath("pelvncheck.ico"), "ICO");
    QCOMPARE(smallIcon.size(), QSize(16, 16));

    QVERIFY(w.Child<QToolButton>("tbStart")->isVisible());
    for (const char* hidden : {"picBox", "cmdBack", "cmdClose", "lblWorking", "pbWorking"})
        QVERIFY2(!w.Child<QWidget>(hidden)->isVisible(), hidden);
    QCOMPARE(w.window->windowTitle(), QStringLiteral("Pellvane Photo Validator"));
    QCOMPARE(w.Child<QLabel>("lblVer")->text(),
             QString::fromStdString(VersionLabel(kVersionMajor, kVersionMinor)));
    QCOMPARE(GetSetting("AppInfo", "ValidatorVersion"),
             QString::fromStdString(PaddedRevision(kVersionRevision)));
    QCOMPARE(GetSetting("AppInfo", "Validator"), QCoreApplication::applicationFilePath());
}

void MainWindowTest::commandLineStartsOneRun_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("analysed");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("single quotes") << "'/photos/a b.jpg'" << QStringList{"/photos/a b.jpg"};
    QTest::newRow("two quoted paths")
        << "\"/photos/a.jpg\" \"/photos/b.jpg\"" << QStringList{"/photos/a.jpg"};
    QTest::newRow("unclosed quote") << "\"/photos/a.jpg" << QStringList{};
}

void MainWindowTest::commandLineStartsOneRun() {
    QFETCH(QString, commandLine);
    QFETCH(QStringList, analysed);
    Window w(commandLine);
    // The run pauses and processes events for longer than the timer's interval; the timer
    // must still fire only once.
    w.run.during = [](frmMain&, IAnalysisObserver& observer) { observer.Pause(200); };
    if (!analysed.isEmpty()) QTRY_COMPARE_WITH_TIMEOUT(w.run.paths, analysed, 10000);
    // Once the run is over and no timer of the window is left running, nothing can start a
    // second run.
    QTRY_VERIFY_WITH_TIMEOUT(!w.window->IsBusy() && NoTimerPending(*w.window), 10000);
    QCoreApplication::processEvents();
    QCOMPARE(w.run.paths, analysed);
    QCOMPARE(w.Child<QWidget>("picBox")->isVisible(), !analysed.isEmpty());
}

void MainWindowTest::closeIsRefusedWhileBusy() {
    Window w;
    bool closedDuringRun = true;
    w.run.during = [&](frmMain& window, IAnalysisObserver&) {
        QVERIFY(window.IsBusy());
        closedDuringRun = window.close();
    };
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    QVERIFY(!closedDuringRun);
    QVERIFY(w.window->isVisible());
    QVERIFY(!w.window->IsBusy());
    QVERIFY(w.window->close());
    QVERIFY(!w.window->isVisible());
    QCOMPARE(GetSetting("Validator", "LocaleID"), QStringLiteral("1033"));
}

void MainWindowTest::droppedFilesOpenTheFirstOnly() {
    Window w;
    QSignalSpy finished(w.window.get(), &frmMain::AnalysisFinished);
    DropFiles(*w.window, *w.Child<QWidget>("tbStart"), {"/photos/1.jpg", "/photos/2.jpg", "/photos/3.jpg"});
    QVERIFY(finished.wait(5000));
    QCOMPARE(w.run.paths, QStringList{"/photos/1.jpg"});

    // On the results screen a drop on the list starts the next run directly.
    DropFiles(*w.window, *w.Child<QWidget>("lvResults"), {"/photos/4.jpg"});
    QVERIFY(finished.wait(5000));
    QCOMPARE(w.run.paths, (QStringList{"/photos/1.jpg", "/photos/4.jpg"}));

    // A drag that carries no files starts nothing.
    QMimeData text;
    text.setText("not a file");
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.window.get(), &drop);
    // A run the drop started would wait only for the events already posted.
    QCoreApplication::processEvents();
    QCOMPARE(w.run.paths.size(), 2);
}

void MainWindowTest::dropWhileBusyIsIgnored() {
    Window w;
    w.run.during = [](frmMain& window, IAnalysisObserver& observer) {
        const std::unique_ptr<QMimeData> data = FileDrop({"/photos/second.jpg"});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &drop);
        // Events are processed during the run (a pause handles them) and after it.
        observer.Pause(0);
    };
    QVERIFY(w.RunAndWait("/photos/first.jpg"));
    w.run.during = nullptr;
    QCoreApplication::processEvents();
    QCOMPARE(w.run.paths, QStringList{"/photos/first.jpg"});
}

void MainWindowTest::restartShowsTheOpenButtonAgain() {
    Window w;
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    QVERIFY(w.Child<QWidget>("picBox")->isVisible());
    QVERIFY(w.Child<QWidget>("cmdBack")->isVisible());
    QVERIFY(!w.Child<QWidget>("tbStart")->isVisible());
    QVERIFY(!w.Child<QWidget>("pbWorking")->isVisible());

    QTest::mouseClick(w.Child<QAbstractButton>("cmdBack"), Qt::LeftButton);
    QVERIFY(w.Child<QWidget>("tbStart")->isVisible());
    for (const char* hidden : {"picBox", "cmdBack", "cmdClose", "lblWorking", "pbWorking"})
        QVERIFY2(!w.Child<QWidget>(hidden)->isVisible(), hidden);
}

void MainWindowTest::openButtonAnalysesTheChosenFileAndCancelDoesNothing() {
    Window w;
    QTest::mouseClick(w.Child<QAbstractButton>("tbStart"), Qt::LeftButton); // cancelled
    QVERIFY(w.run.paths.isEmpty());
    QVERIFY(w.Child<QWidget>("tbStart")->isVisible());

    w.user.answers = {"/photos/chosen.jpg"};
    QTest::mouseClick(w.Child<QAbstractButton>("tbStart"), Qt::LeftButton);
    QCOMPARE(w.run.paths, QStringList{"/photos/chosen.jpg"});
    QVERIFY(w.Child<QWidget>("picBox")->isVisible());

    QCOMPARE(w.user.requests.size(), 2);
    for (const FileRequest& request : w.user.requests) {
        QCOMPARE(request.title, QStringLiteral("Open"));
        QCOMPARE(request.nameFilters,
                 (QStringList{"JPEG Images (*.[jJ][pP][gG] *.[jJ][pP][eE][gG])", "All Formats (*.*) (*)"}));
    }
}

void MainWindowTest::realDialogsAskForOneFileAndShowPlainText() {
    QWidget parent;
    const FileRequest request{"Open", {"JPEG Images (*.[jJ][pP][gG] *.[jJ][pP][eE][gG])", "All (*)"}};
    const std::unique_ptr<QFileDialog> dialog = MakeOpenDialog(parent, request);
    QCOMPARE(dialog->parentWidget(), &parent);
    QCOMPARE(dialog->windowTitle(), request.title);
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    QVERIFY(dialog->testOption(QFileDialog::HideNameFilterDetails));
    QCOMPARE(dialog->nameFilters(), request.nameFilters);
    QVERIFY(!dialog->isVisible());

    const UserMessage message{QMessageBox::Critical, "ERROR", "<b>not markup</b>"};
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, message);
    QCOMPARE(box->parentWidget(), &parent);
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->windowTitle(), QStringLiteral("ERROR"));
    QCOMPARE(box->text(), message.text);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
}

void MainWindowTest::listColumnsShareTheWidthAndHideTheSortKeys() {
    Window w;
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    auto* list = w.Child<QTreeWidget>("lvResults");
    list->setFixedWidth(500);
    QTRY_COMPARE(list->width(), 500);
    QCOMPARE(list->columnWidth(0), 326);
    QCOMPARE(list->columnWidth(1), 153);
    QVERIFY(list->isColumnHidden(2));
    QVERIFY(list->isColumnHidden(3));
    QCOMPARE(list->header()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("Test Description"));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("Result"));
}

void MainWindowTest::rowsCarryStatusIconsAndSortKeys() {
    Window w;
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    auto* list = w.Child<QTreeWidget>("lvResults");
    QCOMPARE(list->topLevelItemCount(), 3);
    const ImageStrip status(":/images/STATUS.svg", 4);
    const int iconIndex[] = {0, 2, 3};
    for (int i = 0; i < 3; ++i) {
        const ResultRow& row = w.run.report.rows[size_t(i)];
        const QTreeWidgetItem* item = list->topLevelItem(i);
        QCOMPARE(item->text(0), QString::fromStdString(row.caption));
        QCOMPARE(item->text(1), QString::fromStdString(row.word));
        QCOMPARE(item->text(2), QString::number(row.level));
        QCOMPARE(item->text(3), QString::fromStdString(row.caption));
        QCOMPARE(ImageOf(item->icon(0), 22), status.Pixmap(iconIndex[i], QSize(22, 22)).toImage());
    }
    // A second run empties the list before it fills it again. The parser-error row keeps
    // its English caption as its sort key.
    w.run.report.rows = {
        {"Unbekannte Datenstruktur", "Window.Main.Results.ParserError", 2, "Stark verd\u00E4chtig", 1, {}}};
    QVERIFY(w.RunAndWait("/photos/b.jpg"));
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("Unbekannte Datenstruktur"));
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("Unknown Data Structure"));
}

void MainWindowTest::classesShowTheirColourPictureAndLink_data() {
    QTest::addColumn<int>("ratingClass");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("linkType");
    QTest::newRow("class 1") << 1 << QColor(180, 16, 16) << "report";
    QTest::newRow("class 2") << 2 << QColor(180, 16, 16) << "report";
    QTest::newRow("class 3") << 3 << QColor(225, 157, 15) << "submit";
    QTest::newRow("class 4") << 4 << QColor(47, 146, 29) << "submit";
    QTest::newRow("class 5") << 5 << QColor(47, 146, 29) << "submit";
}

void MainWindowTest::classesShowTheirColourPictureAndLink() {
    QFETCH(int, ratingClass);
    QFETCH(QColor, colour);
    QFETCH(QString, linkType);
    Window w;
    w.run.report = ReportOfClass(int16_t(ratingClass));
    QVERIFY(w.RunAndWait("/photos/a.jpg"));

    QCOMPARE(w.window->RatingClass(), ratingClass);
    QCOMPARE(w.Child<QLabel>("lblRating")->text(), QStringLiteral("Class %1").arg(ratingClass));
    QCOMPARE(w.Child<QLabel>("lblTips1")->text(), QStringLiteral("Description of class %1").arg(ratingClass));
    auto* bar = w.Child<QLabel>("lblColor");
    const QImage barImage = bar->grab().toImage();
    QCOMPARE(barImage.pixelColor(barImage.width() / 2, barImage.height() / 2), colour);

    const ImageStrip rating(":/images/RATING.svg", 5);
    QCOMPARE(ImageOf(w.Child<QToolButton>("tbRating")->icon(), 42),
             rating.Pixmap(ratingClass - 1, QSize(42, 42)).toImage());
    QVERIFY(w.window->TipsLinkUrl().endsWith("/report/?from=vldt&type=" + linkType));
    QVERIFY(w.Child<QLabel>("lnkTips")->text().contains(
        QString::fromStdString(w.run.report.messages.linkCaption)));
}

void MainWindowTest::messagePanelsFollowTheReport() {
    Window w;
    w.run.report = ReportOfClass(1);
    w.run.report.messages.panels = {true, true, true};
    w.run.report.messages.legacyAlert = "Legacy data found, please upgrade your ";
    w.run.report.messages.legacyNotice = "editor to solve the problem: ";
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    for (const char* shown : {"picAlert0", "picAlert1", "picAlert2", "imgAlert0"})
        QVERIFY2(w.Child<QWidget>(shown)->isVisible(), shown);
    for (const char* hidden : {"imgAlert2", "imgAlert4"})
        QVERIFY2(!w.Child<QWidget>(hidden)->isVisible(), hidden);
    // Text from the file reaches the message line as text, never as markup.
    QCOMPARE(w.Child<QLabel>("lblTips2")->text(), QStringLiteral("<b>Main message</b>"));
    QCOMPARE(w.Child<QLabel>("lblTips2")->textFormat(), Qt::PlainText);
    QCOMPARE(w.Child<QLabel>("lblTips3")->text(), QStringLiteral("Legacy data found, please upgrade your "));
    QVERIFY(w.Child<QLabel>("lnkUpgrade")->isVisible());

    w.run.report = ReportOfClass(5);
    QVERIFY(w.RunAndWait("/photos/b.jpg"));
    QVERIFY(w.Child<QWidget>("picAlert0")->isVisible());
    QVERIFY(!w.Child<QWidget>("picAlert1")->isVisible());
    QVERIFY(!w.Child<QWidget>("picAlert2")->isVisible());
    QVERIFY(w.Child<QWidget>("imgAlert4")->isVisible());
    QVERIFY(!w.Child<QWidget>("imgAlert0")->isVisible());
}

void MainWindowTest::refusedFileReturnsToTheStartScreen() {
    Window w;
    QVERIFY(w.RunAndWait("/photos/a.jpg")); // a result on screen first
    w.run.report = AnalysisReport();
    w.run.report.refused = true;
    w.run.report.refusal = "Unsupported file format!";
    QVERIFY(w.RunAndWait("/photos/notes.txt"));
    QCOMPARE(w.user.MessageTexts(), QStringList{"Unsupported file format!"});
    QCOMPARE(w.user.messages[0].icon, QMessageBox::Critical);
    QCOMPARE(w.user.messages[0].title, QStringLiteral("ERROR"));
    QVERIFY(w.Child<QWidget>("tbStart")->isVisible());
    QVERIFY(!w.Child<QWidget>("picBox")->isVisible());
    QVERIFY(!w.Child<QWidget>("pbWorking")->isVisible());
    QCOMPARE(w.Child<QTreeWidget>("lvResults")->topLevelItemCount(), 0);
    QVERIFY(!w.window->IsBusy());
}

void MainWindowTest::runThatThrowsEndsWithAMessageAndLeavesTheWindowUsable() {
    Window w;
    w.run.during = [](frmMain&, IAnalysisObserver&) { throw std::runtime_error("out of memory"); };
    QVERIFY(w.RunAndWait("/photos/huge.jpg"));
    QCOMPARE(w.user.MessageTexts(), QStringList{"out of memory"});
    QVERIFY(!w.window->IsBusy());
    QVERIFY(w.Child<QWidget>("tbStart")->isVisible());
    QVERIFY(w.window->close());
}

void MainWindowTest::watchdogEndsAPauseThatRunsOn() {
    // The pause asks for ten minutes; the watchdog ends it about three seconds after the
    // tests started. Were it broken, the suite's time limit would fail this test.
    Window w;
    w.run.during = [](frmMain&, IAnalysisObserver& observer) {
        observer.TestsStarting();
        observer.Pause(600000);
    };
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    QVERIFY(w.Child<QWidget>("picBox")->isVisible());
}

void MainWindowTest::languageMenuShowsTranslationsAndSavesTheChoice() {
    program_->WriteTranslation(
        "1031",
        TranslationText("pellvane-validator.exe", 1031, "ANSI", "Deutsch",
                        "Window.Main.Caption=Fotopr\u00FCfer\r\nWindow.Main.Restart=&Neu beginnen\r\n"
                        "Window.Message.Notice.LanguageChanged=Neu starten\r\nWindow.Message.Notice=Hinweis"),
        FileEncoding::Ansi);
    SaveSetting("Validator", "LocaleID", "1031");
    Window w;
    // The title drops the product word, so the English one stands; other texts translate.
    QCOMPARE(w.window->windowTitle(), QStringLiteral("Pellvane Photo Validator"));
    QCOMPARE(w.Child<QAbstractButton>("cmdBack")->text(), QStringLiteral("&Neu beginnen"));
    QCOMPARE(w.Child<QToolButton>("cmdLanguage")->text(), QStringLiteral("Deutsch"));
    QCOMPARE(w.window->Languages().checkedIndex, int16_t(0));

    w.window->ChooseLanguageItem(0);
    QVERIFY(w.user.messages.isEmpty());
    w.window->ChooseLanguageItem(1);
    QCOMPARE(w.user.MessageTexts(), QStringList{"Please restart the program to apply language settings"});
    QCOMPARE(w.user.messages[0].icon, QMessageBox::Information);
    // The choice takes effect at the next start: the texts stay German until then.
    QCOMPARE(w.Child<QAbstractButton>("cmdBack")->text(), QStringLiteral("&Neu beginnen"));
    QVERIFY(w.window->close());
    QCOMPARE(GetSetting("Validator", "LocaleID"), QStringLiteral("1033"));
}

void MainWindowTest::aboutWindowShowsVersionAndTranslatorCredit() {
    program_->WriteTranslation(
        "1031",
        TranslationText("pellvane-validator.exe", 1031, "ANSI", "Deutsch",
                        "Window.About.Caption=\u00DCber Pellvane\r\n"
                        "Window.About.Version=Fassung\r\nWindow.About.Translation=\u00DCbersetzung",
                        "Team X"),
        FileEncoding::Ansi);
    SaveSetting("Validator", "LocaleID", "1031");
    frmAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("\u00DCber Pellvane"));
    const QString version =
        QString::fromStdString(AboutVersionLabel("Fassung", kVersionMajor, kVersionMinor, kVersionRevision));
    QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), version);
    QVERIFY(about.findChild<QLabel*>("lblCopyright")->text().endsWith(" (\u00DCbersetzung: Team X)"));
}

void MainWindowTest::fullRunMatchesTheCommandLineReport() {
    const QString photo = QStringLiteral(PELLVANE_CORPUS_DIR "/camera/Canon PowerShot A610.jpg");
    QVERIFY(QFile::exists(photo));

    frmMain window("\"" + photo + "\"");
    FakeUser user; // a refusal would otherwise wait for someone to close its message
    user.Install(window);
    QSignalSpy finished(&window, &frmMain::AnalysisFinished);
    window.show();
    QVERIFY(finished.wait(120000));
    QVERIFY(user.messages.isEmpty());
    QVERIFY(window.findChild<QWidget*>("picBox")->isVisible());

    QVERIFY2(QFile::exists(PELLVANE_VALIDATE_EXE), "the command line is built with the tests");
    QProcess cli;
    cli.start(QStringLiteral(PELLVANE_VALIDATE_EXE), {"--json", photo});
    QVERIFY(cli.waitForFinished(120000));
    const QJsonObject expected = QJsonDocument::fromJson(cli.readAllStandardOutput().trimmed()).object();
    QVERIFY(!expected.isEmpty());

    QCOMPARE(int(window.RatingClass()), expected["class"].toInt());
    auto* list = window.findChild<QTreeWidget*>("lvResults");
    const QJsonArray rows = expected["rows"].toArray();
    QVERIFY(!rows.isEmpty());
    QCOMPARE(list->topLevelItemCount(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonObject row = rows[i].toObject();
        QCOMPARE(list->topLevelItem(i)->text(0), row["test"].toString());
        QCOMPARE(list->topLevelItem(i)->text(1), row["word"].toString());
        QCOMPARE(list->topLevelItem(i)->text(2), QString::number(row["status"].toInt()));
    }
    QVERIFY(!window.findChild<ucCanvas*>("ucPreview")->Picture().IsEmpty());
}

void MainWindowTest::selectingARowShowsItsEvidence() {
    Window w;
    w.run.report = ReportWithEvidence();
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    auto* list = w.Child<QTreeWidget>("lvResults");
    auto* details = w.Child<QPlainTextEdit>("txtEvidence");
    const ResultRow& failed = w.run.report.rows[0];

    // The worst row shows its evidence at once: every finding, the deciding one marked.
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    const QStringList lines = details->toPlainText().split('\n');
    QCOMPARE(lines, (QStringList{"EXIF External Consistency: Fail",
                                 "\u2022 " + QString::fromStdString(EvidenceText(failed.findings[0])),
                                 "\u25B6 " + QString::fromStdString(EvidenceText(failed.findings[1]))}));
    QVERIFY(lines[2].contains("1200") && lines[2].contains("600"));
    // The tooltip gives the first finding without a selection.
    QCOMPARE(list->topLevelItem(0)->toolTip(0), QString::fromStdString(EvidenceText(failed.findings[0])));

    // Selecting the other row, with the mouse or the keyboard, shows its evidence instead.
    const QRect second = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QVERIFY(details->toPlainText().startsWith("Histogram: Pass\n\u25B6 "));
    QTest::keyClick(list, Qt::Key_Up);
    QVERIFY(details->toPlainText().startsWith("EXIF External Consistency: Fail\n"));

    // A run that ends in a refusal leaves no evidence of the file before on screen.
    w.run.report = AnalysisReport();
    w.run.report.refused = true;
    w.run.report.refusal = "Unsupported file format!";
    QVERIFY(w.RunAndWait("/photos/b.txt"));
    QVERIFY(details->toPlainText().isEmpty());
}

void MainWindowTest::keyboardReachesTheOpenButtonAndTheList() {
    Window w;
    QApplication::setActiveWindow(w.window.get());
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    auto* open = w.Child<QToolButton>("tbStart");
    // The start screen gives the open button the focus, and its frame shows it.
    QVERIFY(open->hasFocus());
    const QImage focused = open->grab().toImage();
    w.Child<QWidget>("cmdLanguage")->setFocus();
    QVERIFY(!open->hasFocus());
    QVERIFY(open->grab().toImage() != focused);
    // Tab comes back to it, and Enter opens the dialog.
    open->setFocus(Qt::TabFocusReason);
    QCOMPARE(open->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    w.user.answers = {"/photos/chosen.jpg"};
    QTest::keyClick(open, Qt::Key_Return);
    QCOMPARE(w.user.requests.size(), 1);
    QCOMPARE(w.run.paths, QStringList{"/photos/chosen.jpg"});

    // On the results the list has the focus, and the arrow keys walk its rows.
    auto* list = w.Child<QTreeWidget>("lvResults");
    QVERIFY(list->hasFocus());
    QCOMPARE(list->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentItem(), list->topLevelItem(1));

    // Restart gives the focus back to the open button; Enter there opens the dialog again.
    QTest::mouseClick(w.Child<QAbstractButton>("cmdBack"), Qt::LeftButton);
    QVERIFY(open->hasFocus());
    QCOMPARE(QApplication::focusWidget(), open);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(w.user.requests.size(), 2);
}

void MainWindowTest::copyPutsTheReportOnTheClipboard() {
    QTemporaryDir folder;
    const QString photo = folder.filePath("judged.jpg");
    QFile file(photo);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'x'));
    file.close();

    Window w;
    w.run.report = ReportWithEvidence();
    w.run.report.messages.legacyAlert = "Legacy data found. ";
    w.run.report.messages.legacyNotice = "Please upgrade.";
    QApplication::clipboard()->clear();
    QVERIFY(w.RunAndWait(photo));
    QApplication::setActiveWindow(w.window.get());
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QTest::keyClick(w.Child<QTreeWidget>("lvResults"), Qt::Key_C, Qt::ControlModifier);

    const ResultRow& failed = w.run.report.rows[0];
    const QString expected = "judged.jpg \u2014 2.0 KB \u2014 40 \u00D7 30\n"
                             "\n"
                             "EXIF External Consistency: Fail\n"
                             "    \u2022 " +
                             QString::fromStdString(EvidenceText(failed.findings[0])) +
                             "\n"
                             "    \u25B6 " +
                             QString::fromStdString(EvidenceText(failed.findings[1])) +
                             "\n"
                             "Histogram: Pass\n"
                             "    \u25B6 " +
                             QString::fromStdString(EvidenceText(w.run.report.rows[1].findings[0])) +
                             "\n"
                             "\n"
                             "TRUST RATING: Class 1\n"
                             "Compelling evidence\n"
                             "Processed by: Editor\n"
                             "Legacy data found. Please upgrade.\n";
    QCOMPARE(QApplication::clipboard()->text(), expected);

    // The Copy button does the same.
    QApplication::clipboard()->clear();
    QTest::mouseClick(w.Child<QAbstractButton>("cmdCopy"), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), expected);
    // On the start screen there is no report to copy.
    QTest::mouseClick(w.Child<QAbstractButton>("cmdBack"), Qt::LeftButton);
    QVERIFY(!w.Child<QWidget>("cmdCopy")->isVisible());
    QApplication::clipboard()->clear();
    QTest::keyClick(w.window.get(), Qt::Key_C, Qt::ControlModifier);
    QVERIFY(QApplication::clipboard()->text().isEmpty());
}

void MainWindowTest::twoCommandLineArgumentsOpenTheFirst() {
    QTemporaryDir folder;
    QStringList paths;
    for (const char* name : {"a.jpg", "b.jpg"}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        paths << file.fileName();
    }
    const QByteArray first = paths[0].toLocal8Bit();
    const QByteArray second = paths[1].toLocal8Bit();
    const char* const argv[] = {"pellvane-validator", first.constData(), second.constData()};
    Window w(QString::fromStdString(CommandLineOf(3, argv)));
    QTRY_COMPARE_WITH_TIMEOUT(w.run.paths, QStringList{paths[0]}, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.window->IsBusy() && NoTimerPending(*w.window), 10000);
    QCOMPARE(w.run.paths, QStringList{paths[0]});
}

void MainWindowTest::headerNamesTheFileBeingJudged() {
    // A real run, so that the camera comes from the file itself.
    const QString photo = QStringLiteral(PELLVANE_SOURCE_DIR "/examples/sample.jpg");
    QVERIFY(QFile::exists(photo));
    frmMain window("\"" + photo + "\"");
    FakeUser user;
    user.Install(window);
    QSignalSpy finished(&window, &frmMain::AnalysisFinished);
    window.show();
    QVERIFY(finished.wait(120000));
    QVERIFY(user.messages.isEmpty());
    const QString size = QString::fromStdString(ReadableSize(uint64_t(QFileInfo(photo).size())));
    QCOMPARE(window.findChild<QLabel*>("lblFile")->text(),
             "sample.jpg \u2014 " + size + " \u2014 800 \u00D7 600 \u2014 NIKON E950");
    QCOMPARE(window.windowTitle(), QStringLiteral("sample.jpg \u2014 Pellvane Photo Validator"));
    window.findChild<QAbstractButton*>("cmdBack")->click();
    QCOMPARE(window.windowTitle(), QStringLiteral("Pellvane Photo Validator"));
}

void MainWindowTest::openDialogStartsInTheLastFolder() {
    {
        Window w;
        w.user.answers = {"/photos/trip/one.jpg"};
        QTest::mouseClick(w.Child<QAbstractButton>("tbStart"), Qt::LeftButton);
        QCOMPARE(w.user.requests[0].folder, QString()); // nothing chosen before
        QTest::mouseClick(w.Child<QAbstractButton>("cmdBack"), Qt::LeftButton);
        QTest::mouseClick(w.Child<QAbstractButton>("tbStart"), Qt::LeftButton); // cancelled
        QCOMPARE(w.user.requests[1].folder, QStringLiteral("/photos/trip"));
    }
    // The next start remembers it; a cancelled dialog changed nothing.
    Window w;
    QTest::mouseClick(w.Child<QAbstractButton>("tbStart"), Qt::LeftButton);
    QCOMPARE(w.user.requests[0].folder, QStringLiteral("/photos/trip"));

    // The real dialog opens in that folder.
    QTemporaryDir folder;
    QWidget parent;
    const std::unique_ptr<QFileDialog> dialog = MakeOpenDialog(parent, {"Open", {"All (*)"}, folder.path()});
    QCOMPARE(dialog->directory().absolutePath(), QDir(folder.path()).absolutePath());
}

void MainWindowTest::answeredOpenDialogTakesItsCompletionPopupAlong() {
    QWidget parent;
    const std::unique_ptr<QFileDialog> dialog = MakeOpenDialog(parent, {"Open", {"All (*)"}, {}});
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->show();
    QList<QCompleter*> completers = dialog->findChildren<QCompleter*>();
    QVERIFY(!completers.isEmpty());
    // The popup the name field shows while the user types.
    QWidget* popup = completers.front()->popup();
    popup->show();
    QVERIFY(popup->isVisible());
    CloseOpenDialog(*dialog);
    QVERIFY(!popup->isVisible());
    QVERIFY(!dialog->isVisible());
}

void MainWindowTest::previewZoomsAndFits() {
    Window w;
    w.run.report.picture.InitializeDIB(1000, 800);
    // A pattern, so that a moved picture looks different.
    std::span<uint8_t> pixels = w.run.report.picture.BitsPointer();
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t((i * 7) / 13);
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    auto* preview = w.Child<ucCanvas>("ucPreview");
    auto* zoom = w.Child<QLabel>("lblZoom");
    auto* fit = w.Child<QToolButton>("cmdFit");
    QVERIFY(preview->FitMode());
    QVERIFY(fit->isChecked());
    QCOMPARE(zoom->text(), QStringLiteral("%1%").arg(qRound(100.0 * preview->PictureRect().width() / 1000)));

    QTest::mouseClick(w.Child<QAbstractButton>("cmdZoomIn"), Qt::LeftButton);
    QVERIFY(!preview->FitMode());
    QCOMPARE(preview->Zoom(), 1);
    QCOMPARE(zoom->text(), QStringLiteral("100%"));
    QTest::mouseClick(w.Child<QAbstractButton>("cmdZoomIn"), Qt::LeftButton);
    QCOMPARE(preview->Zoom(), 2);
    QVERIFY(!fit->isChecked());

    // Dragging pans the enlarged picture: the area under the cursor follows the mouse.
    const QImage before = preview->grab().toImage();
    const QPoint centre = preview->rect().center();
    QTest::mousePress(preview, Qt::LeftButton, {}, centre);
    QTest::mouseMove(preview, centre + QPoint(-40, -30));
    QTest::mouseRelease(preview, Qt::LeftButton, {}, centre + QPoint(-40, -30));
    QVERIFY(preview->grab().toImage() != before);

    QTest::mouseClick(w.Child<QAbstractButton>("cmdZoomOut"), Qt::LeftButton);
    QCOMPARE(preview->Zoom(), 1);
    QTest::mouseClick(w.Child<QAbstractButton>("cmdZoomOut"), Qt::LeftButton);
    QVERIFY(preview->FitMode());
    QVERIFY(!w.Child<QWidget>("cmdZoomOut")->isEnabled());

    // A double click switches to the actual size and back.
    QTest::mouseDClick(preview, Qt::LeftButton);
    QVERIFY(!preview->FitMode());
    QTest::mouseDClick(preview, Qt::LeftButton);
    QVERIFY(preview->FitMode());
    QTest::mouseClick(w.Child<QAbstractButton>("cmdZoomIn"), Qt::LeftButton);
    QTest::mouseClick(w.Child<QAbstractButton>("cmdFit"), Qt::LeftButton);
    QVERIFY(preview->FitMode());
    // The next file starts fitted.
    QTest::mouseClick(w.Child<QAbstractButton>("cmdZoomIn"), Qt::LeftButton);
    QVERIFY(w.RunAndWait("/photos/b.jpg"));
    QVERIFY(preview->FitMode());
}

void MainWindowTest::workingLabelIsShownWhole_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("English") << "Please wait while we analyze the file...";
    QTest::newRow("English test") << "Analyzing Software Data...";
    QTest::newRow("German") << "Bitte warten Sie, w\u00E4hrend die Datei analysiert wird...";
    QTest::newRow("German test") << "Analysiere Externe EXIF-Konsistenz...";
    QTest::newRow("Chinese") << "\u6B63\u5728\u5206\u6790\u6587\u4EF6\uFF0C\u8BF7\u7A0D\u5019...";
}

void MainWindowTest::workingLabelIsShownWhole() {
    QFETCH(QString, text);
    Window w;
    bool checked = false;
    w.run.during = [&](frmMain& window, IAnalysisObserver& observer) {
        observer.WorkingLabel(text.toStdString());
        window.layout()->activate();
        QCoreApplication::processEvents();
        auto* label = window.findChild<QLabel*>("lblWorking");
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), text);
        // On one line, and as high as its text: nothing is cut at the top or the bottom.
        QVERIFY2(label->contentsRect().width() >= label->fontMetrics().horizontalAdvance(text),
                 qPrintable(QString::number(label->width())));
        QVERIFY(label->height() >= label->heightForWidth(label->width()));
        QVERIFY(label->height() >= label->fontMetrics().height());
        checked = true;
    };
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    QVERIFY(checked);
}

void MainWindowTest::windowFitsAScreenOfHalfTheSize() {
    // A 1400 x 1000 screen at scale factor 2 offers 700 x 500 to the window.
    Window w;
    const QSize available = w.window->screen()->availableGeometry().size();
    QVERIFY(w.window->width() <= available.width() && w.window->height() <= available.height());
    w.window->resize(700, 460);
    QVERIFY(w.window->minimumSizeHint().width() <= 700);
    QVERIFY(w.window->minimumSizeHint().height() <= 460);
    QVERIFY(w.window->minimumWidth() <= 700 && w.window->minimumHeight() <= 460);
    QVERIFY(w.RunAndWait("/photos/a.jpg"));
    w.window->layout()->activate();
    QCOMPARE(w.window->size(), QSize(700, 460));
    // Restart and Close stay in reach; the results scroll above them.
    for (const char* name : {"cmdBack", "cmdClose", "cmdCopy"}) {
        auto* button = w.Child<QWidget>(name);
        QVERIFY2(button->isVisible(), name);
        const QRect place(button->mapTo(w.window.get(), QPoint(0, 0)), button->size());
        QVERIFY2(w.window->rect().contains(place), name);
    }
}

void MainWindowTest::pictureTooLargeIsNamedInTheRefusal() {
    Window w;
    w.run.report = AnalysisReport();
    w.run.report.refused = true;
    w.run.report.refusal = "Unsupported file format!";
    w.run.report.tooLarge = DeclaredSize{65535, 40000};
    QVERIFY(w.RunAndWait("/photos/huge.jpg"));
    QCOMPARE(w.user.messages.size(), 1);
    const QString text = w.user.messages[0].text;
    // The document's text stays first; the reason follows in the same box.
    QVERIFY(text.startsWith("Unsupported file format!\n\n"));
    QVERIFY(text.contains("too large"));
    QVERIFY(text.contains("65535 \u00D7 40000"));
    QVERIFY(text.contains(QString::number(kMaxPicturePixels)));

    // Other refusals keep their text alone.
    w.run.report.tooLarge.reset();
    QVERIFY(w.RunAndWait("/photos/broken.jpg"));
    QCOMPARE(w.user.messages[1].text, QStringLiteral("Unsupported file format!"));
}

void MainWindowTest::aboutWindowMakesRoomForATranslatedCredit() {
    program_->WriteTranslation("1031",
                               TranslationText("pellvane-validator.exe", 1031, "ANSI", "Deutsch",
                                               "Window.About.Translation=\u00DCbersetzung",
                                               "Pellvane-\u00DCbersetzungsteam und viele Helfer"),
                               FileEncoding::Ansi);
    SaveSetting("Validator", "LocaleID", "1031");
    frmAbout about;
    // The window system may not shrink it below the height its texts need at its width.
    QVERIFY(about.minimumHeight() >= about.layout()->totalHeightForWidth(about.width()));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* version = about.findChild<QLabel*>("lblVersion");
    auto* credit = about.findChild<QLabel*>("lblCopyright");
    auto* disclaimer = about.findChild<QLabel*>("lblDisclaimer");
    QVERIFY(credit->text().contains("viele Helfer"));
    // Each label gets the height its wrapped text needs, and none overlaps the next.
    for (const QLabel* label : {version, credit, disclaimer})
        QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->objectName()));
    QVERIFY(credit->geometry().top() >= version->geometry().bottom());
    QVERIFY(disclaimer->mapTo(&about, QPoint(0, 0)).y() >=
            credit->mapTo(&about, QPoint(0, credit->height())).y());
}

void MainWindowTest::fileSummaryNamesSizeAndCamera() {
    const struct {
        std::string make, model, camera;
    } cameras[] = {
        {"NIKON", "E950", "NIKON E950"},
        {"Canon", "Canon PowerShot A610", "Canon PowerShot A610"},
        {"NIKON CORPORATION", "NIKON D70", "NIKON D70"},
        {"OLYMPUS IMAGING CORP.", "E-M5", "OLYMPUS IMAGING CORP. E-M5"},
        {"", "iPhone 12", "iPhone 12"},
        {"Apple", "", "Apple"},
        {"", "", ""},
    };
    for (const auto& c : cameras)
        QCOMPARE(QString::fromStdString(CameraName(c.make, c.model)), QString::fromStdString(c.camera));

    const std::pair<uint64_t, const char*> sizes[] = {{0, "0 B"},
                                                      {1023, "1023 B"},
                                                      {1024, "1.0 KB"},
                                                      {164147, "160.3 KB"},
                                                      {5 * 1024 * 1024 + 104858, "5.1 MB"}};
    for (const auto& [bytes, text] : sizes)
        QCOMPARE(QString::fromStdString(ReadableSize(bytes)), QString::fromLatin1(text));

    // Only what is known is named.
    QCOMPARE(QString::fromStdString(FileSummaryLine({"a.jpg", 2048, 0, 0, ""})),
             QStringLiteral("a.jpg \u2014 2.0 KB"));
    QCOMPARE(QString::fromStdString(FileSummaryLine({"a.jpg", 10, 3, 2, "Foo Bar"})),
             QStringLiteral("a.jpg \u2014 10 B \u2014 3 \u00D7 2 \u2014 Foo Bar"));
}

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"

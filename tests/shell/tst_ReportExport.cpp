// The results screen's report actions: Save Report writes the same HTML the command line
// writes, Export PDF lays it out on pages, and both go where the (injected) save dialog says.

#include "ShellFixtures.h"

#include "shell/ReportExport.h"
#include "shell/frmMain.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace pellvane;

class ReportExportTest : public QObject {
    Q_OBJECT

  private slots:
    void defaultPathFollowsThePhoto();
    void savedReportAndPdfHoldTheRunOnScreen();
    void cancelledDialogWritesNothing();

  private:
    testing::PrivateSettings settings_;
};

namespace {

QString Photo() {
    return QStringLiteral(PELLVANE_CORPUS_DIR "/camera/Canon PowerShot A610.jpg");
}

QByteArray Sha256Of(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// A window that has analysed the photo, with a save dialog that answers `answers` in turn and
// records what it was asked.
struct AnalysedWindow {
    frmMain window{"\"" + Photo() + "\""};
    QStringList answers;
    QList<SaveRequest> requests;
    QStringList messages;

    bool Analyse() {
        window.SetSaveChooser([this](QWidget&, const SaveRequest& request) {
            requests << request;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
        window.SetMessagePresenter(
            [this](QWidget&, const UserMessage& message) { messages << message.text; });
        QSignalSpy finished(&window, &frmMain::AnalysisFinished);
        window.show();
        return finished.wait(120000) && messages.isEmpty();
    }
};

} // namespace

void ReportExportTest::defaultPathFollowsThePhoto() {
    QCOMPARE(DefaultReportPath("/photos/trip/IMG 0001.JPG", "html"),
             QStringLiteral("/photos/trip/IMG 0001.html"));
    QCOMPARE(DefaultReportPath("/photos/a.b.jpg", "pdf"), QStringLiteral("/photos/a.b.pdf"));
}

void ReportExportTest::savedReportAndPdfHoldTheRunOnScreen() {
    QTemporaryDir folder;
    AnalysedWindow run;
    run.answers = {folder.filePath("report.html"), folder.filePath("report.pdf")};
    QVERIFY(run.Analyse());
    auto* save = run.window.findChild<QPushButton*>("cmdSaveReport");
    auto* pdf = run.window.findChild<QPushButton*>("cmdExportPdf");
    QVERIFY(save->isVisible() && pdf->isVisible());

    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(run.requests.size(), 1);
    QCOMPARE(run.requests[0].suggestedPath,
             QStringLiteral(PELLVANE_CORPUS_DIR "/camera/Canon PowerShot A610.html"));
    QFile html(folder.filePath("report.html"));
    QVERIFY(html.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(html.readAll());
    QVERIFY(text.contains(QString::fromLatin1(Sha256Of(Photo()))));
    QVERIFY(text.contains(QStringLiteral("data-class=\"%1\"").arg(run.window.RatingClass())));
    QVERIFY(text.contains("pellvane-validator"));
    QVERIFY2(text.contains("data:image/jpeg;base64,"), "the picture on screen is in the report");
    QVERIFY2(text.contains("class=\"channel\""), "the histogram the run judged is charted");
    QVERIFY2(text.contains("id=\"codec\""), "the codec still held the file");

    QTest::mouseClick(pdf, Qt::LeftButton);
    QFile document(folder.filePath("report.pdf"));
    QVERIFY(document.open(QIODevice::ReadOnly));
    QVERIFY(document.read(5) == "%PDF-");
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) QSKIP("pdftotext is not installed");
    QProcess reader;
    reader.start(pdftotext, {folder.filePath("report.pdf"), "-"});
    QVERIFY(reader.waitForFinished(60000));
    const QString pdfText = QString::fromUtf8(reader.readAllStandardOutput()).simplified().remove(' ');
    QVERIFY2(pdfText.contains(QString::fromLatin1(Sha256Of(Photo()))), "the PDF names the file's SHA-256");
    QVERIFY(run.messages.isEmpty());
}

void ReportExportTest::cancelledDialogWritesNothing() {
    QTemporaryDir folder;
    AnalysedWindow run;
    QVERIFY(run.Analyse());
    run.window.SaveReport();
    run.window.ExportPdf();
    QCOMPARE(run.requests.size(), 2);
    QVERIFY(QDir(folder.path()).isEmpty());
    QVERIFY(run.messages.isEmpty());
}

QTEST_MAIN(ReportExportTest)
#include "tst_ReportExport.moc"

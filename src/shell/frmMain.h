#pragma once
// The main window: the start screen with its large open button, the working screen with the
// progress of a run, and the results screen that maps the run's report onto the list, the
// preview, the rating strip and the message panels.

#include "analysis/AnalysisReport.h"
#include "analysis/AnalyzeFile.h"
#include "codec/IExifCodec.h"
#include "shell/Dialogs.h"
#include "shell/ImageStrip.h"
#include "shell/Language.h"
#include "shell/ReportExport.h"
#include "shell/ReportText.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QVBoxLayout;

namespace pellvane {

class cWait;
class ucCanvas;

class frmMain : public QWidget {
    Q_OBJECT

  public:
    // The analysis run; the real one unless a test puts another in its place.
    using Analyzer =
        std::function<AnalysisReport(const std::string& path, std::unique_ptr<IExifCodec>& codec,
                                     const AnalysisSettings& settings, IAnalysisObserver& observer)>;

    // `commandLine` is the program's argument text; 50 ms after the window is built the file
    // it names, if any, is analysed.
    explicit frmMain(const QString& commandLine = {}, Analyzer analyzer = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    // The dialogs the window opens: the real ones unless a test puts others in their place.
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    void SetMessagePresenter(MessagePresenter presenter) { showMessage_ = std::move(presenter); }
    void SetSaveChooser(SaveChooser chooser) { chooseSavePath_ = std::move(chooser); }

    // The results screen's report actions: the HTML report, or a PDF of it, of the run on
    // screen, written where the save dialog says.
    void SaveReport();
    void ExportPdf();

    // Every way of choosing a file ends here. A file that arrives while a run is busy is
    // ignored: a run inside a run would share the codec and the window's controls.
    void AnalyzeFile(const QString& path);

    bool IsBusy() const { return isBusy_; }
    int16_t RatingClass() const { return ratingClass_; }
    // Where the tips link leads for the current class.
    QString TipsLinkUrl() const;
    const LanguageMenu& Languages() const { return languages_; }
    // What choosing item `index` of the language menu does.
    void ChooseLanguageItem(int index);
    // Puts the report on the screen on the clipboard as text: the file, the rows with their
    // evidence, the class and the messages (Ctrl+C or the Copy button).
    void CopyReport();

  signals:
    // A run has ended and its outcome is on screen (the results or the start screen).
    void AnalysisFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class RunObserver;

    void BuildHeader(QVBoxLayout& layout);
    void BuildBody(QVBoxLayout& layout);
    QFrame* BuildResultsPanel();
    QWidget* BuildEvidencePane();
    QWidget* BuildPreviewTools();
    QWidget* BuildRatingCard();
    QWidget* BuildMessageCard();
    void BuildFooter(QVBoxLayout& layout);
    void SetUpResultsList();
    void ApplyTexts();
    void ApplyInterfaceFont(const QString& face);
    void BuildLanguageMenuItems();
    void RecordProgramInfo() const;
    void WriteSmallIcon() const;

    void OnLoadCommand();
    void OnOpenClicked();
    void OnWatchdog();
    void OpenWebPage(std::string_view pathAndQuery) const;
    void ShowAbout();
    void FitIntoScreen();
    void RememberFolderOf(const QString& path) const;

    void ShowStartScreen();
    void ShowWorkingScreen();
    void ShowResults(AnalysisReport& report);
    void ShowRating(const AnalysisReport& report);
    void ShowMessages(const RatingMessages& messages);
    void AddResultRow(const ResultRow& row);
    void ShowSelectedEvidence();
    void ShowFileSummary(const QString& path, const AnalysisReport& report);
    void ZoomPreview(int direction);
    void FitPreview();
    void ApplyPreviewZoom();
    void LayOutColumns();
    void EndRun();
    void ShowReportButtons(bool visible);

    Analyzer analyzer_;
    FileChooser chooseFile_ = ChooseFileWithDialog;
    MessagePresenter showMessage_ = ShowMessageBox;
    SaveChooser chooseSavePath_ = ChooseSaveFileWithDialog;
    LastRun lastRun_;
    QString commandLine_;
    std::unique_ptr<IExifCodec> codec_;
    std::unique_ptr<cWait> waiter_;
    bool isBusy_ = false;
    int16_t ratingClass_ = 0;
    int scrollBarWidth_ = 0;
    LanguageMenu languages_;
    // What the results screen shows, kept for its details and for the clipboard.
    AnalysisReport shownReport_;
    FileSummary shownFile_;

    ImageStrip toolImages_;
    ImageStrip startImage_;
    ImageStrip ratingImages_;
    ImageStrip statusImages_;
    ImageStrip messageIcons_;

    // Widgets, owned by their Qt parents.
    QToolBar* tbLang_ = nullptr;
    QToolButton* cmdAbout_ = nullptr;
    QToolButton* cmdLanguage_ = nullptr;
    QMenu* mnuLangWnd_ = nullptr;
    QToolButton* tbStart_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblVer_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblWorking_ = nullptr;
    QScrollArea* scrBody_ = nullptr;
    QLabel* lblFile_ = nullptr;
    QPlainTextEdit* txtEvidence_ = nullptr;
    QToolButton* cmdFit_ = nullptr;
    QToolButton* cmdZoomOut_ = nullptr;
    QToolButton* cmdZoomIn_ = nullptr;
    QLabel* lblZoom_ = nullptr;
    QPushButton* cmdCopy_ = nullptr;
    QProgressBar* pbWorking_ = nullptr;
    QFrame* picBox_ = nullptr;
    QTreeWidget* lvResults_ = nullptr;
    ucCanvas* ucPreview_ = nullptr;
    QToolButton* tbRating_ = nullptr;
    QLabel* lblTrustRating_ = nullptr;
    QLabel* lblRating_ = nullptr;
    QLabel* lblColor_ = nullptr;
    std::array<QLabel*, 5> lblTips_{}; // lines 1 to 4; index 0 is unused
    std::array<QFrame*, 3> picAlert_{};
    std::array<QLabel*, 3> imgAlert_{}; // the alert, warning and notice icons
    QLabel* lnkTips_ = nullptr;
    QLabel* lnkUpgrade_ = nullptr;
    QPushButton* cmdBack_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    QPushButton* cmdSaveReport_ = nullptr;
    QPushButton* cmdExportPdf_ = nullptr;
    QTimer* tmrLoadCommand_ = nullptr;
    QTimer* tmrMax_ = nullptr;
};

} // namespace pellvane

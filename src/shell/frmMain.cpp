#include "shell/frmMain.h"

#include "analysis/Evidence.h"
#include "base/Text.h"
#include "controls/ucCanvas.h"
#include "shell/CommandLine.h"
#include "shell/Fonts.h"
#include "shell/Labels.h"
#include "shell/Presentation.h"
#include "shell/ReportExport.h"
#include "shell/Settings.h"
#include "shell/Version.h"
#include "shell/cWait.h"
#include "shell/frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace pellvane {
namespace {

constexpr int kLoadCommandDelayMs = 50;
constexpr int kWatchdogMs = 3000;
constexpr int kStatusIconSize = 22;
constexpr int kRatingImageSize = 42;
constexpr int kMessageIconSize = 24;
constexpr int kColumnCount = 4;
constexpr int kPreviewWidth = 264;

// The window opens at its preferred size where the screen has room for it, and never larger
// than the screen's free area; the body scrolls when the window is smaller than its content,
// so that the buttons under it stay in reach.
constexpr QSize kPreferredSize(900, 720);
constexpr QSize kMinimumSize(480, 360);

// The zoom levels of the preview, smallest first; 0 is "fit into the area".
constexpr std::array<int32_t, 6> kZoomLevels = {0, 1, 2, 4, 8, 16};

// The row of the report a list item shows.
constexpr int kRowIndexRole = Qt::UserRole + 1;

// Tags of IFD0 that name the camera.
constexpr uint32_t kMakeTag = 0x010F;
constexpr uint32_t kModelTag = 0x0110;

// The list's hidden columns hold the sort keys: the status level and the caption.
constexpr int kLevelColumn = 2;
constexpr int kCaptionColumn = 3;

QString Text(std::string_view key, std::string_view english) {
    return QString::fromStdString(GetText("Window", key, english));
}

// A tag's text without the spaces and zero bytes that pad it.
std::string TrimText(std::string text) {
    const size_t last = text.find_last_not_of(std::string_view(" \0", 2));
    text.erase(last == std::string::npos ? 0 : last + 1);
    text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
    return text;
}

QString WithoutAccelerator(QString caption) {
    return caption.remove(QLatin1Char('&'));
}

QColor ColourOf(uint32_t rgb) {
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

QLabel* LinkLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

void SetLinkCaption(QLabel* link, const QString& caption) {
    link->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(caption.toHtmlEscaped()));
}

QFont Resized(QFont font, qreal pointSize, QFont::Weight weight = QFont::Normal) {
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

const char* const kStyleSheet = R"(
#frmMain { background: #f4f6f8; }
#header { background: #ffffff; border-bottom: 1px solid #e2e6ea; }
#lblTitle { color: #1e293b; }
#lblVer { color: #64748b; }
#lblDescription { color: #475569; }
#tbStart { background: #ffffff; border: 2px dashed #c3ccd6; border-radius: 14px; padding: 18px; color: #334155; }
#tbStart:hover { background: #f8fbff; border-color: #6b8fc7; }
#tbStart:focus { border: 2px solid #2563eb; background: #f3f7ff; }
#scrBody, #bodyContent { background: transparent; border: none; }
#lblFile { color: #1e293b; font-weight: 600; }
#lblEvidence { color: #64748b; }
#txtEvidence { background: #ffffff; border: 1px solid #e2e6ea; border-radius: 6px; color: #1e293b; }
#lvResults:focus { border-color: #6b8fc7; }
#lblWorking { color: #334155; }
#lvResults { background: #ffffff; border: 1px solid #e2e6ea; border-radius: 6px; }
#ratingCard, #messageCard { background: #ffffff; border: 1px solid #e2e6ea; border-radius: 8px; }
#lblTrustRating { color: #64748b; }
#lblColor { border-radius: 3px; }
#lblTips1 { color: #475569; }
#lblTips2 { color: #1e293b; }
#lblTips3, #lblTips4 { color: #334155; }
#tbRating { border: none; background: transparent; }
)";

} // namespace

// Carries the run's progress onto the window and pauses with the window's pause object.
class frmMain::RunObserver final : public IAnalysisObserver {
  public:
    explicit RunObserver(frmMain& window) : window_(window) {}

    void Progress(int32_t percent) override {
        window_.pbWorking_->setValue(percent);
        QCoreApplication::processEvents();
    }
    void WorkingLabel(const std::string& text) override {
        window_.lblWorking_->setText(QString::fromStdString(text));
        QCoreApplication::processEvents();
    }
    void Pause(int32_t milliseconds) override {
        if (window_.waiter_) window_.waiter_->Wait(milliseconds);
    }
    void TestsStarting() override { window_.tmrMax_->start(); }
    // Kept for the report: the histogram the histogram test judges.
    void PictureDigested(const PictureDigest& digest) override {
        window_.lastRun_.histogram = digest.histogram;
    }

  private:
    frmMain& window_;
};

frmMain::frmMain(const QString& commandLine, Analyzer analyzer, QWidget* parent)
    : QWidget(parent), analyzer_(analyzer ? std::move(analyzer) : Analyzer(&pellvane::AnalyzeFile)),
      commandLine_(commandLine), toolImages_(QStringLiteral(":/images/TOOL.svg"), 2),
      startImage_(QStringLiteral(":/images/START.svg"), 1),
      ratingImages_(QStringLiteral(":/images/RATING.svg"), 5),
      statusImages_(QStringLiteral(":/images/STATUS.svg"), 4),
      messageIcons_(QStringLiteral(":/images/MESSAGE.svg"), 3) {
    setObjectName(QStringLiteral("frmMain"));
    setAcceptDrops(true);
    setStyleSheet(QLatin1String(kStyleSheet));
    setMinimumSize(kMinimumSize);

    scrollBarWidth_ = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildHeader(*layout);
    BuildBody(*layout);
    BuildFooter(*layout);

    ucPreview_->SetFitMode(true);
    ucPreview_->SetStaticEdge(IsVisualStylesActive());

    WriteSmallIcon();
    setWindowIcon(ProgramIcon());
    SetUpResultsList();
    ApplyTexts();
    RecordProgramInfo();
    BuildLanguageMenuItems();
    ShowStartScreen();
    FitIntoScreen();

    auto* copy = new QAction(this);
    copy->setObjectName(QStringLiteral("actCopy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    connect(copy, &QAction::triggered, this, [this] {
        if (picBox_->isVisible()) CopyReport();
    });
    addAction(copy);

    tmrMax_ = new QTimer(this);
    tmrMax_->setSingleShot(true);
    tmrMax_->setInterval(kWatchdogMs);
    connect(tmrMax_, &QTimer::timeout, this, &frmMain::OnWatchdog);

    // Single-shot: the analysis it starts processes events, and the timer must not fire
    // again inside its own handler.
    tmrLoadCommand_ = new QTimer(this);
    tmrLoadCommand_->setSingleShot(true);
    tmrLoadCommand_->setInterval(kLoadCommandDelayMs);
    connect(tmrLoadCommand_, &QTimer::timeout, this, &frmMain::OnLoadCommand);
    tmrLoadCommand_->start();
}

frmMain::~frmMain() = default;

void frmMain::BuildHeader(QVBoxLayout& layout) {
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("header"));
    header->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(20, 14, 12, 14);
    row->setSpacing(14);

    auto* icon = new QLabel(header);
    icon->setPixmap(ProgramIcon().pixmap(QSize(44, 44)));
    row->addWidget(icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    lblTitle_ = PlainLabel(header, "lblTitle");
    lblTitle_->setWordWrap(false);
    lblTitle_->setFont(Resized(font(), 16, QFont::DemiBold));
    lblVer_ = PlainLabel(header, "lblVer");
    lblVer_->setWordWrap(false);
    titleRow->addWidget(lblTitle_);
    titleRow->addWidget(lblVer_, 0, Qt::AlignBottom);
    titleRow->addStretch();
    texts->addLayout(titleRow);
    lblDescription_ = PlainLabel(header, "lblDescription");
    texts->addWidget(lblDescription_);
    row->addLayout(texts, 1);

    tbLang_ = new QToolBar(header);
    tbLang_->setObjectName(QStringLiteral("tbLang"));
    tbLang_->setIconSize(QSize(20, 20));
    tbLang_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cmdAbout_ = new QToolButton(tbLang_);
    cmdAbout_->setObjectName(QStringLiteral("cmdAbout"));
    cmdAbout_->setIcon(toolImages_.Icon(0));
    cmdAbout_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cmdAbout_->setAutoRaise(true);
    connect(cmdAbout_, &QToolButton::clicked, this, &frmMain::ShowAbout);
    tbLang_->addWidget(cmdAbout_);
    cmdLanguage_ = new QToolButton(tbLang_);
    cmdLanguage_->setObjectName(QStringLiteral("cmdLanguage"));
    cmdLanguage_->setIcon(toolImages_.Icon(1));
    cmdLanguage_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cmdLanguage_->setToolTip(QStringLiteral("Language"));
    cmdLanguage_->setAutoRaise(true);
    cmdLanguage_->setPopupMode(QToolButton::InstantPopup);
    mnuLangWnd_ = new QMenu(cmdLanguage_);
    mnuLangWnd_->setObjectName(QStringLiteral("mnuLangWnd"));
    cmdLanguage_->setMenu(mnuLangWnd_);
    tbLang_->addWidget(cmdLanguage_);
    row->addWidget(tbLang_, 0, Qt::AlignTop);

    layout.addWidget(header);
}

void frmMain::BuildBody(QVBoxLayout& layout) {
    scrBody_ = new QScrollArea(this);
    scrBody_->setObjectName(QStringLiteral("scrBody"));
    scrBody_->setWidgetResizable(true);
    scrBody_->setFrameShape(QFrame::NoFrame);
    scrBody_->setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget(scrBody_);
    content->setObjectName(QStringLiteral("bodyContent"));
    auto* body = new QVBoxLayout(content);
    body->setContentsMargins(20, 16, 20, 8);
    body->setSpacing(10);

    tbStart_ = new QToolButton(this);
    tbStart_->setObjectName(QStringLiteral("tbStart"));
    tbStart_->setIcon(startImage_.Icon(0));
    tbStart_->setIconSize(QSize(128, 96));
    tbStart_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbStart_->setMinimumSize(380, 230);
    tbStart_->setFont(Resized(font(), 11));
    tbStart_->setCursor(Qt::PointingHandCursor);
    // Reached by Tab and opened by Enter or Space, like any default button.
    tbStart_->setFocusPolicy(Qt::StrongFocus);
    tbStart_->installEventFilter(this);
    connect(tbStart_, &QToolButton::clicked, this, &frmMain::OnOpenClicked);

    lblWorking_ = PlainLabel(this, "lblWorking");
    lblWorking_->setAlignment(Qt::AlignCenter);
    lblWorking_->setFont(Resized(font(), 11));
    pbWorking_ = new QProgressBar(this);
    pbWorking_->setObjectName(QStringLiteral("pbWorking"));
    pbWorking_->setRange(0, 100);
    pbWorking_->setTextVisible(false);
    pbWorking_->setFixedSize(380, 10);

    picBox_ = BuildResultsPanel();

    body->addStretch(1);
    body->addWidget(tbStart_, 0, Qt::AlignCenter);
    // The label takes the body's whole width and centres its text itself: a label that wraps
    // inside a centred layout item is given its preferred width, not the height that width
    // needs, and loses its top and bottom lines.
    body->addWidget(lblWorking_);
    body->addWidget(pbWorking_, 0, Qt::AlignCenter);
    body->addWidget(picBox_, 100);
    body->addStretch(1);
    scrBody_->setWidget(content);
    layout.addWidget(scrBody_, 1);
}

QFrame* frmMain::BuildResultsPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("picBox"));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(12);

    lblFile_ = PlainLabel(panel, "lblFile");
    grid->addWidget(lblFile_, 0, 0, 1, 2);

    // The list over the evidence of its selected row; the analyst may give either more room.
    auto* split = new QSplitter(Qt::Vertical, panel);
    split->setObjectName(QStringLiteral("splResults"));
    split->setChildrenCollapsible(false);
    lvResults_ = new QTreeWidget(split);
    lvResults_->setObjectName(QStringLiteral("lvResults"));
    split->addWidget(lvResults_);
    split->addWidget(BuildEvidencePane());
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 1);
    grid->addWidget(split, 1, 0, 3, 1);

    ucPreview_ = new ucCanvas(panel);
    ucPreview_->setObjectName(QStringLiteral("ucPreview"));
    ucPreview_->setFixedSize(kPreviewWidth, 198);
    ucPreview_->installEventFilter(this);
    grid->addWidget(ucPreview_, 1, 1);
    grid->addWidget(BuildPreviewTools(), 2, 1);
    grid->addWidget(BuildRatingCard(), 3, 1);
    grid->addWidget(BuildMessageCard(), 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(3, 1);
    return panel;
}

QWidget* frmMain::BuildEvidencePane() {
    auto* pane = new QWidget(this);
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 6, 0, 0);
    column->setSpacing(4);
    auto* heading = PlainLabel(pane, "lblEvidence");
    heading->setWordWrap(false);
    heading->setFont(Resized(font(), 8.5, QFont::DemiBold));
    column->addWidget(heading);
    txtEvidence_ = new QPlainTextEdit(pane);
    txtEvidence_->setObjectName(QStringLiteral("txtEvidence"));
    txtEvidence_->setReadOnly(true);
    txtEvidence_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtEvidence_->setMinimumHeight(72);
    column->addWidget(txtEvidence_, 1);
    return pane;
}

QWidget* frmMain::BuildPreviewTools() {
    auto* tools = new QWidget(this);
    tools->setObjectName(QStringLiteral("previewTools"));
    tools->setFixedWidth(kPreviewWidth);
    auto* row = new QHBoxLayout(tools);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    const auto toolButton = [tools](const char* name, const QString& caption) {
        auto* button = new QToolButton(tools);
        button->setObjectName(QLatin1String(name));
        button->setText(caption);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::StrongFocus);
        return button;
    };
    cmdFit_ = toolButton("cmdFit", {});
    cmdFit_->setCheckable(true);
    cmdZoomOut_ = toolButton("cmdZoomOut", QStringLiteral("−"));
    cmdZoomIn_ = toolButton("cmdZoomIn", QStringLiteral("+"));
    lblZoom_ = PlainLabel(tools, "lblZoom");
    lblZoom_->setWordWrap(false);
    lblZoom_->setAlignment(Qt::AlignCenter);
    lblZoom_->setMinimumWidth(48);
    connect(cmdFit_, &QToolButton::clicked, this, &frmMain::FitPreview);
    connect(cmdZoomOut_, &QToolButton::clicked, this, [this] { ZoomPreview(-1); });
    connect(cmdZoomIn_, &QToolButton::clicked, this, [this] { ZoomPreview(+1); });
    row->addWidget(cmdFit_);
    row->addStretch();
    row->addWidget(cmdZoomOut_);
    row->addWidget(lblZoom_);
    row->addWidget(cmdZoomIn_);
    return tools;
}

QWidget* frmMain::BuildRatingCard() {
    auto* card = new QFrame(this);
    card->setObjectName(QStringLiteral("ratingCard"));
    card->setFixedWidth(264);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(14, 12, 14, 12);
    column->setSpacing(10);

    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    tbRating_ = new QToolButton(card);
    tbRating_->setObjectName(QStringLiteral("tbRating"));
    tbRating_->setIconSize(QSize(kRatingImageSize, kRatingImageSize));
    tbRating_->setFixedSize(kRatingImageSize + 4, kRatingImageSize + 4);
    tbRating_->setFocusPolicy(Qt::NoFocus);
    row->addWidget(tbRating_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    lblTrustRating_ = PlainLabel(card, "lblTrustRating");
    lblTrustRating_->setFont(Resized(font(), 8.5, QFont::DemiBold));
    lblRating_ = PlainLabel(card, "lblRating");
    lblRating_->setFont(Resized(font(), 15, QFont::Bold));
    texts->addWidget(lblTrustRating_);
    texts->addWidget(lblRating_);
    row->addLayout(texts, 1);
    column->addLayout(row);

    lblColor_ = new QLabel(card);
    lblColor_->setObjectName(QStringLiteral("lblColor"));
    lblColor_->setFixedHeight(6);
    column->addWidget(lblColor_);

    // Message line 1, the sentence that explains the class, sits with the class it explains.
    lblTips_[1] = PlainLabel(card, "lblTips1");
    column->addWidget(lblTips_[1]);
    column->addStretch();
    return card;
}

QWidget* frmMain::BuildMessageCard() {
    auto* card = new QFrame(this);
    card->setObjectName(QStringLiteral("messageCard"));
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 12, 16, 12);
    column->setSpacing(8);

    for (size_t line = 2; line < lblTips_.size(); ++line) {
        const std::string name = "lblTips" + std::to_string(line);
        lblTips_[line] = PlainLabel(card, name.c_str());
    }

    for (size_t i = 0; i < picAlert_.size(); ++i) {
        picAlert_[i] = new QFrame(card);
        picAlert_[i]->setObjectName(QStringLiteral("picAlert%1").arg(i));
    }

    // Panel 0: the message icon and the class message.
    auto* messageRow = new QHBoxLayout(picAlert_[0]);
    messageRow->setContentsMargins(0, 0, 0, 0);
    messageRow->setSpacing(10);
    for (size_t i = 0; i < imgAlert_.size(); ++i) {
        imgAlert_[i] = new QLabel(picAlert_[0]);
        imgAlert_[i]->setObjectName(QStringLiteral("imgAlert%1").arg(i * 2));
        imgAlert_[i]->setPixmap(
            messageIcons_.Pixmap(int(i), QSize(kMessageIconSize, kMessageIconSize), devicePixelRatioF()));
        imgAlert_[i]->setFixedSize(kMessageIconSize, kMessageIconSize);
        messageRow->addWidget(imgAlert_[i], 0, Qt::AlignTop);
    }
    messageRow->addWidget(lblTips_[2], 1);

    // Panel 1: the link to the maker's site.
    auto* linkRow = new QHBoxLayout(picAlert_[1]);
    linkRow->setContentsMargins(kMessageIconSize + 10, 0, 0, 0);
    lnkTips_ = LinkLabel(picAlert_[1], "lnkTips");
    connect(lnkTips_, &QLabel::linkActivated, this, [this] { OpenWebPage(TipsLinkPath(ratingClass_)); });
    linkRow->addWidget(lnkTips_);
    linkRow->addStretch();

    // Panel 2: the legacy-editor alert, its notice and the upgrade link.
    auto* legacy = new QVBoxLayout(picAlert_[2]);
    legacy->setContentsMargins(kMessageIconSize + 10, 0, 0, 0);
    legacy->setSpacing(2);
    legacy->addWidget(lblTips_[3]);
    auto* noticeRow = new QHBoxLayout;
    lblTips_[4]->setWordWrap(false);
    noticeRow->addWidget(lblTips_[4]);
    lnkUpgrade_ = LinkLabel(picAlert_[2], "lnkUpgrade");
    connect(lnkUpgrade_, &QLabel::linkActivated, this, [this] { OpenWebPage(kUpgradeLinkPath); });
    noticeRow->addWidget(lnkUpgrade_);
    noticeRow->addStretch();
    legacy->addLayout(noticeRow);

    for (QFrame* panel : picAlert_)
        column->addWidget(panel);
    return card;
}

void frmMain::BuildFooter(QVBoxLayout& layout) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 4, 20, 16);
    row->addStretch();
    cmdCopy_ = new QPushButton(this);
    cmdCopy_->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy_->setMinimumWidth(96);
    connect(cmdCopy_, &QPushButton::clicked, this, &frmMain::CopyReport);
    row->addWidget(cmdCopy_);
    cmdBack_ = new QPushButton(this);
    cmdBack_->setObjectName(QStringLiteral("cmdBack"));
    cmdBack_->setMinimumWidth(96);
    connect(cmdBack_, &QPushButton::clicked, this, &frmMain::ShowStartScreen);
    cmdClose_ = new QPushButton(this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    cmdClose_->setMinimumWidth(96);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);
    cmdSaveReport_ = new QPushButton(this);
    cmdSaveReport_->setObjectName(QStringLiteral("cmdSaveReport"));
    connect(cmdSaveReport_, &QPushButton::clicked, this, &frmMain::SaveReport);
    cmdExportPdf_ = new QPushButton(this);
    cmdExportPdf_->setObjectName(QStringLiteral("cmdExportPdf"));
    connect(cmdExportPdf_, &QPushButton::clicked, this, &frmMain::ExportPdf);
    row->insertWidget(0, cmdSaveReport_);
    row->insertWidget(1, cmdExportPdf_);
    row->addWidget(cmdBack_);
    row->addWidget(cmdClose_);
    layout.addLayout(row);
}

void frmMain::SetUpResultsList() {
    lvResults_->setColumnCount(kColumnCount);
    lvResults_->setRootIsDecorated(false);
    lvResults_->setUniformRowHeights(true);
    lvResults_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvResults_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvResults_->setIconSize(QSize(kStatusIconSize, kStatusIconSize));
    lvResults_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The analyst walks the rows with the arrow keys; each shows its evidence.
    lvResults_->setFocusPolicy(Qt::StrongFocus);
    connect(lvResults_, &QTreeWidget::currentItemChanged, this, &frmMain::ShowSelectedEvidence);
    // The user cannot resize the columns; the sort-key columns take no room at all.
    QHeaderView* header = lvResults_->header();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setMinimumSectionSize(0);
    for (const int column : {kLevelColumn, kCaptionColumn}) {
        lvResults_->setColumnWidth(column, 0);
        lvResults_->setColumnHidden(column, true);
    }
    lvResults_->installEventFilter(this);
    LayOutColumns();
}

void frmMain::LayOutColumns() {
    const ColumnWidths widths = ResultColumnWidths(lvResults_->width(), scrollBarWidth_);
    lvResults_->setColumnWidth(0, std::max<int>(widths.description, 1));
    lvResults_->setColumnWidth(1, std::max<int>(widths.result, 1));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvResults_ && event->type() == QEvent::Resize) LayOutColumns();
    if (watched == tbStart_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tbStart_->click();
            return true;
        }
    }
    // A double click on the preview switches between the fitted picture and its actual size.
    if (watched == ucPreview_ && event->type() == QEvent::MouseButtonDblClick) {
        if (ucPreview_->FitMode()) {
            ZoomPreview(+1);
        } else {
            FitPreview();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::ApplyTexts() {
    InitLanguage(0);
    const QString title = QString::fromStdString(
        TitleWithProduct(GetText("Window", "Window.Main.Caption", kProductTitle), kProductTitle));
    setWindowTitle(title);
    lblTitle_->setText(title);
    lblVer_->setText(QString::fromStdString(VersionLabel(kVersionMajor, kVersionMinor)));
    lblDescription_->setText(
        Text("Window.Main.Description",
             "Test if a digital photo is an original or has been processed since taken out "
             "from the camera."));
    const QString about = Text("Window.Tool.About", "&About");
    cmdAbout_->setText(about);
    cmdAbout_->setToolTip(WithoutAccelerator(about));
    cmdLanguage_->setText(QString::fromStdString(GetText("Setup", "LocalName", "English")));
    tbStart_->setText(Text("Window.Tool.Open", "Drag+Drop or Click to &Open"));
    lvResults_->setHeaderLabels({Text("Window.Main.Results.Description", "Test Description"),
                                 Text("Window.Main.Results.Result", "Result"), QString(), QString()});
    cmdClose_->setText(Text("Window.Main.Close", "&Close"));
    cmdBack_->setText(Text("Window.Main.Restart", "&Restart"));
    cmdSaveReport_->setText(Text("Window.Main.SaveReport", "&Save Report..."));
    cmdExportPdf_->setText(Text("Window.Main.ExportPdf", "Export &PDF..."));
    lblWorking_->setText(Text("Window.Main.Working", "Please wait while we analyze the file..."));
    lblTrustRating_->setText(Text("Window.Main.TrustRating", "TRUST RATING:"));
    findChild<QLabel*>(QStringLiteral("lblEvidence"))->setText(Text("Window.Main.Evidence", "Evidence"));
    txtEvidence_->setPlaceholderText(
        Text("Window.Main.Evidence.Hint", "Select a test to see what it compared and found."));
    cmdFit_->setText(Text("Window.Tool.Preview.Fit", "Fit"));
    cmdFit_->setToolTip(Text("Window.Tool.Preview.FitTip", "Fit the picture into the preview"));
    cmdZoomIn_->setToolTip(Text("Window.Tool.Preview.ZoomIn", "Zoom in (drag the picture to move it)"));
    cmdZoomOut_->setToolTip(Text("Window.Tool.Preview.ZoomOut", "Zoom out"));
    cmdCopy_->setText(Text("Window.Main.Copy", "Co&py"));
    cmdCopy_->setToolTip(Text("Window.Main.CopyTip", "Copy the results and their evidence as text"));
    ucPreview_->SetText(Text("Window.Tool.Preview.Error", "Preview Error"));
    const QString site = QUrl(WebSite()).host();
    SetLinkCaption(lnkUpgrade_, (site.isEmpty() ? WebSite() : site) + QStringLiteral("/upgrade"));
    ApplyInterfaceFont(GetUIFontName(CurrentTranslation().localeId));
}

void frmMain::ApplyInterfaceFont(const QString& face) {
    const auto applyTo = [&face](QWidget* widget) {
        QFont font = widget->font();
        font.setFamilies({face});
        widget->setFont(font);
    };
    applyTo(this);
    for (QWidget* child : findChildren<QWidget*>())
        applyTo(child);
}

void frmMain::RecordProgramInfo() const {
    SaveSetting(QStringLiteral("AppInfo"), QStringLiteral("Validator"),
                QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    SaveSetting(QStringLiteral("AppInfo"), QStringLiteral("ValidatorVersion"),
                QString::fromStdString(PaddedRevision(kVersionRevision)));
}

void frmMain::WriteSmallIcon() const {
    // The maker's other programs show this icon. QSaveFile writes beside the target and
    // renames, so a link planted at the name in a shared folder is replaced, not followed.
    QString folder = qEnvironmentVariable("TEMP");
    if (folder.isEmpty()) folder = QDir::tempPath();
    QSaveFile file(QDir(folder).filePath(QStringLiteral("pelvncheck.ico")));
    if (!file.open(QIODevice::WriteOnly)) return;
    if (ProgramIcon().pixmap(QSize(16, 16)).toImage().save(&file, "ICO")) file.commit();
}

void frmMain::BuildLanguageMenuItems() {
    languages_ = BuildLanguageMenu(LanguageFolder(), CurrentTranslation().localeId);
    mnuLangWnd_->clear();
    for (size_t i = 0; i < languages_.items.size(); ++i) {
        const LanguageItem& item = languages_.items[i];
        QAction* action = mnuLangWnd_->addAction(QString::fromStdString(item.caption));
        action->setObjectName(QStringLiteral("mnuLang%1").arg(i));
        action->setData(QString::fromStdString(item.tag));
        action->setCheckable(true);
        action->setChecked(item.checked);
        connect(action, &QAction::triggered, this, [this, i] { ChooseLanguageItem(int(i)); });
    }
}

void frmMain::ChooseLanguageItem(int index) {
    const std::optional<LanguageNotice> notice = ChooseLanguage(languages_, index, LanguageFolder());
    const QList<QAction*> actions = mnuLangWnd_->actions();
    for (qsizetype i = 0; i < actions.size() && size_t(i) < languages_.items.size(); ++i)
        actions[i]->setChecked(languages_.items[size_t(i)].checked);
    if (!notice) return;
    showMessage_(*this, {QMessageBox::Information, QString::fromStdString(notice->title),
                         QString::fromStdString(notice->text)});
}

void frmMain::OnLoadCommand() {
    tmrLoadCommand_->stop();
    const std::optional<std::string> path = FileFromCommandLine(commandLine_.toStdString());
    if (path) AnalyzeFile(QString::fromStdString(*path));
}

void frmMain::OnOpenClicked() {
    // File names on this system are case-sensitive, so the JPEG filter names both cases.
    const FileRequest request{
        Text("Window.Main.Open", "Open"),
        {Text("Window.Main.OpenFilter.JPEG", "JPEG Images") +
             QStringLiteral(" (*.[jJ][pP][gG] *.[jJ][pP][eE][gG])"),
         Text("Window.Main.OpenFilter.All", "All Formats (*.*)") + QStringLiteral(" (*)")},
        GetSetting(QStringLiteral("Validator"), QStringLiteral("LastFolder"))};
    const QString path = chooseFile_(*this, request);
    if (path.isEmpty()) return;
    RememberFolderOf(path);
    AnalyzeFile(path);
}

void frmMain::RememberFolderOf(const QString& path) const {
    SaveSetting(QStringLiteral("Validator"), QStringLiteral("LastFolder"), QFileInfo(path).absolutePath());
}

void frmMain::FitIntoScreen() {
    // At a large scale factor the preferred size can exceed the screen; the window then opens
    // as large as the screen's free area and scrolls its body.
    const QScreen* display = screen();
    QSize size = kPreferredSize;
    if (display) size = size.boundedTo(display->availableGeometry().size());
    resize(size.expandedTo(kMinimumSize.boundedTo(size)));
}

void frmMain::OnWatchdog() {
    tmrMax_->stop();
    if (waiter_) waiter_->Cease();
}

void frmMain::OpenWebPage(std::string_view pathAndQuery) const {
    // A browser that fails to start is not the program's failure to report.
    QDesktopServices::openUrl(
        QUrl(WebSite() + QString::fromUtf8(pathAndQuery.data(), qsizetype(pathAndQuery.size()))));
}

QString frmMain::TipsLinkUrl() const {
    return WebSite() + QString::fromStdString(TipsLinkPath(ratingClass_));
}

void frmMain::ShowAbout() {
    frmAbout about(this);
    about.exec();
}

void frmMain::ShowStartScreen() {
    tbStart_->setVisible(true);
    tbStart_->setFocus();
    picBox_->setVisible(false);
    setWindowTitle(lblTitle_->text());
    cmdCopy_->setVisible(false);
    cmdBack_->setVisible(false);
    cmdClose_->setVisible(false);
    ShowReportButtons(false);
    lblWorking_->setVisible(false);
    pbWorking_->setVisible(false);
    pbWorking_->setValue(0);
}

void frmMain::ShowWorkingScreen() {
    pbWorking_->setValue(0);
    pbWorking_->setVisible(true);
    picBox_->setVisible(false);
    tbStart_->setVisible(false);
    cmdCopy_->setVisible(false);
    cmdBack_->setVisible(false);
    cmdClose_->setVisible(false);
    ShowReportButtons(false);
    lblWorking_->setVisible(true);
    lvResults_->clear();
    txtEvidence_->clear();
}

void frmMain::AnalyzeFile(const QString& path) {
    if (isBusy_ || path.isEmpty()) return;
    // Busy from the first event processed on: a close request or a second file arriving
    // while the picture loads would otherwise tear the window down under the run.
    isBusy_ = true;
    ShowWorkingScreen();
    waiter_ = std::make_unique<cWait>();
    RunObserver observer(*this);
    observer.Progress(5);

    const AnalysisSettings settings{EditorVersion(), true};
    lastRun_ = LastRun();
    lastRun_.path = path.toStdString();
    lastRun_.editorVersion = settings.editorVersion;
    lastRun_.analysedAt = std::chrono::system_clock::now();
    AnalysisReport report;
    try {
        report = analyzer_(path.toStdString(), codec_, settings, observer);
    } catch (const std::exception& error) {
        // The run reports failures as values; anything thrown all the same (memory running
        // out, say) ends this run with its description rather than leaving the window busy.
        report = {};
        report.refused = true;
        report.refusal = error.what();
    }
    tmrMax_->stop();

    if (report.refused) {
        QString text = QString::fromStdString(report.refusal);
        // The generic refusal stays; a picture refused for its size says so under it.
        if (report.tooLarge) {
            text += QStringLiteral("\n\n") +
                    Text("Window.Message.Error.TooLarge",
                         "The picture is too large to examine: %1 \u00D7 %2 pixels, more than the %3 "
                         "pixels this program can hold.")
                        .arg(report.tooLarge->width)
                        .arg(report.tooLarge->height)
                        .arg(kMaxPicturePixels);
        }
        showMessage_(*this, {QMessageBox::Critical, Text("Window.Message.Error", "ERROR"), text});
        ShowStartScreen();
    } else {
        ShowFileSummary(path, report);
        ShowResults(report);
        lastRun_.analysis = std::move(report); // its picture went to the preview
    }
    EndRun();
}

void frmMain::EndRun() {
    waiter_.reset();
    cmdBack_->setEnabled(true);
    cmdClose_->setEnabled(true);
    pbWorking_->setVisible(false);
    lblWorking_->setText(Text("Window.Main.Working", "Please wait while we analyze the file..."));
    isBusy_ = false;
    emit AnalysisFinished();
}

void frmMain::ShowResults(AnalysisReport& report) {
    lvResults_->clear();
    ucPreview_->SetPicture(std::move(report.picture));
    shownReport_ = std::move(report);
    for (const ResultRow& row : shownReport_.rows)
        AddResultRow(row);
    ucPreview_->SetFitMode(true);
    ucPreview_->SetZoom(1);
    ShowRating(shownReport_);
    ShowMessages(shownReport_.messages);

    lblWorking_->setVisible(false);
    tbStart_->setVisible(false);
    picBox_->setVisible(true);
    cmdCopy_->setVisible(true);
    cmdBack_->setVisible(true);
    cmdClose_->setVisible(true);
    ApplyPreviewZoom();
    // The worst row, first in the list, shows its evidence at once; the arrow keys go on from it.
    if (lvResults_->topLevelItemCount() > 0) lvResults_->setCurrentItem(lvResults_->topLevelItem(0));
    lvResults_->setFocus();
    ShowReportButtons(true);
}

void frmMain::ShowFileSummary(const QString& path, const AnalysisReport& report) {
    const QFileInfo file(path);
    shownFile_ = {file.fileName().toStdString(),
                  uint64_t(std::max<qint64>(file.size(), 0)),
                  report.picture.Width(),
                  report.picture.Height(),
                  {}};
    if (codec_) {
        shownFile_.camera = CameraName(TrimText(codec_->TagValueString(kMakeTag, kIfd0)),
                                       TrimText(codec_->TagValueString(kModelTag, kIfd0)));
    }
    lblFile_->setText(QString::fromStdString(FileSummaryLine(shownFile_)));
    lblFile_->setToolTip(QDir::toNativeSeparators(file.absoluteFilePath()));
    setWindowTitle(file.fileName() + QStringLiteral(" \u2014 ") + lblTitle_->text());
}

void frmMain::ShowSelectedEvidence() {
    const QTreeWidgetItem* item = lvResults_->currentItem();
    const int index = item ? item->data(0, kRowIndexRole).toInt() : -1;
    if (index < 0 || size_t(index) >= shownReport_.rows.size()) {
        txtEvidence_->clear();
        return;
    }
    const ResultRow& row = shownReport_.rows[size_t(index)];
    QString text = QString::fromStdString(row.caption + ": " + row.word) + QLatin1Char('\n');
    for (const EvidenceLine& line : EvidenceLines(row))
        text += QString::fromStdString(MarkedEvidence(line)) + QLatin1Char('\n');
    txtEvidence_->setPlainText(text.trimmed());
}

void frmMain::CopyReport() {
    const RatingTexts texts{Text("Window.Main.TrustRating", "TRUST RATING:").toStdString()};
    QApplication::clipboard()->setText(QString::fromStdString(ReportAsText(shownFile_, shownReport_, texts)));
}

void frmMain::FitPreview() {
    ucPreview_->SetFitMode(true);
    ucPreview_->SetZoom(1);
    ApplyPreviewZoom();
}

void frmMain::ZoomPreview(int direction) {
    const int32_t current = ucPreview_->FitMode() ? 0 : ucPreview_->Zoom();
    const auto* at = std::lower_bound(kZoomLevels.begin(), kZoomLevels.end(), current);
    const auto index = std::clamp<std::ptrdiff_t>(at - kZoomLevels.begin() + direction, 0,
                                                  std::ptrdiff_t(kZoomLevels.size()) - 1);
    const int32_t level = kZoomLevels[size_t(index)];
    ucPreview_->SetFitMode(level == 0);
    ucPreview_->SetZoom(std::max(level, 1));
    ApplyPreviewZoom();
}

void frmMain::ApplyPreviewZoom() {
    ucPreview_->Resize();
    ucPreview_->Repaint();
    const bool fit = ucPreview_->FitMode();
    const int pictureWidth = ucPreview_->Picture().Width();
    // In fit mode the label tells how far the picture was shrunk.
    const int percent = !fit ? 100 * ucPreview_->Zoom()
                        : pictureWidth > 0
                            ? int(std::lround(100.0 * ucPreview_->PictureRect().width() / pictureWidth))
                            : 100;
    lblZoom_->setText(QStringLiteral("%1%").arg(percent));
    cmdFit_->setChecked(fit);
    cmdZoomOut_->setEnabled(!fit);
    cmdZoomIn_->setEnabled(ucPreview_->Zoom() < kZoomLevels.back() || fit);
    ucPreview_->setCursor(fit ? Qt::ArrowCursor : Qt::OpenHandCursor);
}

void frmMain::AddResultRow(const ResultRow& row) {
    auto* item = new QTreeWidgetItem(lvResults_);
    item->setText(0, QString::fromStdString(row.caption));
    item->setIcon(0, statusImages_.Icon(row.icon));
    item->setText(1, QString::fromStdString(row.word));
    item->setText(kLevelColumn, QString::number(row.level));
    // The parser-error row sorts by its English caption whatever its translation says.
    const bool parserError = row.key == "Window.Main.Results.ParserError";
    item->setText(kCaptionColumn, parserError ? QStringLiteral("Unknown Data Structure")
                                              : QString::fromStdString(row.caption));
    item->setData(0, kRowIndexRole, lvResults_->topLevelItemCount() - 1);
    // The first finding, for a glance without selecting the row.
    if (!row.findings.empty()) {
        const QString first = QString::fromStdString(EvidenceText(row.findings.front()));
        item->setToolTip(0, first);
        item->setToolTip(1, first);
    }
}

void frmMain::ShowRating(const AnalysisReport& report) {
    ratingClass_ = report.ratingClass;
    lblRating_->setText(QString::fromStdString(report.title));
    // The window's style sheet decides backgrounds, so the bar's colour is set through it.
    lblColor_->setStyleSheet(
        QStringLiteral("background-color: %1;").arg(ColourOf(ClassColour(ratingClass_)).name()));
    tbRating_->setIcon(ratingImages_.Icon(RatingImageIndex(ratingClass_)));
    lblTips_[1]->setText(QString::fromStdString(report.description));
}

void frmMain::ShowMessages(const RatingMessages& messages) {
    for (size_t i = 0; i < picAlert_.size(); ++i)
        picAlert_[i]->setVisible(messages.panels[i]);
    imgAlert_[0]->setVisible(messages.alertIcon);
    imgAlert_[1]->setVisible(messages.warningIcon);
    imgAlert_[2]->setVisible(messages.noticeIcon);
    lblTips_[2]->setText(QString::fromStdString(messages.message));
    lblTips_[3]->setText(QString::fromStdString(messages.legacyAlert));
    lblTips_[4]->setText(QString::fromStdString(messages.legacyNotice));
    SetLinkCaption(lnkTips_, QString::fromStdString(messages.linkCaption));
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (isBusy_) {
        event->ignore();
        return;
    }
    if (languages_.checkedIndex >= 0 && size_t(languages_.checkedIndex) < languages_.items.size()) {
        SaveSetting(QStringLiteral("Validator"), QStringLiteral("LocaleID"),
                    QString::fromStdString(languages_.items[size_t(languages_.checkedIndex)].tag));
    }
    event->accept();
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    // Only the first dropped file is analysed; a drop during a run is ignored.
    if (isBusy_) return;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        event->acceptProposedAction();
        // The run starts after the drop has been answered, so the source application is
        // not kept waiting for the whole analysis.
        const QString path = url.toLocalFile();
        QTimer::singleShot(0, this, [this, path] { AnalyzeFile(path); });
        return;
    }
}

// --- the forensic report of the run on screen ---

void frmMain::ShowReportButtons(bool visible) {
    cmdSaveReport_->setVisible(visible);
    cmdExportPdf_->setVisible(visible);
}

void frmMain::SaveReport() {
    const QString path =
        chooseSavePath_(*this, {WithoutAccelerator(cmdSaveReport_->text()),
                                DefaultReportPath(QString::fromStdString(lastRun_.path), "html"),
                                QStringLiteral("HTML (*.html *.htm)")});
    if (path.isEmpty()) return;
    if (!WriteHtmlFile(path, WindowReportHtml(lastRun_, ucPreview_->Picture(), codec_.get())))
        showMessage_(*this, {QMessageBox::Critical, Text("Window.Message.Error", "ERROR"), path});
}

void frmMain::ExportPdf() {
    const QString path =
        chooseSavePath_(*this, {WithoutAccelerator(cmdExportPdf_->text()),
                                DefaultReportPath(QString::fromStdString(lastRun_.path), "pdf"),
                                QStringLiteral("PDF (*.pdf)")});
    if (path.isEmpty()) return;
    if (!WritePdfFile(path, WindowReportHtml(lastRun_, ucPreview_->Picture(), codec_.get())))
        showMessage_(*this, {QMessageBox::Critical, Text("Window.Message.Error", "ERROR"), path});
}

} // namespace pellvane

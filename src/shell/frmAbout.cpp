#include "shell/frmAbout.h"

#include "base/Text.h"
#include "shell/Fonts.h"
#include "shell/ImageStrip.h"
#include "shell/Labels.h"
#include "shell/Language.h"
#include "shell/Presentation.h"
#include "shell/Settings.h"
#include "shell/Version.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace pellvane {
namespace {

QString Text(std::string_view key, std::string_view english) {
    return QString::fromStdString(GetText("Window", key, english));
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(ProgramIcon());
    setModal(true);
    setFixedWidth(460);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 18);
    layout->setSpacing(10);

    auto* head = new QHBoxLayout;
    head->setSpacing(16);
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(QSize(56, 56)));
    head->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    lblTitle_ = PlainLabel(this, "lblTitle");
    QFont titleFont = font();
    titleFont.setPointSizeF(13);
    titleFont.setWeight(QFont::DemiBold);
    lblTitle_->setFont(titleFont);
    lblVersion_ = PlainLabel(this, "lblVersion");
    lblCopyright_ = PlainLabel(this, "lblCopyright");
    lblCopyright_->setText(QStringLiteral("Copyright \u00A9 Pellvane"));
    texts->addWidget(lblTitle_);
    texts->addWidget(lblVersion_);
    texts->addWidget(lblCopyright_);
    head->addLayout(texts, 1);
    layout->addLayout(head);

    lblDisclaimer_ = PlainLabel(this, "lblDisclaimer");
    lblDisclaimer_->setStyleSheet(QStringLiteral("color: #64748b;"));
    layout->addWidget(lblDisclaimer_);

    auto* buttons = new QHBoxLayout;
    cmdUpdate_ = new QPushButton(this);
    cmdUpdate_->setObjectName(QStringLiteral("cmdUpdate"));
    connect(cmdUpdate_, &QPushButton::clicked, this, [] {
        // A browser that fails to start is not the program's failure to report.
        QDesktopServices::openUrl(QUrl(WebSite() + QString::fromUtf8(kUpdateCheckPath.data())));
    });
    cmdOK_ = new QPushButton(this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(cmdUpdate_);
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    layout->addLayout(buttons);

    ApplyTexts();
    // The width is fixed, so the height follows the texts: a translated credit that wraps
    // needs more lines than the English one, and a window of the English height would
    // draw it over the version line.
    setFixedHeight(std::max(layout->totalHeightForWidth(width()), layout->totalMinimumSize().height()));
}

void frmAbout::ApplyTexts() {
    InitLanguage(0);
    const QString title = QString::fromStdString(
        TitleWithProduct(GetText("Window", "Window.About.Caption", kAboutTitle), kAboutTitle));
    setWindowTitle(title);
    lblTitle_->setText(QString::fromUtf8(kProductTitle.data(), qsizetype(kProductTitle.size())));
    lblVersion_->setText(
        QString::fromStdString(AboutVersionLabel(GetText("Window", "Window.About.Version", "Version"),
                                                 kVersionMajor, kVersionMinor, kVersionRevision)));
    const QString credit = QString::fromStdString(GetText("Setup", "Copyright", ""));
    if (!credit.isEmpty()) {
        lblCopyright_->setText(lblCopyright_->text() + QStringLiteral(" (") +
                               Text("Window.About.Translation", "Translation") + QStringLiteral(": ") +
                               credit + QStringLiteral(")"));
    }
    lblDisclaimer_->setText(
        Text("Window.About.Disclaimer",
             "Warning: this program is protected by copyright law and international treaties. "
             "Unauthorized reproduction or distribution of this program, or any portion of it, "
             "may result in severe civil and criminal penalties."));
    cmdOK_->setText(Text("Window.About.OK", "&OK"));
    cmdUpdate_->setText(Text("Window.About.CheckForUpdates", "Check for &Updates"));

    const QString face = GetUIFontName(CurrentTranslation().localeId);
    for (QWidget* widget : findChildren<QWidget*>()) {
        QFont font = widget->font();
        font.setFamilies({face});
        widget->setFont(font);
    }
}

} // namespace pellvane

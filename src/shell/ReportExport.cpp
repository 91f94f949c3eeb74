#include "shell/ReportExport.h"

#include "codec/cExifCodec.h"
#include "report/HtmlReport.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace pellvane {

std::string WindowReportHtml(const LastRun& run, const cDIBSection& picture, const IExifCodec* codec) {
    AnalysisReport analysis = run.analysis;
    analysis.picture = picture;
    // The listings and embedded images come from the built-in codec; the editor's component
    // answers only the members the analysis reads.
    const auto* exifCodec = dynamic_cast<const cExifCodec*>(codec);
    const report::HtmlReportInput input{
        .examination = {run.path, analysis.openResult, &analysis, exifCodec, std::nullopt},
        .histogram = &run.histogram,
        .tool = report::ThisTool("pellvane-validator", run.editorVersion, run.analysis.flags.externalCodec),
        .analysedAt = run.analysedAt};
    return report::HtmlReport(input);
}

QString DefaultReportPath(const QString& photoPath, const QString& extension) {
    const QFileInfo photo(photoPath);
    return photo.dir().filePath(photo.completeBaseName() + QStringLiteral(".") + extension);
}

QString ChooseSaveFileWithDialog(QWidget& parent, const SaveRequest& request) {
    return QFileDialog::getSaveFileName(&parent, request.title, request.suggestedPath, request.nameFilter);
}

bool WriteHtmlFile(const QString& path, const std::string& html) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const auto size = static_cast<qint64>(html.size());
    return file.write(html.data(), size) == size && file.flush();
}

bool WritePdfFile(const QString& path, const std::string& html) {
    QPdfWriter writer(path);
    if (!writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                          QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter)))
        return false;
    writer.setTitle(QFileInfo(path).completeBaseName());
    QTextDocument document;
    document.setHtml(QString::fromStdString(html));
    document.print(&writer);
    return QFileInfo(path).size() > 0;
}

} // namespace pellvane

#pragma once
// The window's forensic report: what it keeps of the last run, the HTML the report library
// writes from it, the save dialog, and a PDF of the same content.

#include "analysis/AnalysisReport.h"
#include "codec/IExifCodec.h"
#include "imaging/cHistogram.h"

#include <QString>

#include <chrono>
#include <functional>
#include <string>

class QWidget;

namespace pellvane {

// The last run, without its picture (the preview holds that).
struct LastRun {
    std::string path;
    AnalysisReport analysis;
    cHistogram histogram; // the picture as decoded, sampled: what the histogram test judged
    int32_t editorVersion = 0;
    std::chrono::system_clock::time_point analysedAt;
};

// The report of the run; `codec` must still hold the file open, `picture` is the upright one.
std::string WindowReportHtml(const LastRun& run, const cDIBSection& picture, const IExifCodec* codec);

// Where a report goes: the photo's folder and name with `extension` ("html" or "pdf").
QString DefaultReportPath(const QString& photoPath, const QString& extension);

// Asks for the file a report is saved to: its path, or "" when the user cancels. Tests answer
// in code instead of a real dialog.
struct SaveRequest {
    QString title;
    QString suggestedPath;
    QString nameFilter;
};
using SaveChooser = std::function<QString(QWidget& parent, const SaveRequest& request)>;
QString ChooseSaveFileWithDialog(QWidget& parent, const SaveRequest& request);

// Writes the HTML as it is, or laid out on A4 pages as a PDF. False when the file cannot be
// written.
bool WriteHtmlFile(const QString& path, const std::string& html);
bool WritePdfFile(const QString& path, const std::string& html);

} // namespace pellvane

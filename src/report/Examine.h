#pragma once
// The examination of one file as the front ends report it: the analysis run, the codec's facts
// for a file the run refused, the reason a file was not analysed fully, and the JSON object.
// The command line and the Python module both go through here, so that they answer alike.

#include "analysis/AnalysisReport.h"
#include "codec/cExifCodec.h"
#include "imaging/PictureSummary.h"
#include "imaging/cHistogram.h"

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>

namespace pellvane::report {

struct FileExamination {
    int32_t openResult = kFileNotOpened;
    // Why the file was not read and analysed fully; "" when it was.
    std::string reason;
    AnalysisReport analysis;
    // The decoded picture's summary; only recorded when the JSON object or a report was asked for.
    std::optional<PictureSummary> picture;
    // The sampled histograms the histogram check judged; only loaded for a report.
    cHistogram histogram;
    // The JSON object of docs/report-format.md; null unless asked for.
    nlohmann::json json;

    bool Analysed() const { return reason.empty(); }
};

// One worker's examiner. It keeps its codec across files; each file stays open in the codec,
// with its temporary files, until the next examination or Close(), so that a caller can list
// the codec's model in between.
class cExaminer {
  public:
    cExaminer();

    // What a caller wants besides the analysis: the JSON object, and what a report shows (the
    // upright picture kept in the analysis, the histograms).
    struct Wanted {
        bool json = false;
        bool forReport = false;
        // Decode the picture on a second thread (AnalysisSettings::overlapDecoding), for a
        // caller with a core to spare.
        bool overlapDecoding = false;
    };

    // Never throws: a file whose examination fails (out of memory, say) is refused with the reason.
    FileExamination Examine(const std::string& path, Wanted wanted);

    // The codec holding the file examined last.
    const cExifCodec& Codec() const { return *exifCodec_; }

    // Closes the file examined last; its temporary files are deleted.
    void Close() { exifCodec_->CloseFile(); }

    // The JSON object of one file, its codec closed again.
    nlohmann::json ExamineJson(const std::string& path);

    // The JSON object of a file held in memory, named `name` in the object (whose extension
    // counts, as a file's does: see cTemporaryCopy). The codec reads
    // files by path, so the bytes go to one private temporary file, removed before this
    // returns (also on failure). A temporary file that cannot be written gives the refusal of
    // a file that cannot be opened.
    nlohmann::json ExamineBytesJson(std::span<const uint8_t> bytes, const std::string& name);

  private:
    FileExamination ExamineFully(const std::string& path, Wanted wanted);

    std::unique_ptr<IExifCodec> codec_;
    cExifCodec* exifCodec_ = nullptr; // the same object, for what only the built-in codec has
};

} // namespace pellvane::report

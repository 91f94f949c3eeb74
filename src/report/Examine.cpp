#include "report/Examine.h"

#include "analysis/AnalyzeFile.h"
#include "codec/mFile.h"
#include "report/CodecListing.h"
#include "report/JsonReport.h"

#include <filesystem>

namespace pellvane::report {
namespace {

// Summarises the picture the run decoded, without decoding it again; for a report it also
// counts the histograms the check judged: the picture as decoded, sampled.
class cPictureRecorder final : public IAnalysisObserver {
  public:
    explicit cPictureRecorder(bool histogramWanted) : histogramWanted_(histogramWanted) {}
    void PictureDigested(const PictureDigest& digest) override {
        summary = SummarizePicture(digest);
        if (histogramWanted_) histogram = digest.histogram;
    }
    std::optional<PictureSummary> summary;
    cHistogram histogram;

  private:
    bool histogramWanted_ = false;
};

// A private temporary file holding some bytes; removed when it goes out of scope. It keeps the
// extension of the name the bytes go by: the codec locates TIFF strip data only in files named
// as TIFF files.
class cTemporaryCopy {
  public:
    cTemporaryCopy(std::span<const uint8_t> bytes, const std::string& name)
        : path_(WriteTempFile("PVB", std::filesystem::path(name).extension().string(), bytes)) {}
    cTemporaryCopy(const cTemporaryCopy&) = delete;
    cTemporaryCopy& operator=(const cTemporaryCopy&) = delete;
    ~cTemporaryCopy() { DeleteFileQuietly(path_); }

    // The copy's path, "" when it could not be written whole.
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

} // namespace

cExaminer::cExaminer() {
    auto codec = std::make_unique<cExifCodec>();
    codec->SetPictureCheck(DecodesAsPicture);
    exifCodec_ = codec.get();
    codec_ = std::move(codec);
}

// Whatever fails inside one file's examination costs that file alone: it is refused with the
// reason, and its temporary files go with the codec's state.
FileExamination cExaminer::Examine(const std::string& path, Wanted wanted) {
    std::string reason;
    try {
        return ExamineFully(path, wanted);
    } catch (const std::bad_alloc&) {
        reason = "not analysed: the file needs more memory than is available";
    } catch (const std::exception& error) {
        reason = std::string("not analysed: ") + error.what();
    } catch (...) {
        reason = "not analysed: an unexpected error occurred";
    }
    Close();
    FileExamination refused;
    refused.reason = reason;
    refused.analysis.refused = true;
    refused.analysis.refusal = reason;
    if (wanted.json)
        refused.json = ExaminationJson({path, refused.openResult, &refused.analysis, nullptr, std::nullopt});
    return refused;
}

FileExamination cExaminer::ExamineFully(const std::string& path, Wanted wanted) {
    cPictureRecorder recorder(wanted.forReport);
    cSilentObserver silent;
    const bool record = wanted.json || wanted.forReport;
    IAnalysisObserver& observer = record ? static_cast<IAnalysisObserver&>(recorder) : silent;
    // Only a report shows the picture, so only then is it kept.
    const AnalysisSettings settings{
        .editorVersion = 0, .keepPicture = wanted.forReport, .overlapDecoding = wanted.overlapDecoding};
    FileExamination result;
    result.analysis = AnalyzeFile(path, codec_, settings, observer);
    const AnalysisReport& analysis = result.analysis;

    // A refused file was not opened by the run; the codec's facts are still reported.
    result.openResult = analysis.refused ? exifCodec_->OpenFile(path) : analysis.openResult;
    // A file that cannot even be opened is named as such rather than as an unknown format.
    result.reason = analysis.refused && result.openResult != kOpenCannotOpen
                        ? analysis.refusal
                        : OpenFailureReason(result.openResult);
    result.picture = recorder.summary;
    result.histogram = recorder.histogram;
    if (wanted.json)
        result.json = ExaminationJson({path, result.openResult, &analysis, exifCodec_, result.picture});
    return result;
}

nlohmann::json cExaminer::ExamineJson(const std::string& path) {
    nlohmann::json object = Examine(path, {.json = true}).json;
    Close();
    return object;
}

nlohmann::json cExaminer::ExamineBytesJson(std::span<const uint8_t> bytes, const std::string& name) {
    const cTemporaryCopy copy(bytes, name);
    // Without a copy the run is given a path that cannot be opened, and refuses it as such.
    nlohmann::json object = ExamineJson(copy.Path());
    object["file"] = name;
    return object;
}

} // namespace pellvane::report

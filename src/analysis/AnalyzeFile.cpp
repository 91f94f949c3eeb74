#include "analysis/AnalyzeFile.h"

#include "codec/Budget.h"

#include <filesystem>

#include "analysis/Status.h"
#include "analysis/TrustRating.h"
#include "analysis/checks/Checks.h"
#include "base/Text.h"
#include "codec/TagStore.h"
#include "codec/cExifCodec.h"
#include "imaging/ExifOrientation.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <exception>
#include <functional>
#include <random>
#include <string_view>

namespace pellvane {
namespace {

// --- pacing ---

// When a pacing step follows its test.
enum class PaceWhen { Never, Always, AfterRow };

// A pacing step: the progress bar moves to a random value and the run pauses for a random
// time, each the base plus a uniform part of the span.
struct Pacing {
    int32_t progressBase = 0;
    int32_t progressSpan = 0;
    int32_t pauseBase = 0;
    int32_t pauseSpan = 0;
    PaceWhen when = PaceWhen::Never;
};

constexpr Pacing kWrapUpFirst{90, 10, 200, 350, PaceWhen::Always};
constexpr Pacing kWrapUpSecond{100, 0, 500, 750, PaceWhen::Always};

// The pacing's default random source: uniform in [0, 1), seeded from the clock.
std::function<double()> ClockSeededRandom() {
    std::mt19937 generator(
        static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return [generator]() mutable { return std::uniform_real_distribution<double>(0.0, 1.0)(generator); };
}

class cPacer {
  public:
    cPacer(IAnalysisObserver& observer, const std::function<double()>& random)
        : observer_(observer), random_(random ? random : ClockSeededRandom()) {}

    void Step(const Pacing& pacing) {
        observer_.Progress(pacing.progressBase + Uniform(pacing.progressSpan));
        observer_.Pause(pacing.pauseBase + Uniform(pacing.pauseSpan));
    }

  private:
    // The integer part of r x span for r uniform in [0, 1).
    int32_t Uniform(int32_t span) {
        if (span <= 0) return 0;
        // A source that answers outside [0, 1), or not a number, still stays within the span.
        const double r = random_();
        const double unit = r >= 0.0 ? std::min(r, 1.0) : 0.0;
        return std::min(static_cast<int32_t>(unit * span), span - 1);
    }

    IAnalysisObserver& observer_;
    std::function<double()> random_;
};

// --- the tests in their order ---

// What a file must offer for a test to run at all.
enum class Requirement {
    None,
    ParsedExif,         // OpenFile found and read EXIF data (result 0)
    ParsedExifWithSize, // and the codec knows the picture's width and height
};

struct ScheduledTest {
    std::string_view caption; // English default
    std::string_view key;
    CheckFunction run; // nullptr for a check this program does not perform yet
    bool announced;    // shows its caption in the working label before it starts
    Requirement requirement;
    Pacing pacing;
};

// Adding a check is writing its function (checks/Checks.h) and naming it here.
constexpr std::array<ScheduledTest, 14> kSchedule = {{
    {"Compression Signature",
     "Window.Main.Results.ComprSignature",
     CompressionSignatureCheck,
     true,
     Requirement::None,
     {20, 10, 0, 250, PaceWhen::Always}},
    {"MakerNote Data",
     "Window.Main.Results.MakerNote",
     MakerNoteCheck,
     true,
     Requirement::None,
     {30, 10, 0, 200, PaceWhen::Always}},
    {"EXIF Format",
     "Window.Main.Results.EXIF",
     ExifFormatCheck,
     true,
     Requirement::None,
     {40, 20, 0, 200, PaceWhen::Always}},
    {"Image Size", "Window.Main.Results.ImageSize", ImageSizeCheck, true, Requirement::None, {}},
    {"Software Data",
     "Window.Main.Results.Software",
     SoftwareCheck,
     true,
     Requirement::None,
     {60, 5, 0, 250, PaceWhen::Always}},
    {"FlashPix Ready Data", "Window.Main.Results.FPXR", FlashPixCheck, false, Requirement::None, {}},
    {"MPF Data",
     "Window.Main.Results.MPF",
     MpfCheck,
     true,
     Requirement::None,
     {65, 5, 0, 150, PaceWhen::AfterRow}},
    {"Apple AROT Data", "Window.Main.Results.AROT", ArotCheck, false, Requirement::None, {}},
    {"Embedded Images",
     "Window.Main.Results.EmbeddedImageFeatures",
     EmbeddedImagesCheck,
     true,
     Requirement::None,
     {70, 5, 0, 150, PaceWhen::AfterRow}},
    {"Histogram",
     "Window.Main.Results.Histogram",
     HistogramCheck,
     true,
     Requirement::None,
     {75, 15, 0, 200, PaceWhen::AfterRow}},
    {"EXIF Internal Consistency",
     "Window.Main.Results.ExifIntConsistency",
     ExifInternalConsistencyCheck,
     true,
     Requirement::ParsedExif,
     {}},
    {"EXIF External Consistency",
     "Window.Main.Results.ExifExtConsistency",
     ExifExternalConsistencyCheck,
     false,
     Requirement::ParsedExifWithSize,
     {90, 0, 0, 100, PaceWhen::AfterRow}},
    {"Aspect Ratio",
     "Window.Main.Results.AspectRatio",
     AspectRatioCheck,
     false,
     Requirement::ParsedExifWithSize,
     {}},
    {"Pellvane Legacy Data Detection",
     "Window.Main.Results.Pelvn",
     LegacyDataCheck,
     false,
     Requirement::None,
     {}},
}};

constexpr int32_t kProgressStart = 5;
constexpr int32_t kProgressTestsStart = 20;

std::string WindowText(std::string_view key, std::string_view english) {
    return GetText("Window", key, english);
}

bool RequirementMet(Requirement requirement, int32_t openResult, const IExifCodec& codec) {
    switch (requirement) {
    case Requirement::None:
        return true;
    case Requirement::ParsedExif:
        return openResult == kOpenOk;
    case Requirement::ParsedExifWithSize:
        return openResult == kOpenOk && codec.ImageWidth() != 0 && codec.ImageHeight() != 0;
    }
    return false;
}

ResultRow MakeRow(std::string caption, std::string_view key, int16_t level, Findings findings) {
    StatusText status = StatusWord(level);
    return {std::move(caption),     std::string(key), level,
            std::move(status.word), status.icon,      std::move(findings)};
}

// A codec call that fails unexpectedly costs the check its row, never the run.
Findings RunGuarded(CheckFunction check, CheckContext& context) {
    try {
        return check(context);
    } catch (const std::exception&) {
        return {};
    }
}

// The codec for this run: the one held from an earlier run, closed; else the external
// component when the editor is recent enough; else the built-in codec. True when the
// external component was created now.
bool ObtainCodec(std::unique_ptr<IExifCodec>& codec, int32_t editorVersion) {
    if (codec) {
        codec->CloseFile();
        return false;
    }
    if (editorVersion >= kFirstEditorWithCodec) codec = CreateExternalCodec(editorVersion);
    if (codec) return true;
    auto builtIn = std::make_unique<cExifCodec>();
    builtIn->SetPictureCheck(DecodesAsPicture);
    codec = std::move(builtIn);
    return false;
}

void RefuseUnreadableFile(AnalysisReport& report) {
    report.refusalKey = "Window.Message.Error.OpenFile";
    report.refusal = WindowText(report.refusalKey, "Unsupported file format!");
    report.refused = true;
}

// A file too large for the codec's 32-bit offsets is refused before any of it is read.
bool RefuseOversizeFile(const std::string& path, AnalysisReport& report) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size <= static_cast<uintmax_t>(budget::kMaxFileBytes)) return false;
    report.refusalKey = "Window.Message.Error.FileTooLarge";
    report.refusal = WindowText(report.refusalKey, "The file is too large (more than 2 GiB)!");
    report.refused = true;
    return true;
}

// Takes the picture's digest; false, with the refusal filled in, when the picture did not
// decode or is no JPEG.
bool AcceptDigest(const std::optional<PictureDigest>& digest, const std::string& path,
                  IAnalysisObserver& observer, AnalysisReport& report) {
    if (!digest) {
        RefuseUnreadableFile(report);
        report.tooLarge = OversizeJpeg(path);
        return false;
    }
    observer.PictureDigested(*digest);
    if (digest->imageType != image_type::kJpeg) {
        report.refusalKey = "Window.Message.Error.UnsupportedImageType";
        report.refusal = WindowText(report.refusalKey, "Unsupported image format!");
        report.refused = true;
        return false;
    }
    return true;
}

// While the codec reads the file and digests the embedded images, the picture's upper band
// waits: the caller's share of the rows when it gets to them.
constexpr int32_t kUpperBandWhileCodecReads = 50;

class cAnalysisRun {
  public:
    cAnalysisRun(IExifCodec& codec, cDIBSection& picture, const PictureDigest& digest,
                 const DigestsAhead* digestsAhead, IAnalysisObserver& observer, AnalysisReport& report,
                 const std::function<double()>& pacingRandom)
        : codec_(codec), picture_(picture), digest_(digest), digestsAhead_(digestsAhead), observer_(observer),
          report_(report), pacer_(observer, pacingRandom) {}

    void RunTests() {
        observer_.Progress(kProgressTestsStart);
        observer_.TestsStarting();
        const std::string analyzing = WindowText("Window.Main.Analyzing", "Analyzing");
        CheckContext context{codec_, digest_, report_.flags, report_.openResult, digestsAhead_};
        for (const ScheduledTest& test : kSchedule) {
            if (test.run == nullptr || !RequirementMet(test.requirement, report_.openResult, codec_))
                continue;
            std::string caption = WindowText(test.key, test.caption);
            if (test.announced) observer_.WorkingLabel(analyzing + " " + caption + "...");
            Findings findings = RunGuarded(test.run, context);
            // A check that found nothing to judge adds no row; otherwise its findings decide it.
            const std::optional<int16_t> status = DecidedStatus(findings);
            if (status) AddRow(MakeRow(std::move(caption), test.key, *status, std::move(findings)));
            if (test.pacing.when == PaceWhen::Always || (test.pacing.when == PaceWhen::AfterRow && status))
                pacer_.Step(test.pacing);
        }
    }

    void WrapUp(bool keepPicture) {
        report_.ratingClass =
            AdjustRatingClass(report_.ratingClass, report_.rows.size(), report_.flags, codec_);
        observer_.WorkingLabel(WindowText("Window.Main.WrappingUp", "Wrapping up..."));
        pacer_.Step(kWrapUpFirst);
        SortRows(report_.rows);
        if (keepPicture) KeepUprightPicture();
        pacer_.Step(kWrapUpSecond);
    }

    // The parser-error path: one row, class 2, no tests.
    void ReportUnknownStructure(bool keepPicture) {
        report_.ratingClass = kStatusHighlySuspected;
        Finding finding = StatusFinding("run.unknown-structure", report_.ratingClass);
        finding.With("openResult", report_.openResult);
        AddRow(MakeRow(WindowText("Window.Main.Results.ParserError", "Unknown Data Structure"),
                       "Window.Main.Results.ParserError", report_.ratingClass, {std::move(finding)}));
        // The preview still shows the file's picture, not whatever it showed before.
        if (keepPicture) KeepUprightPicture();
    }

  private:
    void AddRow(ResultRow row) {
        if (row.level < report_.ratingClass) report_.ratingClass = row.level;
        report_.rows.push_back(std::move(row));
    }

    void KeepUprightPicture() {
        if (codec_.IsTagExisted(kTagOrientation, kIfd0, true))
            ApplyExifOrientation(picture_,
                                 static_cast<int>(ValueElement(codec_.TagValue(kTagOrientation, kIfd0), 0)));
        report_.picture = std::move(picture_);
    }

    IExifCodec& codec_;
    cDIBSection& picture_; // empty unless the caller keeps the picture
    const PictureDigest& digest_;
    const DigestsAhead* digestsAhead_;
    IAnalysisObserver& observer_;
    AnalysisReport& report_;
    cPacer pacer_;
};

void ShowRating(AnalysisReport& report, const IExifCodec& codec) {
    ClassText text = RatingClassText(report.ratingClass);
    report.title = std::move(text.title);
    report.description = std::move(text.description);
    report.colour = text.colour;
    report.messages = ChooseMessages(report.ratingClass, report.flags, codec);
}

void OpenCodec(const std::string& path, std::unique_ptr<IExifCodec>& codec, const AnalysisSettings& settings,
               AnalysisReport& report) {
    report.flags.externalCodec = ObtainCodec(codec, settings.editorVersion);
    report.openResult = codec->OpenFile(path, true, true);
}

// The run once the picture has loaded as a JPEG and the codec has opened the file.
void RunOpened(cDIBSection& picture, const PictureDigest& digest, const DigestsAhead* digestsAhead,
               IExifCodec& codec, const AnalysisSettings& settings, IAnalysisObserver& observer,
               AnalysisReport& report) {
    // The file was read a moment ago to decode it. When it can no longer be opened, it was
    // removed or replaced since: there is nothing to judge, and it is refused like a file that
    // does not load.
    if (report.openResult == kOpenCannotOpen) {
        RefuseUnreadableFile(report);
        return;
    }
    cAnalysisRun run(codec, picture, digest, digestsAhead, observer, report, settings.pacingRandom);
    if (report.openResult == kOpenOk || report.openResult == kOpenNoExif) {
        run.RunTests();
        run.WrapUp(settings.keepPicture);
    } else {
        run.ReportUnknownStructure(settings.keepPicture);
    }
    ShowRating(report, codec);
}

// Decodes the picture (kept whole for a caller that shows it), then opens the codec and runs.
void AnalyzeInTurn(const std::string& path, std::unique_ptr<IExifCodec>& codec,
                   const AnalysisSettings& settings, IAnalysisObserver& observer, AnalysisReport& report) {
    cDIBSection picture;
    std::optional<PictureDigest> digest;
    if (!settings.keepPicture)
        digest = DigestPictureFile(path);
    else if (picture.LoadPicture_File(path))
        digest = DigestPicture(picture);
    if (!AcceptDigest(digest, path, observer, report)) return;
    report.ratingClass = kStatusPass;
    observer.Progress(kProgressStart);
    OpenCodec(path, codec, settings, report);
    RunOpened(picture, *digest, nullptr, *codec, settings, observer, report);
}

// Decodes the picture on a second thread while the codec reads the file and the embedded images
// are digested. The results are those of AnalyzeInTurn: a picture that is refused leaves the
// codec closed and the report as if the codec had never been opened.
void AnalyzeOverlapped(const std::string& path, std::unique_ptr<IExifCodec>& codec,
                       const AnalysisSettings& settings, IAnalysisObserver& observer,
                       AnalysisReport& report) {
    cDigestJob pending(path, DigestParts{}, kUpperBandWhileCodecReads);
    OpenCodec(path, codec, settings, report);
    DigestsAhead ahead;
    if (report.openResult == kOpenOk || report.openResult == kOpenNoExif) {
        const int64_t declaredPixels = static_cast<int64_t>(codec->ImageWidth()) * codec->ImageHeight();
        for (const std::string& embedded : EmbeddedImagesToDigest(*codec, declaredPixels))
            ahead.emplace(embedded, DigestPictureFile(embedded, kEmbeddedDigestParts));
    }
    const std::optional<PictureDigest> digest = pending.Finish();
    if (!AcceptDigest(digest, path, observer, report)) {
        codec->CloseFile();
        report.openResult = kFileNotOpened;
        report.flags = RunFlags{};
        return;
    }
    report.ratingClass = kStatusPass;
    observer.Progress(kProgressStart);
    cDIBSection noPicture;
    RunOpened(noPicture, *digest, &ahead, *codec, settings, observer, report);
}

} // namespace

AnalysisReport AnalyzeFile(const std::string& path, std::unique_ptr<IExifCodec>& codec,
                           const AnalysisSettings& settings, IAnalysisObserver& observer) {
    AnalysisReport report;
    observer.Progress(kProgressStart);
    if (!RefuseOversizeFile(path, report)) {
        if (settings.overlapDecoding && !settings.keepPicture)
            AnalyzeOverlapped(path, codec, settings, observer, report);
        else
            AnalyzeInTurn(path, codec, settings, observer, report);
    }
    observer.WorkingLabel(WindowText("Window.Main.Working", "Please wait while we analyze the file..."));
    return report;
}

} // namespace pellvane

#include "analysis/AnalyzeFile.h"

#include "analysis/ForensicTests.h"
#include "analysis/Status.h"
#include "analysis/Text.h"
#include "analysis/TrustRating.h"
#include "codec/TagStore.h"
#include "codec/cExifCodec.h"
#include "imaging/ExifOrientation.h"

#include <array>
#include <chrono>
#include <exception>
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

class cPacer {
  public:
    explicit cPacer(IAnalysisObserver& observer)
        : observer_(observer),
          random_(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())) {}

    void Step(const Pacing& pacing) {
        observer_.Progress(pacing.progressBase + Uniform(pacing.progressSpan));
        observer_.Pause(pacing.pauseBase + Uniform(pacing.pauseSpan));
    }

  private:
    // The integer part of r x span for r uniform in [0, 1).
    int32_t Uniform(int32_t span) {
        if (span <= 0) return 0;
        return std::uniform_int_distribution<int32_t>(0, span - 1)(random_);
    }

    IAnalysisObserver& observer_;
    std::mt19937 random_;
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
    TestFunction run; // nullptr for a test this program does not perform yet
    bool announced;   // shows its caption in the working label before it starts
    Requirement requirement;
    Pacing pacing;
};

// Adding a test is writing its function (ForensicTests.h) and naming it here.
constexpr std::array<ScheduledTest, 14> kSchedule = {{
    {"Compression Signature",
     "Window.Main.Results.ComprSignature",
     CompressionSignatureTest,
     true,
     Requirement::None,
     {20, 10, 0, 250, PaceWhen::Always}},
    {"MakerNote Data",
     "Window.Main.Results.MakerNote",
     MakerNoteTest,
     true,
     Requirement::None,
     {30, 10, 0, 200, PaceWhen::Always}},
    {"EXIF Format",
     "Window.Main.Results.EXIF",
     ExifFormatTest,
     true,
     Requirement::None,
     {40, 20, 0, 200, PaceWhen::Always}},
    {"Image Size", "Window.Main.Results.ImageSize", ImageSizeTest, true, Requirement::None, {}},
    {"Software Data",
     "Window.Main.Results.Software",
     SoftwareTest,
     true,
     Requirement::None,
     {60, 5, 0, 250, PaceWhen::Always}},
    {"FlashPix Ready Data", "Window.Main.Results.FPXR", FlashPixTest, false, Requirement::None, {}},
    {"MPF Data",
     "Window.Main.Results.MPF",
     MpfTest,
     true,
     Requirement::None,
     {65, 5, 0, 150, PaceWhen::AfterRow}},
    {"Apple AROT Data", "Window.Main.Results.AROT", ArotTest, false, Requirement::None, {}},
    {"Embedded Images",
     "Window.Main.Results.EmbeddedImageFeatures",
     EmbeddedImagesTest,
     true,
     Requirement::None,
     {70, 5, 0, 150, PaceWhen::AfterRow}},
    {"Histogram",
     "Window.Main.Results.Histogram",
     HistogramTest,
     true,
     Requirement::None,
     {75, 15, 0, 200, PaceWhen::AfterRow}},
    {"EXIF Internal Consistency",
     "Window.Main.Results.ExifIntConsistency",
     ExifInternalConsistencyTest,
     true,
     Requirement::ParsedExif,
     {}},
    {"EXIF External Consistency",
     "Window.Main.Results.ExifExtConsistency",
     ExifExternalConsistencyTest,
     false,
     Requirement::ParsedExifWithSize,
     {90, 0, 0, 100, PaceWhen::AfterRow}},
    {"Aspect Ratio",
     "Window.Main.Results.AspectRatio",
     AspectRatioTest,
     false,
     Requirement::ParsedExifWithSize,
     {}},
    {"Pellvane Legacy Data Detection",
     "Window.Main.Results.Pelvn",
     LegacyDataTest,
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

ResultRow MakeRow(std::string caption, std::string_view key, int16_t level) {
    StatusText status = StatusWord(level);
    return {std::move(caption), std::string(key), level, std::move(status.word), status.icon};
}

// A codec call that fails unexpectedly costs the test its row, never the run.
std::optional<int16_t> RunGuarded(TestFunction test, TestContext& context) {
    try {
        return test(context);
    } catch (const std::exception&) {
        return std::nullopt;
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
    builtIn->SetPictureCheck([](const std::string& path) { return cDIBSection().LoadPicture_File(path); });
    codec = std::move(builtIn);
    return false;
}

void RefuseUnreadableFile(AnalysisReport& report) {
    report.refusalKey = "Window.Message.Error.OpenFile";
    report.refusal = WindowText(report.refusalKey, "Unsupported file format!");
    report.refused = true;
}

// Loads the picture; on failure fills in the refusal and answers false.
bool LoadJpegPicture(const std::string& path, cDIBSection& picture, IAnalysisObserver& observer,
                     AnalysisReport& report) {
    if (!picture.LoadPicture_File(path)) {
        RefuseUnreadableFile(report);
        return false;
    }
    observer.PictureDecoded(picture);
    if (picture.ImageType() != image_type::kJpeg) {
        report.refusalKey = "Window.Message.Error.UnsupportedImageType";
        report.refusal = WindowText(report.refusalKey, "Unsupported image format!");
        report.refused = true;
        return false;
    }
    return true;
}

class cAnalysisRun {
  public:
    cAnalysisRun(IExifCodec& codec, cDIBSection& picture, IAnalysisObserver& observer, AnalysisReport& report)
        : codec_(codec), picture_(picture), observer_(observer), report_(report), pacer_(observer) {}

    void RunTests() {
        observer_.Progress(kProgressTestsStart);
        observer_.TestsStarting();
        const std::string analyzing = WindowText("Window.Main.Analyzing", "Analyzing");
        TestContext context{codec_, picture_, report_.flags, report_.openResult};
        for (const ScheduledTest& test : kSchedule) {
            if (test.run == nullptr || !RequirementMet(test.requirement, report_.openResult, codec_))
                continue;
            std::string caption = WindowText(test.key, test.caption);
            if (test.announced) observer_.WorkingLabel(analyzing + " " + caption + "...");
            const std::optional<int16_t> status = RunGuarded(test.run, context);
            if (status) AddRow(MakeRow(std::move(caption), test.key, *status));
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
        AddRow(MakeRow(WindowText("Window.Main.Results.ParserError", "Unknown Data Structure"),
                       "Window.Main.Results.ParserError", report_.ratingClass));
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
    cDIBSection& picture_;
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

// The run once the picture has loaded as a JPEG.
void AnalyzeLoadedPicture(const std::string& path, cDIBSection& picture, std::unique_ptr<IExifCodec>& codec,
                          const AnalysisSettings& settings, IAnalysisObserver& observer,
                          AnalysisReport& report) {
    report.ratingClass = kStatusPass;
    observer.Progress(kProgressStart);
    report.flags.externalCodec = ObtainCodec(codec, settings.editorVersion);
    report.openResult = codec->OpenFile(path, true, true);
    // The file was read a moment ago to decode it. When it can no longer be opened, it was
    // removed or replaced since: there is nothing to judge, and it is refused like a file that
    // does not load.
    if (report.openResult == kOpenCannotOpen) {
        RefuseUnreadableFile(report);
        return;
    }

    cAnalysisRun run(*codec, picture, observer, report);
    if (report.openResult == kOpenOk || report.openResult == kOpenNoExif) {
        run.RunTests();
        run.WrapUp(settings.keepPicture);
    } else {
        run.ReportUnknownStructure(settings.keepPicture);
    }
    ShowRating(report, *codec);
}

} // namespace

AnalysisReport AnalyzeFile(const std::string& path, std::unique_ptr<IExifCodec>& codec,
                           const AnalysisSettings& settings, IAnalysisObserver& observer) {
    AnalysisReport report;
    observer.Progress(kProgressStart);
    cDIBSection picture;
    if (LoadJpegPicture(path, picture, observer, report))
        AnalyzeLoadedPicture(path, picture, codec, settings, observer, report);
    observer.WorkingLabel(WindowText("Window.Main.Working", "Please wait while we analyze the file..."));
    return report;
}

} // namespace pellvane

// pellvane-validate: the command line of Pellvane Photo Validator.

#include "analysis/AnalyzeFile.h"
#include "cli/AnalysisOutput.h"
#include "cli/Signals.h"
#include "codec/cExifCodec.h"
#include "imaging/PictureSummary.h"
#include "imaging/cDIBSection.h"
#include "report/CodecListing.h"
#include "report/JsonReport.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace pellvane;

struct Options {
    std::vector<std::string> inputs;
    bool segments = false;
    bool tags = false;
    bool json = false;
    bool explain = false;
    bool colour = false;
    unsigned jobs = 1;
};

// What one file gives the output: its text for standard output and for standard error, in
// the order the files were named, and whether it was read and analysed fully.
struct FileOutcome {
    std::string out;
    std::string err;
    bool ok = true;
};

// --- the files to examine ---

bool HasJpegExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".jpg" || extension == ".jpeg";
}

// The JPEG files under a folder, at any depth, in name order so that the output does not
// depend on the order the file system lists them in. Folders that cannot be read are passed
// over; links to folders are not followed, so a link cycle cannot trap the walk.
std::vector<std::string> JpegFilesUnder(const fs::path& folder) {
    std::vector<std::string> files;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        std::error_code statusError;
        if (walk->is_regular_file(statusError) && HasJpegExtension(walk->path()))
            files.push_back(walk->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Files are taken as named, whatever their extension; folders are walked for JPEG files. A
// folder without any is mentioned, so that a mistyped folder does not pass in silence.
std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs) {
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        std::error_code error;
        if (fs::is_directory(input, error)) {
            std::vector<std::string> found = JpegFilesUnder(input);
            if (found.empty()) std::cerr << "pellvane-validate: " << input << ": no .jpg or .jpeg files\n";
            files.insert(files.end(), std::make_move_iterator(found.begin()),
                         std::make_move_iterator(found.end()));
        } else {
            files.push_back(input);
        }
    }
    return files;
}

// --- one file ---

// Summarises the picture the run decoded, for the JSON report, without decoding it again.
class cPictureRecorder final : public IAnalysisObserver {
  public:
    void PictureDecoded(const cDIBSection& picture) override { summary = SummarizePicture(picture); }
    std::optional<PictureSummary> summary;
};

// Each worker keeps its own codec across the files it examines.
class cFileExaminer {
  public:
    explicit cFileExaminer(const Options& options) : options_(options) {
        auto codec = std::make_unique<cExifCodec>();
        codec->SetPictureCheck([](const std::string& path) { return cDIBSection().LoadPicture_File(path); });
        exifCodec_ = codec.get();
        codec_ = std::move(codec);
    }

    // Whatever fails inside one file's examination costs that file alone: it is refused with
    // the reason, and its temporary files go with the codec's state.
    FileOutcome Examine(const std::string& path) {
        std::string reason;
        try {
            return ExamineFully(path);
        } catch (const std::bad_alloc&) {
            reason = "not analysed: the file needs more memory than is available";
        } catch (const std::exception& error) {
            reason = std::string("not analysed: ") + error.what();
        } catch (...) {
            reason = "not analysed: an unexpected error occurred";
        }
        exifCodec_->CloseFile();
        AnalysisReport refused;
        refused.refused = true;
        refused.refusal = reason;
        return {options_.json ? JsonLine(path, kFileNotOpened, refused, std::nullopt)
                              : cli::FileHeading(path, options_.colour) + "\n" +
                                    cli::RefusalText(reason, options_.colour) + "\n",
                Problem(path, reason), false};
    }

  private:
    FileOutcome ExamineFully(const std::string& path) {
        cPictureRecorder recorder;
        cSilentObserver silent;
        IAnalysisObserver& observer = options_.json ? static_cast<IAnalysisObserver&>(recorder) : silent;
        const AnalysisSettings settings{.editorVersion = 0, .keepPicture = false};
        const AnalysisReport report = AnalyzeFile(path, codec_, settings, observer);

        // A refused file was not opened by the run; the codec's facts are still reported.
        const int32_t openResult = report.refused ? exifCodec_->OpenFile(path) : report.openResult;
        // A file that cannot even be opened is named as such rather than as an unknown format.
        const std::string reason = report.refused && openResult != kOpenCannotOpen
                                       ? report.refusal
                                       : report::OpenFailureReason(openResult);
        FileOutcome outcome;
        if (!reason.empty()) outcome.err = Problem(path, reason);
        outcome.ok = reason.empty();
        outcome.out = options_.json ? JsonLine(path, openResult, report, recorder.summary)
                                    : TextBlock(path, openResult, report, reason);
        // Closing deletes the file's temporary files, so none outlives the command.
        exifCodec_->CloseFile();
        return outcome;
    }

    static std::string Problem(const std::string& path, const std::string& reason) {
        return "pellvane-validate: " + path + ": " + reason + "\n";
    }

    std::string JsonLine(const std::string& path, int32_t openResult, const AnalysisReport& report,
                         const std::optional<PictureSummary>& summary) const {
        return report::JsonLine(report::ExaminationJson({path, openResult, &report, exifCodec_, summary}));
    }

    std::string TextBlock(const std::string& path, int32_t openResult, const AnalysisReport& report,
                          const std::string& reason) const {
        std::string text = cli::FileHeading(path, options_.colour) + "\n";
        text += report.refused ? cli::RefusalText(reason, options_.colour)
                               : cli::AnalysisText(report, options_.colour, options_.explain);
        if (report::HasModel(openResult)) {
            if (options_.segments) text += report::SegmentsText(*exifCodec_);
            if (options_.tags) text += report::TagsText(*exifCodec_);
        }
        return text + "\n";
    }

    const Options& options_;
    std::unique_ptr<IExifCodec> codec_;
    cExifCodec* exifCodec_ = nullptr; // the same object, for the listings only the built-in codec has
};

// --- many files ---

// Examines the files on `jobs` threads and hands each outcome to `print` in the files' order,
// as soon as it and all before it are ready.
template <typename Print>
void ExamineAll(const std::vector<std::string>& files, const Options& options, Print print) {
    std::vector<std::optional<FileOutcome>> outcomes(files.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<size_t> next = 0;

    auto work = [&] {
        cFileExaminer examiner(options);
        for (size_t i = next++; i < files.size(); i = next++) {
            FileOutcome outcome = examiner.Examine(files[i]);
            const std::lock_guard lock(mutex);
            outcomes[i] = std::move(outcome);
            ready.notify_all();
        }
    };
    const size_t workerCount = std::clamp<size_t>(options.jobs, 1, std::max<size_t>(files.size(), 1));
    if (workerCount == 1) {
        // One worker gains nothing from a thread, and a busy machine may keep a new thread
        // waiting for its first time slice.
        cFileExaminer examiner(options);
        for (const std::string& file : files)
            print(examiner.Examine(file));
        return;
    }
    std::vector<std::jthread> workers;
    for (size_t w = 0; w < workerCount; ++w)
        workers.emplace_back(work);

    for (size_t i = 0; i < files.size(); ++i) {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return outcomes[i].has_value(); });
        FileOutcome outcome = std::move(*outcomes[i]);
        outcomes[i].reset();
        lock.unlock();
        print(outcome);
    }
}

bool ColourWanted() {
    const char* noColour = std::getenv("NO_COLOR");
    return ::isatty(STDOUT_FILENO) && (noColour == nullptr || *noColour == '\0');
}

unsigned DefaultJobs() {
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    options.jobs = DefaultJobs();
    CLI::App app{"Pellvane Photo Validator: tells whether a JPEG is an original from a camera.",
                 "pellvane-validate"};
    app.add_option("FILE", options.inputs, "Photos to analyse; folders are searched for .jpg and .jpeg files")
        ->required();
    app.add_flag("--segments", options.segments,
                 "Also list the JPEG segments with their readable descriptions");
    app.add_flag("--tags", options.tags, "Also list every EXIF/TIFF directory entry");
    app.add_flag("--json", options.json, "Print one JSON object per file (JSON Lines)");
    app.add_flag("--explain", options.explain, "Print under each test the evidence that decided it");
    app.add_option("--jobs", options.jobs, "Files analysed at the same time (default: the number of cores)")
        ->check(CLI::Range(1u, 256u));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    options.colour = !options.json && ColourWanted();
    cli::WatchEndingSignals();

    bool allAnalysed = true;
    ExamineAll(ExpandInputs(options.inputs), options, [&](const FileOutcome& outcome) {
        std::cout << outcome.out << std::flush;
        // A closed output ends the command as SIGPIPE would, once the temporary files are gone.
        if (!std::cout) cli::EndBySignal(SIGPIPE);
        std::cerr << outcome.err;
        allAnalysed = allAnalysed && outcome.ok;
    });
    return allAnalysed ? 0 : 1;
}

// pellvane-validate: the command line of Pellvane Photo Validator.

#include "analysis/AnalyzeFile.h"
#include "cli/AnalysisOutput.h"
#include "cli/ReportOutput.h"
#include "cli/Signals.h"
#include "report/CodecListing.h"
#include "report/Examine.h"
#include "report/HtmlReport.h"
#include "report/JsonReport.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <new>
#include <numeric>
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
    std::string reportFile;               // --report: the one photo's HTML report
    std::string reportDir;                // --report-dir: one report per photo and an index
    bool force = false;                   // reports may overwrite existing files
    std::vector<std::string> samePicture; // --same-picture A B
    std::vector<std::string> reportPaths; // per file, when reports are written
    bool Reports() const { return !reportFile.empty() || !reportDir.empty(); }
};

// What one file gives the output: its text for standard output and for standard error, in
// the order the files were named, and whether it was read and analysed fully.
struct FileOutcome {
    std::string out;
    std::string err;
    bool ok = true;
    report::IndexEntry index; // its line in the index of a folder of reports
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

// Each worker keeps its own examiner, and with it its codec, across the files it examines.
class cFileExaminer {
  public:
    // `spareCore`: the files leave a core idle, which decoding the picture on a thread of its
    // own puts to use.
    cFileExaminer(const Options& options, bool spareCore) : options_(options), spareCore_(spareCore) {}

    FileOutcome Examine(const std::string& path, const std::string& reportPath) {
        const report::FileExamination examination = examiner_.Examine(
            path, {.json = options_.json, .forReport = !reportPath.empty(), .overlapDecoding = spareCore_});
        FileOutcome outcome;
        if (!examination.Analysed()) outcome.err = Problem(path, examination.reason);
        outcome.ok = examination.Analysed();
        outcome.out = options_.json ? report::JsonLine(examination.json) : TextBlock(path, examination);
        if (!reportPath.empty()) WriteReport(path, reportPath, examination, outcome);
        // Closing deletes the file's temporary files, so none outlives the command.
        examiner_.Close();
        return outcome;
    }

  private:
    // While the codec still holds the file and its extracted images.
    void WriteReport(const std::string& path, const std::string& reportPath,
                     const report::FileExamination& examination, FileOutcome& outcome) const {
        const AnalysisReport& report = examination.analysis;
        const report::HtmlReportInput input{
            .examination = {path, examination.openResult, &report, &examiner_.Codec(), examination.picture},
            .histogram = &examination.histogram,
            .tool = report::ThisTool("pellvane-validate", 0, false),
            .analysedAt = std::chrono::system_clock::now()};
        const std::string problem =
            cli::WriteReportFile(reportPath, report::HtmlReport(input), options_.force);
        if (!problem.empty()) {
            outcome.err += Problem(reportPath, problem);
            outcome.ok = false;
        }
        outcome.index = {path, fs::path(reportPath).filename().string(),
                         report.refused ? report.refusal : report.title,
                         report.refused ? int16_t{0} : report.ratingClass, report.colour};
    }

    static std::string Problem(const std::string& path, const std::string& reason) {
        return "pellvane-validate: " + path + ": " + reason + "\n";
    }

    std::string TextBlock(const std::string& path, const report::FileExamination& examination) const {
        const AnalysisReport& report = examination.analysis;
        std::string text = cli::FileHeading(path, options_.colour) + "\n";
        text += report.refused ? cli::RefusalText(examination.reason, options_.colour)
                               : cli::AnalysisText(report, options_.colour, options_.explain);
        if (report::HasModel(examination.openResult)) {
            if (options_.segments) text += report::SegmentsText(examiner_.Codec());
            if (options_.tags) text += report::TagsText(examiner_.Codec());
        }
        return text + "\n";
    }

    const Options& options_;
    bool spareCore_ = false;
    report::cExaminer examiner_;
};

// --- many files ---

std::string ReportPathOf(const Options& options, size_t file) {
    return file < options.reportPaths.size() ? options.reportPaths[file] : "";
}

// The order in which the workers take the files: within each run of a few files per worker the
// largest first, so that no worker is still busy with a large file while the others have
// nothing left to do. The output keeps the files' order, so it waits for at most one such run.
std::vector<size_t> DispatchOrder(const std::vector<std::string>& files, size_t workers) {
    std::vector<uintmax_t> sizes(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        std::error_code error;
        sizes[i] = fs::is_regular_file(files[i], error) ? fs::file_size(files[i], error) : 0;
        if (error) sizes[i] = 0;
    }
    std::vector<size_t> order(files.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const size_t run = 4 * workers;
    for (size_t start = 0; start < order.size(); start += run) {
        const auto end = order.begin() + static_cast<ptrdiff_t>(std::min(start + run, order.size()));
        std::stable_sort(order.begin() + static_cast<ptrdiff_t>(start), end,
                         [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
    }
    return order;
}

// Examines the files on `jobs` threads and hands each outcome to `print` in the files' order,
// as soon as it and all before it are ready.
template <typename Print>
void ExamineAll(const std::vector<std::string>& files, const Options& options, Print print) {
    std::vector<std::optional<FileOutcome>> outcomes(files.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<size_t> next = 0;

    const size_t workerCount = std::clamp<size_t>(options.jobs, 1, std::max<size_t>(files.size(), 1));
    const bool spareCore = options.jobs > workerCount;
    const std::vector<size_t> order = DispatchOrder(files, workerCount);
    auto work = [&] {
        cFileExaminer examiner(options, spareCore);
        for (size_t taken = next++; taken < files.size(); taken = next++) {
            const size_t i = order[taken];
            FileOutcome outcome = examiner.Examine(files[i], ReportPathOf(options, i));
            const std::lock_guard lock(mutex);
            outcomes[i] = std::move(outcome);
            ready.notify_all();
        }
    };
    if (workerCount == 1) {
        // One worker gains nothing from a thread, and a busy machine may keep a new thread
        // waiting for its first time slice.
        cFileExaminer examiner(options, spareCore);
        for (size_t i = 0; i < files.size(); ++i)
            print(examiner.Examine(files[i], ReportPathOf(options, i)));
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

// Checks the report options and chooses each file's report path; a usage error's exit status,
// or 0.
int PrepareReports(Options& options, const std::vector<std::string>& files) {
    if (!options.reportFile.empty() && !options.reportDir.empty()) {
        std::cerr << "pellvane-validate: --report and --report-dir exclude each other\n";
        return 2;
    }
    if (!options.reportFile.empty()) {
        if (files.size() != 1) {
            std::cerr << "pellvane-validate: --report takes exactly one photo (--report-dir takes many)\n";
            return 2;
        }
        options.reportPaths = {options.reportFile};
    }
    if (!options.reportDir.empty()) {
        std::error_code error;
        fs::create_directories(options.reportDir, error);
        if (!fs::is_directory(options.reportDir, error)) {
            std::cerr << "pellvane-validate: " << options.reportDir << ": not a folder\n";
            return 2;
        }
        options.reportPaths = cli::ReportPaths(files, options.reportDir);
    }
    return 0;
}

void ShowReportProgress(std::vector<report::IndexEntry>& index, const FileOutcome& outcome, size_t total) {
    index.push_back(outcome.index);
    if (total > 1 && ::isatty(STDERR_FILENO))
        std::cerr << "\r[" << index.size() << "/" << total << "] reports written"
                  << (index.size() == total ? "\n" : "") << std::flush;
}

bool WriteIndex(const Options& options, const std::vector<report::IndexEntry>& index) {
    const std::string path = (fs::path(options.reportDir) / "index.html").string();
    const std::string html = report::IndexHtml(index, report::ThisTool("pellvane-validate", 0, false),
                                               std::chrono::system_clock::now());
    const std::string problem = cli::WriteReportFile(path, html, options.force);
    if (!problem.empty()) std::cerr << "pellvane-validate: " << path << ": " << problem << "\n";
    return problem.empty();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    options.jobs = DefaultJobs();
    CLI::App app{"Pellvane Photo Validator: tells whether a JPEG is an original from a camera.",
                 "pellvane-validate"};
    CLI::Option* inputs = app.add_option("FILE", options.inputs,
                                         "Photos to analyse; folders are searched for .jpg and .jpeg files");
    app.add_flag("--segments", options.segments,
                 "Also list the JPEG segments with their readable descriptions");
    app.add_flag("--tags", options.tags, "Also list every EXIF/TIFF directory entry");
    app.add_flag("--json", options.json, "Print one JSON object per file (JSON Lines)");
    app.add_flag("--explain", options.explain, "Print under each test the evidence that decided it");
    app.add_option("--report", options.reportFile, "Write the photo's forensic report as one HTML file");
    app.add_option("--report-dir", options.reportDir,
                   "Write one HTML report per photo into this folder, and an index.html listing them");
    app.add_flag("--force", options.force, "Let --report and --report-dir overwrite existing files");
    app.add_option("--same-picture", options.samePicture,
                   "Tell whether two files carry identical image data (exit 0 same, 1 different)")
        ->expected(2);
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
    if (!options.samePicture.empty())
        return cli::ComparePictures(options.samePicture[0], options.samePicture[1]);
    if (inputs->count() == 0) {
        std::cerr << "pellvane-validate: FILE is required\n";
        return 2;
    }
    options.colour = !options.json && ColourWanted();
    cli::WatchEndingSignals();

    const std::vector<std::string> files = ExpandInputs(options.inputs);
    if (const int usage = PrepareReports(options, files); usage != 0) return usage;
    std::vector<report::IndexEntry> index;
    bool allAnalysed = true;
    ExamineAll(files, options, [&](const FileOutcome& outcome) {
        std::cout << outcome.out << std::flush;
        // A closed output ends the command as SIGPIPE would, once the temporary files are gone.
        if (!std::cout) cli::EndBySignal(SIGPIPE);
        std::cerr << outcome.err;
        allAnalysed = allAnalysed && outcome.ok;
        if (!options.reportDir.empty()) ShowReportProgress(index, outcome, files.size());
    });
    if (!options.reportDir.empty() && !WriteIndex(options, index)) allAnalysed = false;
    return allAnalysed ? 0 : 1;
}

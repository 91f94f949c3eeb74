// Files built as an attacker would build them: each must give a result (or a clear refusal)
// and leave no temporary file behind. How long they take and how much memory they cost is
// measured by bench/bench_budgets.sh, not here.

#include "cli/ValidateRun.h"
#include "codec/cExifCodec.h"
#include "support/Commands.h"
#include "support/HostileFiles.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pellvane {
namespace {

using nlohmann::json;

using test::ProcessRun;
using test::RunValidate;

bool HasRule(const json& findings, const std::string& rule) {
    for (const json& finding : findings)
        if (finding["rule"] == rule) return true;
    return false;
}

// Every finding of the line: the codec's and the rows'.
json AllFindings(const json& line) {
    json all = json::array();
    if (line["codec"].is_object())
        for (const json& f : line["codec"]["findings"])
            all.push_back(f);
    for (const json& row : line["rows"])
        for (const json& f : row["evidence"])
            all.push_back(f);
    return all;
}

struct HostileCase {
    const char* name;
    std::function<ByteArray()> build;
    const char* budgetRule; // the finding that records the work left undone; "" for none
};

TEST(Budget, HostileFilesAreAnalysedWithTheWorkLeftOutRecorded) {
    const std::vector<HostileCase> cases = {
        {"tag values all naming the same bytes",
         [] { return test::TagAmplificationFile(4000, 256 * 1024, 7); }, "budget.tag-values-not-decoded"},
        {"ASCII values all naming the same bytes",
         [] { return test::TagAmplificationFile(4000, 256 * 1024, 2); }, "budget.tag-values-not-decoded"},
        {"an XMP packet of CR LF pairs", [] { return test::CrLfXmpFile(2'000'000); }, ""},
        {"MPF entries naming one huge declared picture",
         [] { return test::MpfAmplificationFile(4000, test::DeclaredHugeJpeg(15000, 16000)); },
         "budget.embedded-images-not-compared"},
        {"a thumbnail declaring 240 megapixels",
         [] { return test::ThumbnailFile(test::DeclaredHugeJpeg(15000, 16000)); },
         "budget.thumbnail-not-decoded"},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedTempFolder temp;
        const std::string path = test::WriteFile(temp.Input("hostile.jpg"), c.build());
        const ProcessRun run = RunValidate("--json '" + path + "'", temp);
        ASSERT_EQ(run.status, 0) << run.err;
        const json line = json::parse(run.out);
        EXPECT_EQ(line["status"], "analysed");
        if (*c.budgetRule != '\0') {
            EXPECT_TRUE(HasRule(AllFindings(line), c.budgetRule)) << run.out.substr(0, 2000);
        }
        EXPECT_TRUE(temp.LeftoverFiles().empty());
    }
}

TEST(Budget, ListingsCutLongValuesAndStateTheirLength) {
    test::ScopedTempFolder temp;
    const std::string path =
        test::WriteFile(temp.Input("ascii.jpg"), test::TagAmplificationFile(200, 64 * 1024, 2));
    const ProcessRun run = RunValidate("--tags '" + path + "'", temp);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("... (cut; 65536 bytes in all)"), std::string::npos);
    // 200 values of 64 KiB each, shown at 4 KiB at most.
    EXPECT_LT(run.out.size(), 200u * 5000u);
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST(Budget, AFileAboveTwoGibibytesIsRefusedWithoutBeingRead) {
    test::ScopedTempFolder temp;
    const auto path = temp.Input("huge.jpg");
    test::WriteFile(path, test::EncodeSmallJpeg(16, 16));
    std::filesystem::resize_file(path, 2'500'000'000); // sparse: costs no disk
    const ProcessRun run = RunValidate(test::ShellQuoted(path.string()), temp);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("too large"), std::string::npos) << run.err;
    cExifCodec codec;
    EXPECT_EQ(codec.OpenFile(path.string()), kOpenNotImage);
}

// A small picture in a sparse file just below the size limit, with and without its end-of-image
// marker: the file is examined as far as it is held in memory, and both cuts are findings.
TEST(Budget, AFileNearTwoGibibytesIsExaminedAsFarAsItIsHeld) {
    constexpr uintmax_t kFileBytes = uintmax_t{2047} << 20;
    for (const bool withEnd : {true, false}) {
        SCOPED_TRACE(withEnd ? "with its end-of-image marker" : "without one");
        test::ScopedTempFolder temp;
        ByteArray picture = test::EncodeSmallJpeg(64, 48);
        if (!withEnd) picture.resize(picture.size() - 2);
        const auto path = temp.Input("near-limit.jpg");
        test::WriteFile(path, picture);
        std::filesystem::resize_file(path, kFileBytes); // sparse: costs no disk
        const ProcessRun run = RunValidate("--json " + test::ShellQuoted(path.string()), temp);
        ASSERT_EQ(run.status, 0) << run.err;
        const json line = json::parse(run.out);
        EXPECT_EQ(line["status"], "analysed");
        EXPECT_EQ(line["picture"]["width"], 64);
        const json& findings = line["codec"]["findings"];
        EXPECT_TRUE(HasRule(findings, "budget.file-read-in-part"));
        EXPECT_EQ(HasRule(findings, "budget.trailing-data-kept-in-part"), withEnd);
        // The trailing data is as long as the file makes it, though only its start is kept.
        const int64_t trailing = withEnd ? static_cast<int64_t>(kFileBytes - picture.size()) : 0;
        EXPECT_EQ(line["codec"]["eofChunkSize"], trailing);
        EXPECT_TRUE(temp.LeftoverFiles().empty());
    }
}

TEST(Budget, IdenticalEmbeddedImagesAreWrittenOnce) {
    test::ScopedTempFolder temp;
    const ByteArray embedded = test::EncodeSmallJpeg(320, 240);
    const std::string path =
        test::WriteFile(temp.Input("mpf.jpg"), test::MpfAmplificationFile(300, embedded));
    cExifCodec codec;
    codec.OpenFile(path);
    ASSERT_EQ(codec.MPFImageCount(), 300);
    ASSERT_FALSE(codec.MPFImageStreamPath(1).empty());
    for (int32_t i = 2; i < 300; ++i)
        EXPECT_EQ(codec.MPFImageStreamPath(i), codec.MPFImageStreamPath(1));
    EXPECT_EQ(temp.LeftoverFiles().size(), 1u); // the one image
    codec.CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

// --- ending early ---

// Many files with extracted MPF images, for a run that holds temporary files most of the time.
std::vector<std::string> MpfFiles(const test::ScopedTempFolder& temp, int count) {
    const ByteArray bytes = test::MpfAmplificationFile(17, test::EncodeSmallJpeg(1600, 1200));
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i)
        files.push_back(test::WriteFile(temp.Input("mpf" + std::to_string(i) + ".jpg"), bytes));
    return files;
}

bool HoldsTemporaryFile(const test::ScopedTempFolder& temp) {
    return !temp.LeftoverFiles().empty();
}

// Starts the command on the files with --jobs 2 --json, its output into `outFd`.
pid_t StartValidate(const std::vector<std::string>& files, const test::ScopedTempFolder& temp, int outFd) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("TEMP", temp.Path().c_str(), 1);
        ::dup2(outFd, STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        std::vector<std::string> args = {PELLVANE_VALIDATE_EXE, "--jobs", "2", "--json"};
        args.insert(args.end(), files.begin(), files.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

TEST(Budget, SignalsEndTheRunWithoutTemporaryFiles) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        test::ScopedTempFolder temp;
        const std::vector<std::string> files = MpfFiles(temp, 60);
        const int null = ::open("/dev/null", O_WRONLY);
        const pid_t pid = StartValidate(files, temp, null);
        ::close(null);
        // Waits (without a time limit) until a worker holds an extracted image, so that the
        // signal arrives while there is something to remove.
        int status = 0;
        bool exited = false;
        while (!HoldsTemporaryFile(temp) && !exited)
            exited = ::waitpid(pid, &status, WNOHANG) == pid;
        ASSERT_FALSE(exited) << "the run ended before it held a temporary file";
        ::kill(pid, signal);
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(temp.LeftoverFiles().empty());
    }
}

TEST(Budget, AClosedOutputEndsTheRunWithoutTemporaryFiles) {
    test::ScopedTempFolder temp;
    const std::vector<std::string> files = MpfFiles(temp, 40);
    std::array<int, 2> pipe{};
    ASSERT_EQ(::pipe2(pipe.data(), O_CLOEXEC), 0); // the child keeps only its standard output
    const pid_t pid = StartValidate(files, temp, pipe[1]);
    ::close(pipe[1]);
    char first = 0;
    ASSERT_EQ(::read(pipe[0], &first, 1), 1); // as `head -c 1` does
    ::close(pipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

} // namespace
} // namespace pellvane

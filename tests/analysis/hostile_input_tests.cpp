// Files that strangers make, some of them on purpose: whatever the bytes or the kind of file,
// the run answers with a result or a clear refusal and leaves no temporary file behind.

#include "analysis/AnalyzeFile.h"
#include "codec/cExifCodec.h"
#include "imaging/PictureFixtures.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pellvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUnsupportedFile = "Unsupported file format!";

// Calls back once the picture has decoded, before the codec reads the file.
class cAfterDecodeObserver final : public IAnalysisObserver {
  public:
    explicit cAfterDecodeObserver(std::function<void()> action) : action_(std::move(action)) {}
    void PictureDigested(const PictureDigest&) override { action_(); }

  private:
    std::function<void()> action_;
};

// A small photo as a camera writes it: EXIF with a make, a model and a picture that decodes.
test::Bytes SmallPhoto() {
    test::RgbaPicture picture(64, 48);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.At(x, y) = {static_cast<uint8_t>(x * 4), static_cast<uint8_t>(y * 5), 90};
    return test::EncodeJpeg(picture, {.exifOrientation = 1});
}

// The position of the first segment with this marker byte.
size_t FindSegment(const test::Bytes& jpeg, uint8_t marker) {
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return i;
    ADD_FAILURE() << "no segment FF " << std::hex << int{marker};
    return 0;
}

test::Bytes WithDeclaredSize(test::Bytes jpeg, uint16_t width, uint16_t height) {
    const size_t frame = *test::FindJpegFrameHeader(jpeg);
    jpeg[frame + 3] = static_cast<uint8_t>(height >> 8);
    jpeg[frame + 4] = static_cast<uint8_t>(height);
    jpeg[frame + 5] = static_cast<uint8_t>(width >> 8);
    jpeg[frame + 6] = static_cast<uint8_t>(width);
    return jpeg;
}

// The first Huffman table claims 255 codes of every length: far more than its segment holds.
test::Bytes WithOverrunningHuffmanTable(test::Bytes jpeg) {
    const size_t table = FindSegment(jpeg, 0xC4);
    for (size_t length = 0; length < 16; ++length)
        jpeg[table + 5 + length] = 0xFF;
    return jpeg;
}

struct RunOutcome {
    AnalysisReport report;
    std::vector<std::string> leftovers;
};

// Runs the analysis with a fresh codec and releases it, as the command line does per file.
RunOutcome Analyze(const test::ScopedTempFolder& temp, const std::string& path, IAnalysisObserver& observer) {
    RunOutcome outcome;
    {
        std::unique_ptr<IExifCodec> codec;
        outcome.report = AnalyzeFile(path, codec, {}, observer);
    }
    outcome.leftovers = temp.LeftoverFiles();
    return outcome;
}

RunOutcome Analyze(const test::ScopedTempFolder& temp, const std::string& path) {
    cSilentObserver observer;
    return Analyze(temp, path, observer);
}

std::string Write(const test::ScopedTempFolder& temp, const std::string& name, const test::Bytes& bytes) {
    test::WriteFileBytes(temp.Input(name), bytes);
    return temp.Input(name).string();
}

TEST(HostileInput, FilesThatAreNoReadablePictureAreRefusedAsUnsupported) {
    test::ScopedTempFolder temp;
    fs::create_directories(temp.Input("folder.jpg"));
    const std::string fifo = temp.Input("pipe.jpg").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string path;
    };
    const Case cases[] = {
        {"empty file", Write(temp, "empty.jpg", {})},
        {"one byte", Write(temp, "one.jpg", {0xFF})},
        {"two bytes", Write(temp, "two.jpg", {0xFF, 0xD8})},
        {"three bytes", Write(temp, "three.jpg", {0xFF, 0xD8, 0xFF})},
        {"four bytes", Write(temp, "four.jpg", {0xFF, 0xD8, 0xFF, 0xD9})},
        {"missing file", temp.Input("missing.jpg").string()},
        {"folder", temp.Input("folder.jpg").string()},
        // Opening a pipe for reading would wait for a writer for ever.
        {"named pipe", fifo},
        {"65535 x 65535 pixels declared",
         Write(temp, "huge.jpg", WithDeclaredSize(SmallPhoto(), 65535, 65535))},
        {"Huffman table overrunning its segment",
         Write(temp, "huffman.jpg", WithOverrunningHuffmanTable(SmallPhoto()))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunOutcome outcome = Analyze(temp, c.path);
        EXPECT_TRUE(outcome.report.refused);
        EXPECT_EQ(outcome.report.refusal, kUnsupportedFile);
        EXPECT_TRUE(outcome.report.rows.empty());
        EXPECT_TRUE(outcome.leftovers.empty());
    }
}

TEST(HostileInput, APictureAboveThePixelLimitIsRefusedWithItsDeclaredSize) {
    // The refusal keeps its text; the report adds the size, so that a window can say why.
    test::ScopedTempFolder temp;
    const RunOutcome huge =
        Analyze(temp, Write(temp, "huge.jpg", WithDeclaredSize(SmallPhoto(), 65535, 40000)));
    EXPECT_TRUE(huge.report.refused);
    EXPECT_EQ(huge.report.refusal, kUnsupportedFile);
    ASSERT_TRUE(huge.report.tooLarge.has_value());
    EXPECT_EQ(*huge.report.tooLarge, (DeclaredSize{65535, 40000}));

    // A file that does not decode for another reason is not called too large.
    const RunOutcome broken =
        Analyze(temp, Write(temp, "huffman.jpg", WithOverrunningHuffmanTable(SmallPhoto())));
    EXPECT_TRUE(broken.report.refused);
    EXPECT_FALSE(broken.report.tooLarge.has_value());
}

TEST(HostileInput, AFileWithoutReadPermissionIsRefused) {
    test::ScopedTempFolder temp;
    const std::string path = Write(temp, "locked.jpg", SmallPhoto());
    fs::permissions(path, fs::perms::none);
    const auto refused = [&] {
        const RunOutcome outcome = Analyze(temp, path);
        return outcome.report.refused && outcome.report.refusal == kUnsupportedFile;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(refused());
    } else {
        // The superuser reads every file: the run happens in a child process that gives up the
        // superuser's rights, and reports through its exit status.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            ::_exit(refused() ? 0 : 1);
        }
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    fs::permissions(path, fs::perms::owner_all);
}

TEST(HostileInput, TheCodecReadsNoHeaderAsAPictureItCannotBe) {
    // The codec reports the frame header as it stands; only the decoder refuses the size.
    test::ScopedTempFolder temp;
    cExifCodec codec;
    EXPECT_EQ(codec.OpenFile(Write(temp, "huge.jpg", WithDeclaredSize(SmallPhoto(), 65535, 65535))), kOpenOk);
    EXPECT_EQ(codec.ImageWidth(), 65535);
    EXPECT_EQ(codec.ImageHeight(), 65535);
    // The listing of the overrunning table stops where its segment ends.
    EXPECT_EQ(codec.OpenFile(Write(temp, "huffman.jpg", WithOverrunningHuffmanTable(SmallPhoto()))), kOpenOk);
    const int16_t table = codec.FindMarker(MarkerNumber(0xC4), "");
    ASSERT_GT(table, 0);
    EXPECT_FALSE(codec.MarkerDataString(table).empty());
}

TEST(HostileInput, AFileThatVanishesOrShrinksAfterDecodingGetsAClearResult) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
        bool refused;
    };
    const Case cases[] = {
        {"removed", [](const std::string& path) { fs::remove(path); }, true},
        {"emptied", [](const std::string& path) { fs::resize_file(path, 0); }, false},
        {"cut to its first segments", [](const std::string& path) { fs::resize_file(path, 300); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedTempFolder temp;
        const std::string path = Write(temp, "photo.jpg", SmallPhoto());
        cAfterDecodeObserver observer([&] { c.change(path); });
        const RunOutcome outcome = Analyze(temp, path, observer);
        EXPECT_EQ(outcome.report.refused, c.refused);
        if (c.refused) {
            EXPECT_EQ(outcome.report.refusal, kUnsupportedFile);
        } else {
            // What is left is judged as it stands.
            EXPECT_FALSE(outcome.report.rows.empty());
            EXPECT_GE(outcome.report.ratingClass, 1);
            EXPECT_LE(outcome.report.ratingClass, 2);
        }
        EXPECT_TRUE(outcome.leftovers.empty());
    }
}

TEST(HostileInput, NamesWithQuotesAndLettersBeyondAsciiAreAnalysedAsAnyOther) {
    test::ScopedTempFolder temp;
    const AnalysisReport plain = Analyze(temp, Write(temp, "photo.jpg", SmallPhoto())).report;
    for (const char* name : {"Fotoğraf \"çok\" 'güzel'.jpg", "写真 📷.jpg", "a\\b;$(x)`y`.jpg"}) {
        SCOPED_TRACE(name);
        const AnalysisReport report = Analyze(temp, Write(temp, name, SmallPhoto())).report;
        EXPECT_FALSE(report.refused);
        EXPECT_EQ(report.ratingClass, plain.ratingClass);
        EXPECT_EQ(report.rows, plain.rows);
    }
}

TEST(HostileInput, ADirectoryThatLinksBackToItselfIsReadOnceAndTheRunEnds) {
    test::Bytes photo = SmallPhoto();
    // The EXIF segment holds IFD0 with its one entry; its link to the next directory is made to
    // point at IFD0 itself.
    const size_t tiff = FindSegment(photo, 0xE1) + 10;
    ASSERT_EQ(photo[tiff], 'I');
    ASSERT_EQ(photo[tiff + 8], 1);
    photo[tiff + 8 + 2 + 12] = 8;
    test::ScopedTempFolder temp;
    const std::string path = Write(temp, "loop.jpg", photo);
    {
        cExifCodec codec;
        EXPECT_EQ(codec.OpenFile(path), kOpenOk);
        EXPECT_EQ(codec.IFDEntryCount(1), 1);
    }
    const RunOutcome outcome = Analyze(temp, path);
    EXPECT_FALSE(outcome.report.refused);
    EXPECT_FALSE(outcome.report.rows.empty());
    EXPECT_TRUE(outcome.leftovers.empty());
}

} // namespace
} // namespace pellvane

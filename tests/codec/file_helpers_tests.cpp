#include "codec/TextCodec.h"
#include "codec/ValueText.h"
#include "codec/mFile.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utime.h>

namespace pellvane {
namespace {

struct RationalCase {
    int32_t numerator, denominator;
    const char* text;
};

TEST(RationalText, FormatsQuotientsAsTheTagListShowsThem) {
    const RationalCase cases[] = {
        {1, 4, "0.25"},  {1, 8, "0.125"}, {0, 5, "0"},   {5, 0, "0"},          {-1, 2, "-0.5"},
        {28, 10, "2.8"}, {125, 1, "125"}, {-3, 1, "-3"}, {1, 3, "0.33333334"}, {72, 1, "72"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RationalText(c.numerator, c.denominator), c.text) << c.numerator << "/" << c.denominator;
}

TEST(ReverseCopy, ReversesEachElementOnItsOwn) {
    const std::vector<uint8_t> src = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    std::vector<uint8_t> dst(8);
    ReverseCopy(dst, src, 4, 4);
    EXPECT_EQ(std::vector<uint8_t>(dst.begin(), dst.begin() + 4),
              (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
    ReverseCopy(dst, src, 8, 4);
    EXPECT_EQ(dst, (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12, 0xF0, 0xDE, 0xBC, 0x9A}));
    ReverseCopy(dst, src, 8, 1);
    EXPECT_EQ(dst, (std::vector<uint8_t>{0xF0, 0xDE, 0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12}));
}

TEST(Padding, PadsOnlyUpToTheWidth) {
    EXPECT_EQ(PadLeft("7", 2, '0'), "07");
    EXPECT_EQ(PadLeft("123", 2, '0'), "123");
    EXPECT_EQ(PadRight("ab", 4, '.'), "ab..");
    EXPECT_EQ(ToUnsigned16(-1), 65535);
    EXPECT_EQ(ToUnsigned32(-1), 4294967295.0);
}

TEST(FormatSize, GivesTheElementSizeOfEveryTiffType) {
    const int32_t expected[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0};
    for (int32_t format = 0; format <= 14; ++format)
        EXPECT_EQ(FormatSize(format), expected[format]) << format;
}

TEST(RandomName, DrawsFromTheChosenAlphabetOnly) {
    EXPECT_EQ(RandomName(8, 5), "");
    EXPECT_EQ(RandomName(-1, 5), "");
    const std::string hex = RandomName(7, 200);
    EXPECT_EQ(hex.size(), 200u);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(RandomName(0, 50).find_first_not_of("0123456789"), std::string::npos);
}

TEST(RandomName, NamesMadeInTheSameInstantDiffer) {
    // The names used to come from a generator reseeded from the clock, so two made in
    // the same tick were equal.
    std::set<std::string> names;
    for (int i = 0; i < 1000; ++i)
        names.insert(RandomName(6, 15));
    EXPECT_EQ(names.size(), 1000u);

    std::string fromThreadA, fromThreadB;
    std::thread a([&] { fromThreadA = RandomName(6, 15); });
    std::thread b([&] { fromThreadB = RandomName(6, 15); });
    a.join();
    b.join();
    EXPECT_NE(fromThreadA, fromThreadB);
}

TEST(TempFiles, AreCreatedExclusivelyInTheTempFolder) {
    test::ScopedTempFolder temp;
    const std::vector<uint8_t> bytes = {1, 2, 3};
    const std::string first = WriteTempFile("TEMP", ".TMP", bytes);
    const std::string second = WriteTempFile("TEMP", ".TMP", bytes);
    ASSERT_FALSE(first.empty());
    ASSERT_NE(first, second);
    EXPECT_EQ(std::filesystem::path(first).parent_path(), temp.Path());
    EXPECT_EQ(std::filesystem::file_size(first), 3u);
    EXPECT_EQ(std::filesystem::path(first).filename().string().size(), 4 + 15 + 4u);
    DeleteFileQuietly(first);
    DeleteFileQuietly(second);
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST(TempFiles, TwoProcessesAndTwoThreadsNeverShareOne) {
    test::ScopedTempFolder temp;
    (void)RandomName(6, 15); // the parent's generator is in use before the fork
    constexpr int kFilesEach = 100;
    // Each writer's files hold its own number, so a file taken over by another shows.
    const auto writeFiles = [](uint8_t writer) {
        std::vector<std::string> paths;
        for (int i = 0; i < kFilesEach; ++i)
            paths.push_back(WriteTempFile("TEMP", ".TMP", std::vector<uint8_t>{writer}));
        return paths;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The next name the child draws, for the parent to compare with its own.
        std::ofstream(temp.Path() / "inputs" / "child-name") << RandomName(6, 15);
        const auto paths = writeFiles(1);
        ::_exit(std::count(paths.begin(), paths.end(), "") == 0 ? 0 : 1);
    }
    const std::string parentName = RandomName(6, 15);
    std::vector<std::string> fromA, fromB;
    std::thread a([&] { fromA = writeFiles(2); });
    std::thread b([&] { fromB = writeFiles(3); });
    a.join();
    b.join();
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string childName;
    std::ifstream(temp.Path() / "inputs" / "child-name") >> childName;
    EXPECT_EQ(childName.size(), 15u);
    EXPECT_NE(childName, parentName);

    std::map<uint8_t, int> filesPerWriter;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path())) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        ++filesPerWriter[static_cast<uint8_t>(in.get())];
    }
    EXPECT_EQ(filesPerWriter, (std::map<uint8_t, int>{{1, kFilesEach}, {2, kFilesEach}, {3, kFilesEach}}));
}

TEST(TempFiles, FallBackToTheSystemFolderWithoutTemp) {
    test::ScopedTempFolder temp; // restores TEMP afterwards
    ::unsetenv("TEMP");
    const auto system = TempFolder();
    EXPECT_TRUE(std::filesystem::is_directory(system));
    ::setenv("TEMP", "/nonexistent/folder", 1);
    EXPECT_EQ(TempFolder(), system);
    const std::vector<uint8_t> bytes = {1};
    const std::string path = WriteTempFile("TEMP", ".TMP", bytes);
    EXPECT_EQ(std::filesystem::path(path).parent_path(), system);
    DeleteFileQuietly(path);
}

TEST(GetFileDate, ConvertsUtcToLocalStandardTime) {
    test::ScopedTempFolder temp;
    const auto path = temp.Input("dated.bin");
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fclose(f);
    }
    // 2024-03-01 12:00:00 UTC.
    const time_t noon = 1709294400;
    utimbuf times{noon, noon};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);

    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    ::setenv("TZ", "XST-8", 1); // eight hours east of UTC, no daylight saving
    ::tzset();
    const cFileHandle file = OpenFileHandle(path.string(), true);
    const double date = GetFileDate(file, 1);
    if (oldTz)
        ::setenv("TZ", savedTz.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();

    // 2024-03-01 is OLE day 45352; 20:00 is 5/6 of a day.
    EXPECT_NEAR(date, 45352.0 + 20.0 / 24.0, 1e-6);
    EXPECT_EQ(GetFileDate(cFileHandle(), 1), 0.0);
}

TEST(OpenFileHandle, RefusesMissingFilesAndFolders) {
    test::ScopedTempFolder temp;
    EXPECT_FALSE(OpenFileHandle((temp.Path() / "missing.jpg").string(), true).IsValid());
    EXPECT_FALSE(OpenFileHandle(temp.Path().string(), true).IsValid());
}

TEST(AnsiText, ConvertsWindows1252BothWays) {
    const std::vector<uint8_t> bytes = {'A', 0x80, 0xE9, 0x00, 'z'};
    const std::string text = AnsiToText(bytes);
    EXPECT_EQ(text, std::string("A\xE2\x82\xAC\xC3\xA9\0z", 8));
    EXPECT_EQ(TextToAnsi(text), bytes);
    EXPECT_EQ(CutAtNul(text), "A\xE2\x82\xAC\xC3\xA9");
}

} // namespace
} // namespace pellvane

// The legacy-editor check, and what it does to the class and the messages of a whole run.

#include "analysis/AnalyzeFile.h"
#include "analysis/FakeCodec.h"
#include "analysis/checks/Checks.h"
#include "imaging/PictureFixtures.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

TEST(LegacyData, NamesTheEditorWithItsVersionAndFails) {
    struct Case {
        int16_t version;
        std::optional<int16_t> status;
        const char* software;
    };
    const Case cases[] = {
        {0, std::nullopt, "Adobe Photoshop"},
        {280, 1, "Pellvane Metadata Editor (v1.03 Cracked)"},
        {1260, 1, "Pellvane Metadata Editor (Core: 1260)"},
        {95, 1, "Pellvane Metadata Editor (Core: 0095)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        test::cFakeCodec codec;
        codec.pelvnVersion = c.version;
        PictureDigest picture;
        RunFlags flags;
        flags.detectedSoftware = "Adobe Photoshop"; // found by an earlier test
        CheckContext context{codec, picture, flags, 0};
        EXPECT_EQ(DecidedStatus(LegacyDataCheck(context)), c.status);
        EXPECT_EQ(flags.detectedSoftware, c.software);
        EXPECT_EQ(flags.legacyDataFound, c.status.has_value());
    }
}

TEST(LegacyData, ForcesClassOneWithTheEditorAlertAndNotice) {
    test::ScopedTempFolder temp;
    test::RgbaPicture ramp(256, 32);
    for (int y = 0; y < ramp.height; ++y)
        for (int x = 0; x < ramp.width; ++x)
            ramp.At(x, y) = {static_cast<uint8_t>(x), static_cast<uint8_t>(x), static_cast<uint8_t>(x)};
    const std::filesystem::path path = temp.Input("photo.jpg");
    test::WriteFileBytes(path, test::EncodeJpeg(ramp));

    // A Canon file that passes every other test.
    auto run = [&](int16_t pelvnVersion) {
        auto fake = std::make_unique<test::cFakeCodec>();
        fake->maker = kMakerCanon;
        fake->makerName = "Canon";
        fake->signature = "FF7B19E4";
        fake->SetTag(0x927C, 2, "MakerNote");
        fake->SetTag(0x0110, 1, "Canon EOS 5D");
        fake->makerNoteIsOriginal = true;
        fake->entryCounts[5] = 30;
        fake->width = 4368;
        fake->height = 2912;
        fake->pelvnVersion = pelvnVersion;
        std::unique_ptr<IExifCodec> holder = std::move(fake);
        cSilentObserver observer;
        return AnalyzeFile(path.string(), holder, {}, observer);
    };

    const AnalysisReport clean = run(0);
    EXPECT_GE(clean.ratingClass, 4);
    EXPECT_TRUE(clean.messages.legacyAlert.empty());

    const AnalysisReport report = run(1260);
    ASSERT_FALSE(report.rows.empty());
    const ResultRow& legacy = report.rows.front();
    EXPECT_EQ((ResultRow{legacy.caption, legacy.key, legacy.level, legacy.word, legacy.icon, {}}),
              (ResultRow{"Pellvane Legacy Data Detection", "Window.Main.Results.Pelvn", 1, "Fail", 0, {}}));
    ASSERT_EQ(legacy.findings.size(), 1u);
    EXPECT_EQ(legacy.findings[0].rule, "legacy.editor-block");
    EXPECT_EQ(report.rows.size(), clean.rows.size() + 1);
    EXPECT_EQ(report.ratingClass, 1);
    EXPECT_EQ(report.messages.message, "This image has been processed by the following software: Pellvane "
                                       "Metadata Editor (Core: 1260)");
    EXPECT_EQ(
        report.messages.legacyAlert,
        "Legacy data from an early version of Pellvane Metadata Editor was found, please upgrade your ");
    EXPECT_EQ(report.messages.legacyNotice, "editor to solve the problem: ");
    EXPECT_TRUE(report.flags.legacyDataFound);
}

} // namespace
} // namespace pellvane

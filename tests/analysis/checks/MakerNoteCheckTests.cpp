// The MakerNote test: unlisted makers, a missing MakerNote per maker and model, a present one
// judged by the codec, and the Canon serial rule.

#include "analysis/FakeCodec.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

constexpr uint32_t kMakerNote = 0x927C;
constexpr uint32_t kMake = 0x010F;
constexpr uint32_t kCanonSerial = 0x0096;

enum class Note { Missing, Present, Deleted };

struct MakerNoteCase {
    const char* name;
    int32_t maker;
    Note note;
    const char* make = "";
    const char* model = "";
    const char* software = "";
    bool original = true;
    bool processed = true;
    int32_t entries = 10;
    bool signatureMatched = false;
    int32_t openResult = 0;
    const char* canonSerial = nullptr;
    int16_t status = 0;
    bool legacy = false;
};

std::ostream& operator<<(std::ostream& out, const MakerNoteCase& c) {
    return out << c.name;
}

class MakerNoteRules : public testing::TestWithParam<MakerNoteCase> {};

TEST_P(MakerNoteRules, DecideTheStatus) {
    const MakerNoteCase& c = GetParam();
    test::cFakeCodec codec;
    codec.maker = c.maker;
    if (c.note != Note::Missing) codec.SetTag(kMakerNote, 2, "MakerNote");
    if (c.note == Note::Deleted) codec.deletedTags.insert({kMakerNote, 2});
    codec.SetTag(kMake, 1, c.make);
    codec.SetTag(kTagModel, 1, c.model);
    codec.SetTag(kTagSoftware, 1, c.software);
    codec.makerNoteIsOriginal = c.original;
    codec.processMakerNote = c.processed;
    codec.entryCounts[5] = c.entries;
    if (c.canonSerial != nullptr) codec.SetTag(kCanonSerial, 5, c.canonSerial);
    PictureDigest picture;
    RunFlags flags;
    flags.signatureMatched = c.signatureMatched;
    CheckContext context{codec, picture, flags, c.openResult};

    EXPECT_EQ(DecidedStatus(MakerNoteCheck(context)), std::optional<int16_t>(c.status));
    EXPECT_EQ(flags.legacyDataFound, c.legacy);
}

// Designated fields keep each case to what it is about; the rest are a sound camera file.
constexpr MakerNoteCase kMakerNoteCases[] = {
    // Makers without rules can never pass on the MakerNote alone.
    {.name = "UnlistedWithMakerNote", .maker = 10, .note = Note::Present, .status = 4},
    {.name = "UnlistedWithoutMakerNote", .maker = 10, .note = Note::Missing, .status = 3},
    {.name = "UnlistedWithDeletedMakerNote", .maker = 10, .note = Note::Deleted, .status = 3},
    {.name = "UnlistedWithoutExif", .maker = 0, .note = Note::Missing, .openResult = 6, .status = 1},

    // A MakerNote that is present is judged by the codec.
    {.name = "PresentAndOriginal", .maker = 1, .note = Note::Present, .status = 5},
    {.name = "PresentButNotRead", .maker = 2, .note = Note::Present, .processed = false, .status = 2},
    {.name = "RewrittenWithCameraTables",
     .maker = 2,
     .note = Note::Present,
     .original = false,
     .signatureMatched = true,
     .status = 2},
    {.name = "RewrittenWithForeignTables", .maker = 2, .note = Note::Present, .original = false, .status = 1},
    {.name = "OriginalButEmpty", .maker = 7, .note = Note::Present, .entries = 0, .status = 3},
    {.name = "DeletedCountsAsMissing", .maker = 6, .note = Note::Deleted, .status = 1},

    // Missing: most makers always write one.
    {.name = "CanonMissing", .maker = 1, .note = Note::Missing, .model = "Canon EOS 5D", .status = 1},
    {.name = "PentaxMissing", .maker = 7, .note = Note::Missing, .status = 1},
    {.name = "PanasonicMissing", .maker = 6, .note = Note::Missing, .status = 1},
    {.name = "DjiMissing", .maker = 29, .note = Note::Missing, .status = 1},
    // Olympus and Nikon: only the listed model lines.
    {.name = "OlympusOldModelMissing", .maker = 5, .note = Note::Missing, .model = "C40Z,D40Z", .status = 5},
    {.name = "OlympusPenMissing", .maker = 5, .note = Note::Missing, .model = "e-p3", .status = 1},
    {.name = "OlympusToughMissing", .maker = 5, .note = Note::Missing, .model = "TG-4", .status = 1},
    {.name = "NikonDslrMixedCaseMissing",
     .maker = 2,
     .note = Note::Missing,
     .model = "Nikon D70",
     .status = 1},
    {.name = "NikonCoolpixMissing", .maker = 2, .note = Note::Missing, .model = "COOLPIX P900", .status = 1},
    {.name = "NikonOldCompactMissing", .maker = 2, .note = Note::Missing, .model = "E950", .status = 5},
    // Apple: from iOS 7 on the camera writes one.
    {.name = "AppleIos6Missing", .maker = 23, .note = Note::Missing, .software = "6.1.3", .status = 5},
    {.name = "AppleIos7Missing", .maker = 23, .note = Note::Missing, .software = "7.0", .status = 1},
    {.name = "AppleIos10Missing", .maker = 23, .note = Note::Missing, .software = "10.3.1", .status = 1},
    {.name = "AppleOtherSoftwareMissing",
     .maker = 23,
     .note = Note::Missing,
     .software = "iOS 12",
     .status = 5},
    // Sony Ericsson phones write none.
    {.name = "SonyEricssonMissing", .maker = 3, .note = Note::Missing, .make = "Sony Ericsson", .status = 5},
    {.name = "SonyMissing", .maker = 3, .note = Note::Missing, .make = "SONY", .status = 1},
    // Samsung: the phone lines are judged with the tables, and a MakerNote the codec still
    // found elsewhere raises the status by one.
    {.name = "SamsungPhoneMatchedMissing",
     .maker = 12,
     .note = Note::Missing,
     .model = "SM-G920F",
     .original = false,
     .signatureMatched = true,
     .status = 3},
    {.name = "SamsungPhoneUnmatchedMissing",
     .maker = 12,
     .note = Note::Missing,
     .model = "SM-A520F",
     .original = false,
     .status = 2},
    {.name = "SamsungOtherMissing",
     .maker = 12,
     .note = Note::Missing,
     .model = "GT-I9100",
     .original = false,
     .status = 1},
    {.name = "SamsungPhoneMissingButOriginal",
     .maker = 12,
     .note = Note::Missing,
     .model = "SM-G920F",
     .original = true,
     .signatureMatched = true,
     .status = 4},
    {.name = "SamsungOtherMissingButOriginal",
     .maker = 12,
     .note = Note::Missing,
     .model = "GT-I9100",
     .original = true,
     .status = 2},

    // Canon's serial entry: a short one is the legacy editor's trace.
    {.name = "CanonShortSerialEos",
     .maker = 1,
     .note = Note::Present,
     .make = "Canon EOS",
     .canonSerial = "ABC",
     .status = 2,
     .legacy = true},
    {.name = "CanonShortSerialOther",
     .maker = 1,
     .note = Note::Present,
     .make = "Canon",
     .canonSerial = "ABC",
     .status = 4},
    {.name = "CanonFullSerial",
     .maker = 1,
     .note = Note::Present,
     .make = "Canon EOS",
     .canonSerial = "K0024263",
     .status = 5},
    {.name = "CanonShortSerialNeverRaises",
     .maker = 1,
     .note = Note::Missing,
     .make = "Canon EOS",
     .canonSerial = "ABC",
     .status = 1,
     .legacy = true},
};

INSTANTIATE_TEST_SUITE_P(Table, MakerNoteRules, testing::ValuesIn(kMakerNoteCases),
                         [](const testing::TestParamInfo<MakerNoteCase>& info) { return info.param.name; });

} // namespace
} // namespace pellvane

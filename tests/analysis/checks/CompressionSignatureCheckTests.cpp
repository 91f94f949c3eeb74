// The compression signature test: editing software first, then the camera tables per maker
// and model.

#include "analysis/FakeCodec.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

constexpr int16_t kDri = static_cast<int16_t>(0xDDFF);

struct SignatureCase {
    const char* name;
    int32_t maker;
    const char* model;
    const char* signature;
    bool restartInterval;
    bool flashPix;
    int16_t status;
    const char* software;
};

std::ostream& operator<<(std::ostream& out, const SignatureCase& c) {
    return out << c.name;
}

class CompressionSignature : public testing::TestWithParam<SignatureCase> {};

TEST_P(CompressionSignature, DecidesTheStatusAndTheFlags) {
    const SignatureCase& c = GetParam();
    test::cFakeCodec codec;
    codec.maker = c.maker;
    codec.signature = c.signature;
    codec.SetTag(kTagModel, 1, c.model);
    if (c.restartInterval) codec.markers.insert({kDri, ""});
    if (c.flashPix) codec.markers.insert({kMarkerAPP2, "FPXR"});
    PictureDigest picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags};

    EXPECT_EQ(DecidedStatus(CompressionSignatureCheck(context)), std::optional<int16_t>(c.status));
    EXPECT_EQ(flags.signatureMatched, c.status == 5);
    EXPECT_EQ(flags.detectedSoftware, c.software);
    EXPECT_EQ(flags.flashPixPresent, c.flashPix);
}

constexpr SignatureCase kSignatureCases[] = {
    // Editing software decides before any camera table.
    {"AdobeInACanonFile", 1, "Canon EOS 5D", "88B65E74", false, false, 1, "Adobe (Unknown Product)"},
    {"AdobeLastListedValue", 2, "NIKON D70", "E42B20E0", false, false, 1, "Adobe (Unknown Product)"},
    {"AcdseeInANikonFile", 2, "NIKON D70", "26DE63B1", false, false, 1, "ACDSee"},
    {"AcdseeInAnUnlistedMakersFile", 5, "E-P3", "99861966", false, false, 1, "ACDSee"},
    // Samsung phones write one of the Adobe tables themselves.
    {"SamsungWithItsOwnAdobeTable", 12, "GT-I9100", "819CFB03", false, false, 3, ""},
    {"SamsungPhoneWithItsOwnAdobeTable", 12, "SM-G920F", "819CFB03", false, false, 3, ""},
    {"SamsungWithAnotherAdobeTable", 12, "SM-G920F", "88B65E74", false, false, 1, "Adobe (Unknown Product)"},
    {"ThatAdobeTableInAnotherMakersFile", 2, "NIKON D70", "819CFB03", false, false, 1,
     "Adobe (Unknown Product)"},

    {"CanonOwn", 1, "Canon EOS 5D", "95FCE30C", false, false, 5, ""},
    {"CanonUnknown", 1, "Canon EOS 5D", "12345678", false, false, 2, ""},
    {"NikonOwn", 2, "NIKON D40", "181626AF", false, false, 5, ""},
    {"NikonUnknown", 2, "NIKON D40", "12345678", false, false, 3, ""},

    {"SamsungPhoneOwn", 12, "SM-N9005", "A3979FE4", false, false, 5, ""},
    {"SamsungPhoneTableInAnotherModel", 12, "GT-I9100", "A3979FE4", false, false, 4, ""},
    {"SamsungCameraTableInAPhone", 12, "SM-G920F", "3F5666B9", false, false, 4, ""},
    {"SamsungCameraOwn", 12, "EK-GC100", "D50E050B", false, false, 5, ""},
    {"SamsungCameraUnknown", 12, "EK-GC100", "12345678", false, false, 3, ""},
    {"SamsungPhoneUnknown", 12, "SM-A520F", "12345678", false, false, 3, ""},
    {"SamsungPrefixIsCaseSensitive", 12, "sm-n9005", "A3979FE4", false, false, 4, ""},

    {"HuaweiOwn", 30, "ELE-L29", "7B3766BC", false, false, 5, ""},
    {"HuaweiUnknown", 30, "ELE-L29", "12345678", false, false, 3, ""},

    {"AppleOwnWithRestartInterval", 23, "iPhone 4S", "350EF43B", true, false, 5, ""},
    {"AppleUnknownWithRestartInterval", 23, "iPhone 4S", "12345678", true, false, 3, ""},
    {"AppleOwnWithoutRestartInterval", 23, "iPhone 4S", "350EF43B", false, false, 2, ""},

    {"SonyInterchangeableOwn", 3, "ILCE-7M3", "EC280E41", false, false, 5, ""},
    {"SonyInterchangeableDoubtful", 3, "NEX-5", "FE0CA4AC", false, false, 3, ""},
    {"SonyInterchangeableUnknown", 3, "SLT-A77V", "12345678", false, false, 2, ""},
    {"SonyCompactTableInAnInterchangeable", 3, "DSLR-A700", "E28603EB", false, false, 2, ""},
    {"SonyCompactOwn", 3, "DSC-RX100", "E28603EB", false, false, 5, ""},
    {"SonyCompactUnknown", 3, "DSC-RX100", "FE0CA4AC", false, false, 3, ""},

    {"FujifilmXOwn", 4, "X-T1", "7102F6FA", false, false, 5, ""},
    {"FujifilmXUnknownWithFlashPix", 4, "X-T1", "12345678", false, true, 4, ""},
    {"FujifilmXUnknownWithoutFlashPix", 4, "X-T1", "12345678", false, false, 2, ""},
    {"FujifilmFinePixOwn", 4, "FinePix S5500", "B67C5122", false, false, 5, ""},
    {"FujifilmFinePixDoubtful", 4, "FinePix S5500", "DD72630E", false, false, 4, ""},
    {"FujifilmFinePixUnknownEvenWithFlashPix", 4, "FinePix S5500", "12345678", false, true, 3, ""},
    {"FujifilmOtherWithFlashPix", 4, "DX-10", "12345678", false, true, 4, ""},
    {"FujifilmOtherWithoutFlashPix", 4, "DX-10", "12345678", false, false, 3, ""},
    {"FujifilmOtherHasNoOwnTable", 4, "DX-10", "7102F6FA", false, false, 3, ""},

    {"UnlistedMaker", 5, "E-P3", "FF7B19E4", false, false, 4, ""},
    {"NoMakerAtAll", 0, "", "FF7B19E4", false, true, 4, ""},
};

INSTANTIATE_TEST_SUITE_P(Table, CompressionSignature, testing::ValuesIn(kSignatureCases),
                         [](const testing::TestParamInfo<SignatureCase>& info) { return info.param.name; });

TEST(CompressionSignatureWithoutTables, AddsNoRowButStillNotesFlashPix) {
    test::cFakeCodec codec;
    codec.maker = 4;
    codec.markers.insert({kMarkerAPP2, "FPXR"});
    PictureDigest picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags};
    EXPECT_EQ(DecidedStatus(CompressionSignatureCheck(context)), std::nullopt);
    EXPECT_TRUE(flags.flashPixPresent);
    EXPECT_FALSE(flags.signatureMatched);
}

TEST(CompressionSignatureWithoutTables, OtherApp2SegmentsAreNoFlashPix) {
    test::cFakeCodec codec;
    codec.markers.insert({kMarkerAPP2, "MPF"});
    PictureDigest picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags};
    CompressionSignatureCheck(context);
    EXPECT_FALSE(flags.flashPixPresent);
}

} // namespace
} // namespace pellvane

// Software identification: the names editing programs leave in tags, XMP packets, user
// comments and comment segments, the segments only Adobe programs write, and the ICC hint.

#include "codec/cExifCodec.h"
#include "codec/extensions/Software.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

using namespace test;

ByteArray Exif(std::vector<IfdEntry> ifd0, std::vector<IfdEntry> exif = {}) {
    TiffSpec spec;
    spec.ifd0 = std::move(ifd0);
    spec.exif = std::move(exif);
    return ExifSegment(BuildTiff(spec));
}

ByteArray Xmp(const std::string& packet) {
    return Segment(0xE1, Concat({TextBytes("http://ns.adobe.com/xap/1.0/"), {0}, TextBytes(packet)}));
}

// An application segment named `identifier` whose length field reads `size`.
ByteArray NamedSegment(uint8_t marker, const std::string& identifier, size_t size) {
    ByteArray payload = Concat({TextBytes(identifier), {0}});
    payload.resize(size - 2, 0);
    return Segment(marker, payload);
}

ByteArray Comment(const std::string& text) {
    return Segment(0xFE, TextBytes(text));
}

struct Outcome {
    bool recognised = false;
    std::string name;
    bool iccHint = false;
};

class Software : public ::testing::Test {
  protected:
    Outcome Identify(const std::vector<ByteArray>& segments) {
        cExifCodec codec;
        codec.OpenFile(WriteFile(temp.Input("picture.jpg"), Jpeg(segments)));
        Outcome outcome;
        outcome.recognised = IdentifySoftware(&codec, outcome.iccHint, outcome.name);
        return outcome;
    }
    ScopedTempFolder temp;
};

TEST_F(Software, SoftwareTagNamesTheProgram) {
    struct Case {
        const char* software;
        bool adobe;       // recognised by the Adobe rules already
        const char* name; // "" when not recognised at all
    };
    const Case cases[] = {
        {"Adobe Photoshop CS6 (Windows)", true, "Adobe Photoshop CS6 (Windows)"},
        {"Adobe Photoshop Lightroom", true, "Adobe Photoshop Lightroom"},
        {"ACD Systems Digital Imaging", true, "ACD Systems Digital Imaging"},
        {"acdsee pro 3", true, "acdsee pro 3"},
        {"Converted with ACD", false, ""},
        {"GIMP 2.10.30", false, "GIMP 2.10.30"},
        {"gimp 2.10.30", false, ""},
        {"Paint.NET v3.36", false, "Paint.NET v3.36"},
        {"paint.net 4.2.13", false, "paint.net 4.2.13"},
        {"Windows Photo Editor 10.0.10011.16384", false, "Windows Photo Editor 10.0.10011.16384"},
        {"Digital Photo Professional", false, "Digital Photo Professional"},
        {"MTXX http://www.meitu.com", false, "Meitu Xiuxiu"},
        {"www.keniu.com", false, "Keniu"},
        {"Capture NX 2.2.7", false, "Capture NX 2.2.7"},
        {"ViewNX 2.1.1 W", false, "ViewNX 2.1.1 W"},
        {"Capture One 12 Windows", false, "Capture One 12 Windows"},
        {"QuickTime 6.0.2", false, "QuickTime 6.0.2"},
        {"VSCO", false, "VSCO"},
        {"Picasa", false, "Picasa"},
        {"Snapseed 2.0", false, "Snapseed 2.0"},
        {"DxO Optics Pro 11", false, "DxO Optics Pro 11"},
        {"OLYMPUS Master 2.04W", false, ""},
        {"Ver.1.00", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.software);
        cExifCodec codec;
        codec.OpenFile(WriteFile(temp.Input("picture.jpg"), Jpeg({Exif({Ascii(0x0131, c.software)})})));
        std::string adobeName;
        EXPECT_EQ(IdentifyAdobeSoftware(&codec, adobeName), c.adobe);
        std::string name;
        bool icc = false;
        EXPECT_EQ(IdentifySoftware(&codec, icc, name), *c.name != '\0');
        EXPECT_EQ(name, c.name);
        if (c.adobe) {
            EXPECT_EQ(adobeName, c.name);
        }
    }
}

TEST_F(Software, ProcessingSoftwareNamesDigiKamInAnyCase) {
    const std::pair<const char*, bool> cases[] = {
        {"digiKam-7.1.0", true}, {"DIGIKAM 5", true}, {"darktable 3.0", false}};
    for (const auto& [text, recognised] : cases) {
        SCOPED_TRACE(text);
        const Outcome outcome = Identify({Exif({Ascii(0x000B, text)})});
        EXPECT_EQ(outcome.recognised, recognised);
        EXPECT_EQ(outcome.name, recognised ? text : "");
    }
}

TEST_F(Software, XmpNamesTheProgramInAttributeAndElementForms) {
    struct Case {
        const char* form;
        std::string packet;
        const char* name;
    };
    const Case cases[] = {
        {"CreatorTool attribute",
         R"x(<rdf:Description xmp:CreatorTool="Adobe Photoshop CC 2019 (Windows)" xmp:Rating="0"/>)x",
         "Adobe Photoshop CC 2019 (Windows)"},
        {"CreatorTool element", "<xmp:CreatorTool>Adobe Photoshop Lightroom 6.0 (Windows)</xmp:CreatorTool>",
         "Adobe Photoshop Lightroom 6.0 (Windows)"},
        {"softwareAgent attribute",
         R"x(<rdf:li stEvt:action="saved" stEvt:softwareAgent="Adobe Photoshop Camera Raw 10.0"/>)x",
         "Adobe Photoshop Camera Raw 10.0"},
        {"softwareAgent element",
         "<stEvt:softwareAgent>Adobe Photoshop Lightroom Classic 9.0</stEvt:softwareAgent>",
         "Adobe Photoshop Lightroom Classic 9.0"},
        {"CreatorTool before a later softwareAgent",
         "<xmp:CreatorTool>Adobe Bridge 2020</xmp:CreatorTool><stEvt:softwareAgent>Adobe Photoshop "
         "21.0</stEvt:softwareAgent>",
         "Adobe Bridge 2020"},
        {"Adobe named but not at the value's start", R"x(<x xmp:CreatorTool="Made with Adobe Tools"/>)x",
         "Adobe (Unknown Product)"},
        {"Microsoft Photo namespace",
         R"x(<rdf:Description xmlns:MicrosoftPhoto="http://ns.microsoft.com/photo/1.0/"><MicrosoftPhoto:Rating>50</MicrosoftPhoto:Rating></rdf:Description>)x",
         "Microsoft Windows Photo Viewer"},
        {"Windows CreatorTool element",
         "<xmp:CreatorTool>Microsoft Windows Photo Viewer 6.1.7600.16385</xmp:CreatorTool>",
         "Microsoft Windows Photo Viewer 6.1.7600.16385"},
        {"another program", "<xmp:CreatorTool>darktable 3.4.0</xmp:CreatorTool>", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        const Outcome outcome = Identify({Xmp("<x:xmpmeta>" + c.packet + "</x:xmpmeta>")});
        EXPECT_EQ(outcome.recognised, *c.name != '\0');
        EXPECT_EQ(outcome.name, c.name);
    }
}

TEST_F(Software, AdobeRulesComeBeforeTheSoftwareTag) {
    const Outcome outcome = Identify({Exif({Ascii(0x0131, "GIMP 2.4.5")}),
                                      Xmp("<xmp:CreatorTool>Adobe Photoshop CS2 Windows</xmp:CreatorTool>")});
    EXPECT_TRUE(outcome.recognised);
    EXPECT_EQ(outcome.name, "Adobe Photoshop CS2 Windows");
}

TEST_F(Software, PhotoshopTraceSegments) {
    struct Case {
        const char* name;
        std::vector<ByteArray> segments;
        const char* expected;
    };
    const Case cases[] = {
        {"image resources tag",
         {Exif({Undefined(0x8649, {'8', 'B', 'I', 'M', 0, 0})})},
         "Adobe Photoshop (Unknown Version)"},
        {"APP13 of 180 bytes with Ducky",
         {NamedSegment(0xED, "Photoshop 3.0", 180), NamedSegment(0xEC, "Ducky", 20)},
         "Adobe Photoshop (Save for Web)"},
        {"APP13 of 181 bytes with Ducky",
         {NamedSegment(0xED, "Photoshop 3.0", 181), NamedSegment(0xEC, "Ducky", 20)},
         "Adobe Photoshop (Unknown Version)"},
        {"APP14 Adobe alone", {NamedSegment(0xEE, "Adobe", 14)}, "Adobe (Unknown Product)"},
        {"APP13 of 180 bytes alone", {NamedSegment(0xED, "Photoshop 3.0", 180)}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = Identify(c.segments);
        EXPECT_EQ(outcome.recognised, *c.expected != '\0');
        EXPECT_EQ(outcome.name, c.expected);
    }
}

ByteArray Utf16(const std::u16string& text, bool bigEndian) {
    ByteArray out;
    for (char16_t c : text) {
        const auto high = static_cast<uint8_t>(c >> 8), low = static_cast<uint8_t>(c);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
    return out;
}

TEST(UserComment, EachCharacterCodeIsDecoded) {
    const ByteArray unicode = TextBytes(std::string("UNICODE") + '\0');
    const ByteArray ascii = TextBytes(std::string("ASCII") + std::string(3, '\0'));
    const ByteArray jis = TextBytes(std::string("JIS") + std::string(5, '\0'));
    const ByteArray undefined(8, 0);
    struct Case {
        const char* name;
        ByteArray comment;
        bool bigEndianFile;
        std::string text;
    };
    const Case cases[] = {
        {"UTF-16 little-endian", Concat({unicode, {0xE6, 0, 0xF8, 0, 0xE5, 0}}), false, "æøå"},
        {"UTF-16 little-endian in a big-endian file", Concat({unicode, {0xE6, 0, 0xF8, 0, 0xE5, 0}}), true,
         "æøå"},
        {"UTF-16 big-endian Latin text", Concat({unicode, Utf16(u"Hello", true)}), false, "Hello"},
        {"UTF-16 big-endian CJK text in a big-endian file", Concat({unicode, Utf16(u"日本語", true)}), true,
         "日本語"},
        {"UTF-16 with zero characters", Concat({unicode, Utf16(std::u16string(u"ab\0\0", 4), false)}), false,
         "ab"},
        {"ASCII", Concat({ascii, TextBytes(std::string("Hello") + '\0' + '\0')}), false, "Hello"},
        {"JIS", Concat({jis, {0x93, 0xFA, 0x96, 0x7B, 0}}), false, "日本"},
        {"undefined, system code page", Concat({undefined, {'C', 'a', 'f', 0xE9, 0, 0}}), false, "Café"},
        {"only the code", ascii, false, ""},
        {"shorter than the code", {'A', 'S'}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeUserComment(c.comment, c.bigEndianFile), c.text);
    }
}

TEST_F(Software, GdJpegUserCommentNamesTheLibrary) {
    const std::string text = "CREATOR: gd-jpeg v1.0 (using IJG JPEG v80), quality = 75\n";
    const std::pair<const char*, ByteArray> cases[] = {
        {"ASCII", Concat({TextBytes(std::string("ASCII") + std::string(3, '\0')), TextBytes(text)})},
        {"UNICODE", Concat({TextBytes(std::string("UNICODE") + '\0'),
                            Utf16(std::u16string(text.begin(), text.end()), false)})},
    };
    for (const auto& [code, comment] : cases) {
        SCOPED_TRACE(code);
        const Outcome outcome = Identify({Exif({Ascii(0x010F, "Canon")}, {Undefined(0x9286, comment)})});
        EXPECT_TRUE(outcome.recognised);
        EXPECT_EQ(outcome.name, text);
    }
}

TEST_F(Software, CommentSegmentsNameQuickTimeAndGdJpeg) {
    struct Case {
        const char* comment;
        const char* name;
    };
    const Case cases[] = {
        {"AppleMark\n", "QuickTime"},
        {"applemark", "QuickTime"},
        {"CREATOR: gd-jpeg v1.0 (using IJG JPEG v62), quality = 90\n",
         "gd-jpeg v1.0 (using IJG JPEG v62), quality = 90"},
        {"Just a comment", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comment);
        const Outcome outcome = Identify({Comment(c.comment)});
        EXPECT_EQ(outcome.recognised, *c.name != '\0');
        EXPECT_EQ(outcome.name, c.name);
    }
}

TEST_F(Software, AnIccProfileHintsAtEditingExceptOnAppleDevices) {
    const ByteArray icc = NamedSegment(0xE2, "ICC_PROFILE", 40);
    const Outcome canon = Identify({Exif({Ascii(0x010F, "Canon")}), icc});
    EXPECT_FALSE(canon.recognised);
    EXPECT_TRUE(canon.iccHint);

    const Outcome apple = Identify({Exif({Ascii(0x010F, "Apple")}), icc});
    EXPECT_FALSE(apple.recognised);
    EXPECT_FALSE(apple.iccHint);

    const Outcome named = Identify({Exif({Ascii(0x010F, "Canon"), Ascii(0x0131, "GIMP 2.8")}), icc});
    EXPECT_TRUE(named.recognised);
    EXPECT_FALSE(named.iccHint) << "the hint is only set when no program was recognised";
}

TEST(SoftwareWithoutCodec, AnswersFalseAndChangesNothing) {
    bool icc = true;
    std::string name = "unchanged";
    EXPECT_FALSE(IdentifySoftware(nullptr, icc, name));
    EXPECT_FALSE(IdentifyAdobeSoftware(nullptr, name));
    EXPECT_TRUE(icc);
    EXPECT_EQ(name, "unchanged");
}

// The edited pictures of the corpus, with the program each names (exiftool shows the same
// texts in IFD0 Software, XMP CreatorTool, the comment, or the Adobe segments).
TEST_F(Software, EditedCorpusPicturesNameTheirPrograms) {
    struct Case {
        const char* file;
        const char* name; // "" for programs that no rule names
    };
    const Case cases[] = {
        {"Canon EOS 7D.jpg", "Adobe Photoshop Lightroom"},
        {"Canon EOS D60.jpg", "Adobe Photoshop 7.0"},
        {"Canon IXUS 400.jpg", "ACD Systems Digital Imaging"},
        {"Canon PowerShot S330.jpg", "QuickTime 6.0.2"},
        {"Canon_40D.jpg", "GIMP 2.4.5"},
        {"FujiFilm FinePixS1Pro (1).jpg", "Adobe Photoshop 7.0"},
        {"Issue 508.jpg", "paint.net 4.2.13"},
        {"Issue 609.jpg", "GIMP 2.10.30"},
        {"Nikon_D70.jpg", "Adobe Photoshop CS2 Windows"},
        {"Pentax_K10D.jpg", "Adobe Photoshop Elements 5.0 Windows"},
        {"Photoshop (1).jpg", "ACD Systems Digital Imaging"},
        {"Photoshop (2).jpg", "Adobe Photoshop (Unknown Version)"},
        {"Photoshop (3).jpg", "Adobe Photoshop CS6 (Windows)"},
        {"Photoshop (4).jpg", "Adobe Photoshop (Save for Web)"},
        {"45-gps_ifd.jpg", ""},
        {"Canon EOS-1DS (after Noise Ninja).jpg", ""},
        {"Issue 339.jpg", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        cExifCodec codec;
        ASSERT_NE(codec.OpenFile(std::string(PELLVANE_CORPUS_DIR) + "/edited/" + c.file), kOpenCannotOpen);
        std::string name;
        bool icc = false;
        EXPECT_EQ(IdentifySoftware(&codec, icc, name), *c.name != '\0');
        EXPECT_EQ(name, c.name);
    }
}

// Damaged and unusual files of every kind: the rules read only what is there, and every
// extracted image is gone after the file is closed.
TEST_F(Software, EveryCorpusFileEndsCleanly) {
    for (const char* folder : {"broken", "camera", "edited", "tiff"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(PELLVANE_CORPUS_DIR) / folder)) {
            SCOPED_TRACE(entry.path().string());
            cExifCodec codec;
            codec.OpenFile(entry.path().string());
            std::string name;
            bool icc = false;
            IdentifySoftware(&codec, icc, name);
            codec.CloseFile();
            EXPECT_TRUE(temp.LeftoverFiles().empty());
        }
    }
}

} // namespace
} // namespace pellvane

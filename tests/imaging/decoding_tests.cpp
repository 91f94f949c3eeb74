// Decoding pictures into the pixel buffer: format detection, the load failures, and each
// decoder on pictures built in code.

#include "PictureFixtures.h"
#include "imaging/ExifOrientation.h"
#include "imaging/cDIBSection.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

namespace pellvane {
namespace {

using test::BmpFields;
using test::BufferFrom;
using test::Bytes;
using test::EncodeGif;
using test::EncodeJpeg;
using test::EncodePng;
using test::GifFields;
using test::JpegOptions;
using test::NumberedPicture;
using test::PictureFrom;
using test::PixelAt;
using test::PngLayout;
using test::Rgba;
using test::RgbaPicture;

cDIBSection Loaded(const Bytes& bytes) {
    cDIBSection buffer;
    buffer.LoadPicture_Stream(bytes);
    return buffer;
}

void ExpectEmpty(const cDIBSection& buffer) {
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(buffer.ImageType(), image_type::kNoBuffer);
    EXPECT_EQ(buffer.Width(), 0);
}

// Colours that differ strongly enough to tell apart after lossy compression.
bool Near(const Rgba& actual, const Rgba& expected, int tolerance = 12) {
    return std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance && actual.a == expected.a;
}

const Rgba kRed{220, 0, 0}, kGreen{0, 200, 0}, kBlue{0, 0, 210}, kWhite{240, 240, 240};

// Four quadrants: red top left, green top right, blue bottom left, white bottom right.
RgbaPicture Quadrants(int width, int height) {
    RgbaPicture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            picture.At(x, y) = !bottom ? (right ? kGreen : kRed) : (right ? kWhite : kBlue);
        }
    return picture;
}

JpegOptions Options(const std::function<void(JpegOptions&)>& adjust) {
    JpegOptions options;
    adjust(options);
    return options;
}

// ---------------------------------------------------------------------------------------------
// Format detection and load failures

TEST(TestImageTypeTest, TellsFormatsFromTheFirstTwoBytes) {
    const std::pair<Bytes, int32_t> cases[] = {{{0xFF, 0xD8, 0xFF}, image_type::kJpeg},
                                               {{0x89, 'P', 'N', 'G'}, image_type::kPng},
                                               {{'M', 'M', 0, 42}, image_type::kTiff},
                                               {{'I', 'I', 42, 0}, image_type::kTiff},
                                               {{'B', 'M'}, image_type::kBmp},
                                               {{'G', 'I', 'F'}, image_type::kGif},
                                               {{'8', 'B', 'P', 'S'}, image_type::kPhotoshop},
                                               {{0xFF, 0xD9}, image_type::kUnknown},
                                               {{'P', 'K'}, image_type::kUnknown},
                                               {{0xFF}, image_type::kUnknown},
                                               {{}, image_type::kUnknown}};
    for (const auto& [bytes, type] : cases)
        EXPECT_EQ(TestImageType(std::span<const uint8_t>(bytes)), type);
}

TEST(TestImageTypeTest, ReadsTheFirstTwoBytesOfAFile) {
    test::ScopedTempFolder folder;
    const auto path = folder.Path() / "picture.bin";
    test::WriteFileBytes(path, {'I', 'I', 42, 0, 8, 0, 0, 0});
    EXPECT_EQ(TestImageType(path), image_type::kTiff);
    EXPECT_EQ(TestImageType(folder.Path() / "missing.jpg"), image_type::kUnknown);
}

TEST(LoadPictureTest, ZeroBytesFailAndLeaveTheBufferEmpty) {
    cDIBSection buffer = BufferFrom(NumberedPicture(2, 2));
    EXPECT_FALSE(buffer.LoadPicture_Stream({}));
    ExpectEmpty(buffer);
}

// A 1 x 1 GIF is a complete picture in well under 57 bytes. Such short data is refused
// whatever it holds; padded to 57 bytes the same picture loads.
TEST(LoadPictureTest, FiftySixBytesOrFewerAreNeverAPicture) {
    GifFields fields{1, 1, 0, 0, 1, 1, {1}, {{0, 0, 0}, {10, 20, 30}}};
    Bytes gif = EncodeGif(fields);
    ASSERT_LE(gif.size(), 56u);
    gif.resize(56, 0);
    ExpectEmpty(Loaded(gif));
    gif.resize(57, 0);
    const cDIBSection buffer = Loaded(gif);
    EXPECT_EQ(buffer.ImageType(), image_type::kGif);
    EXPECT_EQ(PixelAt(buffer, 0, 0), (Rgba{10, 20, 30, 255}));
}

TEST(LoadPictureTest, DataThatIsNoPictureFails) {
    const Bytes text(200, 'x');
    Bytes photoshop{'8', 'B', 'P', 'S'};
    photoshop.resize(200, 0);
    Bytes garbledJpeg{0xFF, 0xD8, 0xFF, 0xDB};
    garbledJpeg.resize(200, 0x55);
    for (const Bytes& bytes : {text, photoshop, garbledJpeg})
        ExpectEmpty(Loaded(bytes));
}

TEST(LoadPictureTest, AFailedLoadEmptiesABufferThatHeldAPicture) {
    cDIBSection buffer;
    ASSERT_TRUE(buffer.LoadPicture_Stream(EncodePng(NumberedPicture(4, 4), PngLayout::kRgb)));
    EXPECT_FALSE(buffer.LoadPicture_Stream(Bytes(100, 'x')));
    ExpectEmpty(buffer);
}

TEST(LoadPictureTest, LoadsFromAFileAndRemembersItsName) {
    test::ScopedTempFolder folder;
    const auto path = folder.Path() / "picture.png";
    test::WriteFileBytes(path, EncodePng(NumberedPicture(6, 5), PngLayout::kRgb));
    cDIBSection buffer;
    ASSERT_TRUE(buffer.LoadPicture_File(path));
    EXPECT_EQ(buffer.FileName(), path);
    EXPECT_EQ(PictureFrom(buffer), NumberedPicture(6, 5));
    EXPECT_FALSE(buffer.LoadPicture_File(folder.Path() / "missing.png"));
    ExpectEmpty(buffer);
    EXPECT_TRUE(buffer.FileName().empty());
}

Bytes RgbBytes(const RgbaPicture& picture, bool withAlpha) {
    Bytes bytes;
    for (const Rgba& p : picture.pixels) {
        bytes.insert(bytes.end(), {p.r, p.g, p.b});
        if (withAlpha) bytes.push_back(p.a);
    }
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// JPEG

TEST(JpegDecodingTest, DecodesExactlyWhatLibjpegDecodesIntoBottomUpRows) {
    for (const bool progressive : {false, true}) {
        const Bytes jpeg = EncodeJpeg(Quadrants(64, 48), Options([&](JpegOptions& o) {
                                          o.quality = 90;
                                          o.progressive = progressive;
                                      }));
        const cDIBSection buffer = Loaded(jpeg);
        ASSERT_EQ(buffer.ImageType(), image_type::kJpeg);
        EXPECT_EQ(buffer.Width(), 64);
        EXPECT_EQ(buffer.Height(), 48);
        EXPECT_EQ(buffer.Alpha(), alpha_class::kOpaque);
        EXPECT_EQ(PictureFrom(buffer), test::PlainJpegDecode(jpeg)) << "progressive " << progressive;
        // The first row in memory is the bottom of the picture (the blue and white half).
        const uint8_t* bottomLeft = buffer.MemoryRow(0).data();
        EXPECT_TRUE(Near({bottomLeft[2], bottomLeft[1], bottomLeft[0], bottomLeft[3]}, kBlue));
    }
}

TEST(JpegDecodingTest, DecodesGreyAndAdobeCmykPictures) {
    RgbaPicture grey(16, 16, {90, 90, 90});
    const cDIBSection greyBuffer = Loaded(EncodeJpeg(grey, Options([](JpegOptions& o) { o.grey = true; })));
    ASSERT_EQ(greyBuffer.ImageType(), image_type::kJpeg);
    EXPECT_TRUE(Near(PixelAt(greyBuffer, 8, 8), {90, 90, 90}, 2));

    const cDIBSection cmyk =
        Loaded(EncodeJpeg(Quadrants(32, 32), Options([](JpegOptions& o) { o.adobeCmyk = true; })));
    ASSERT_EQ(cmyk.ImageType(), image_type::kJpeg);
    EXPECT_TRUE(Near(PixelAt(cmyk, 4, 4), kRed)) << test::Describe(PixelAt(cmyk, 4, 4));
    EXPECT_TRUE(Near(PixelAt(cmyk, 28, 28), kWhite)) << test::Describe(PixelAt(cmyk, 28, 28));
}

TEST(JpegDecodingTest, TruncatedPictureFailsInsteadOfComingOutGrey) {
    for (const bool progressive : {false, true}) {
        const Bytes jpeg = EncodeJpeg(NumberedPicture(64, 64),
                                      Options([&](JpegOptions& o) { o.progressive = progressive; }));
        for (const double kept : {0.5, 0.9}) {
            const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * kept));
            ExpectEmpty(Loaded(cut));
        }
    }
}

// Damaged entropy data still gives a whole picture (with blemishes); only data that is missing
// makes a JPEG fail.
TEST(JpegDecodingTest, DamagedButCompletePictureDecodes) {
    Bytes jpeg = EncodeJpeg(NumberedPicture(64, 64));
    for (size_t i = jpeg.size() / 2; i < jpeg.size() / 2 + 8; ++i)
        jpeg[i] = 0x00;
    const cDIBSection buffer = Loaded(jpeg);
    EXPECT_EQ(buffer.ImageType(), image_type::kJpeg);
    EXPECT_EQ(buffer.Width(), 64);
}

TEST(DecodingTest, FailuresPrintNothing) {
    const Bytes jpeg = EncodeJpeg(NumberedPicture(64, 64));
    const Bytes png = EncodePng(NumberedPicture(40, 40), PngLayout::kRgb);
    const RgbaPicture picture = NumberedPicture(16, 16);
    const Bytes tiff = test::BuildTiff({16, 400, 3, 2, {}, RgbBytes(picture, false)});
    testing::internal::CaptureStderr();
    for (const Bytes& bytes :
         {Bytes(jpeg.begin(), jpeg.begin() + 300),
          Bytes(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2)), tiff})
        ExpectEmpty(Loaded(bytes));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(JpegDecodingTest, PictureLackingOnlyItsEndMarkerDecodes) {
    for (const bool progressive : {false, true}) {
        const Bytes jpeg = EncodeJpeg(NumberedPicture(64, 64),
                                      Options([&](JpegOptions& o) { o.progressive = progressive; }));
        const Bytes withoutEnd(jpeg.begin(), jpeg.end() - 2);
        const cDIBSection buffer = Loaded(withoutEnd);
        ASSERT_EQ(buffer.ImageType(), image_type::kJpeg) << "progressive " << progressive;
        EXPECT_EQ(PictureFrom(buffer), test::PlainJpegDecode(jpeg));
    }
}

// Cut just before a later scan starts, a progressive file holds a complete but coarse picture;
// it has still lost data.
TEST(JpegDecodingTest, ProgressivePictureMissingItsLaterScansFails) {
    const Bytes jpeg =
        EncodeJpeg(NumberedPicture(64, 64), Options([](JpegOptions& o) { o.progressive = true; }));
    std::vector<size_t> scanStarts;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) scanStarts.push_back(i);
    ASSERT_GE(scanStarts.size(), 3u);
    for (const size_t cut : {scanStarts[2], scanStarts.back()})
        ExpectEmpty(Loaded(Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(cut))));
}

TEST(JpegDecodingTest, ProgressivePictureOfEndlessScansFails) {
    // Each scan passes over the whole picture again: a few bytes per scan would make a small
    // file cost time without bound. The last scan repeated makes the count.
    const Bytes jpeg =
        EncodeJpeg(NumberedPicture(64, 64), Options([](JpegOptions& o) { o.progressive = true; }));
    size_t lastScan = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) lastScan = i;
    const Bytes scan(jpeg.begin() + static_cast<std::ptrdiff_t>(lastScan), jpeg.end() - 2);
    const auto withScans = [&](size_t extra) {
        Bytes file(jpeg.begin(), jpeg.end() - 2);
        for (size_t i = 0; i < extra; ++i)
            file.insert(file.end(), scan.begin(), scan.end());
        file.push_back(0xFF);
        file.push_back(0xD9);
        return file;
    };
    EXPECT_FALSE(Loaded(withScans(100)).IsEmpty());
    ExpectEmpty(Loaded(withScans(600)));
}

TEST(JpegDecodingTest, RefusesDeclaredSizesAboveThePixelLimit) {
    Bytes jpeg = EncodeJpeg(NumberedPicture(16, 16));
    const std::optional<size_t> frame = test::FindJpegFrameHeader(jpeg);
    ASSERT_TRUE(frame.has_value());
    for (const uint16_t side : {uint16_t{20000}, uint16_t{65535}}) {
        // Frame header: length (2), precision (1), height (2), width (2).
        jpeg[*frame + 3] = jpeg[*frame + 5] = static_cast<uint8_t>(side >> 8);
        jpeg[*frame + 4] = jpeg[*frame + 6] = static_cast<uint8_t>(side & 0xFF);
        ExpectEmpty(Loaded(jpeg));
    }
}

TEST(JpegFrameSizeTest, ReadsTheFirstFrameHeaderOrNothing) {
    const auto join = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const Bytes start = {0xFF, 0xD8};
    // An APP1 of 300 bytes: FF E1, length 302.
    Bytes app(304, 0x41);
    app[0] = 0xFF;
    app[1] = 0xE1;
    app[2] = 0x01;
    app[3] = 0x2E;
    // Frame headers: marker, length 17, precision 8, height, width, 3 components.
    const auto sof = [](uint8_t marker, uint16_t width, uint16_t height) {
        Bytes frame(19, 0x11);
        const uint8_t head[] = {0xFF,
                                marker,
                                0x00,
                                0x11,
                                0x08,
                                uint8_t(height >> 8),
                                uint8_t(height),
                                uint8_t(width >> 8),
                                uint8_t(width),
                                0x03};
        std::copy(std::begin(head), std::end(head), frame.begin());
        return frame;
    };
    const Bytes huffman = {0xFF, 0xC4, 0x00, 0x04, 0x00, 0x00};
    const Bytes scan = {0xFF, 0xDA, 0x00, 0x02};
    const struct {
        const char* name;
        Bytes bytes;
        std::optional<DeclaredSize> size;
    } cases[] = {
        {"baseline after an APP1", join({start, app, sof(0xC0, 3008, 2000)}), DeclaredSize{3008, 2000}},
        {"progressive", join({start, sof(0xC2, 640, 480)}), DeclaredSize{640, 480}},
        {"fill bytes before a marker", join({start, {0xFF}, sof(0xC0, 16, 8)}), DeclaredSize{16, 8}},
        {"a Huffman table is no frame", join({start, huffman, sof(0xC1, 9, 7)}), DeclaredSize{9, 7}},
        {"a scan before any frame", join({start, scan, sof(0xC0, 9, 7)}), std::nullopt},
        {"not a JPEG", Bytes{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A}, std::nullopt},
        {"cut inside the frame header", join({start, Bytes{0xFF, 0xC0, 0x00, 0x11, 0x08}}), std::nullopt},
        {"segment longer than the file", join({start, Bytes{0xFF, 0xE1, 0xFF, 0xFF, 0x00}}), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(JpegFrameSize(c.bytes), c.size);
    }
}

TEST(JpegDecodingTest, OrientationSixDecodesAtTheStoredSizeAndTurnsUpright) {
    // Stored as the sensor saw it: landscape, though the camera was held upright.
    const cDIBSection stored =
        Loaded(EncodeJpeg(Quadrants(48, 32), Options([](JpegOptions& o) { o.exifOrientation = 6; })));
    ASSERT_EQ(stored.ImageType(), image_type::kJpeg);
    EXPECT_EQ(stored.Width(), 48);
    EXPECT_EQ(stored.Height(), 32);
    EXPECT_TRUE(Near(PixelAt(stored, 4, 4), kRed));

    cDIBSection upright = stored;
    ASSERT_TRUE(ApplyExifOrientation(upright, 6));
    EXPECT_EQ(upright.Width(), 32);
    EXPECT_EQ(upright.Height(), 48);
    // A quarter turn clockwise: the stored bottom-left quadrant comes to the top left.
    EXPECT_TRUE(Near(PixelAt(upright, 4, 4), kBlue));
    EXPECT_TRUE(Near(PixelAt(upright, 28, 4), kRed));
    EXPECT_TRUE(Near(PixelAt(upright, 4, 44), kWhite));
    EXPECT_TRUE(Near(PixelAt(upright, 28, 44), kGreen));
}

// ---------------------------------------------------------------------------------------------
// PNG

struct PngCase {
    const char* name;
    PngLayout layout;
    bool interlaced;
    RgbaPicture picture;
};

RgbaPicture GreyNumbered(int width, int height) {
    RgbaPicture picture = NumberedPicture(width, height);
    for (Rgba& p : picture.pixels)
        p.r = p.b = p.g;
    return picture;
}

TEST(PngDecodingTest, DecodesEveryLayoutExactly) {
    const PngCase cases[] = {
        {"rgb", PngLayout::kRgb, false, NumberedPicture(7, 5)},
        {"rgb interlaced", PngLayout::kRgb, true, NumberedPicture(13, 11)},
        {"16-bit", PngLayout::kRgb16, false, NumberedPicture(7, 5)},
        {"grey", PngLayout::kGrey, false, GreyNumbered(7, 5)},
        {"palette", PngLayout::kPalette, false, NumberedPicture(6, 4)},
    };
    for (const PngCase& c : cases) {
        const cDIBSection buffer = Loaded(EncodePng(c.picture, c.layout, c.interlaced));
        ASSERT_EQ(buffer.ImageType(), image_type::kPng) << c.name;
        EXPECT_EQ(buffer.Alpha(), alpha_class::kOpaque) << c.name;
        EXPECT_EQ(PictureFrom(buffer), c.picture) << c.name;
    }
}

struct AlphaCase {
    const char* name;
    PngLayout layout;
    std::vector<Rgba> pixels; // one row
    int32_t alpha;
    std::vector<Rgba> decoded; // premultiplied, as the buffer keeps them
};

TEST(PngDecodingTest, ClassifiesAlphaAndPremultipliesColours) {
    const AlphaCase cases[] = {
        {"opaque rgba",
         PngLayout::kRgba,
         {{200, 100, 50, 255}, {1, 2, 3, 255}},
         alpha_class::kOpaque,
         {{200, 100, 50, 255}, {1, 2, 3, 255}}},
        {"only 0 and 255",
         PngLayout::kRgba,
         {{200, 100, 50, 255}, {9, 9, 9, 0}},
         alpha_class::kBinary,
         {{200, 100, 50, 255}, {0, 0, 0, 0}}},
        {"partial",
         PngLayout::kRgba,
         {{200, 100, 50, 128}, {9, 9, 9, 0}, {1, 2, 3, 255}},
         alpha_class::kTranslucent,
         {{100, 50, 25, 128}, {0, 0, 0, 0}, {1, 2, 3, 255}}},
        {"palette with transparency",
         PngLayout::kPalette,
         {{200, 100, 50, 255}, {9, 9, 9, 0}},
         alpha_class::kBinary,
         {{200, 100, 50, 255}, {0, 0, 0, 0}}},
        {"grey with partial alpha",
         PngLayout::kGreyAlpha,
         {{80, 80, 80, 51}, {80, 80, 80, 255}},
         alpha_class::kTranslucent,
         {{16, 16, 16, 51}, {80, 80, 80, 255}}},
        // Alpha 0 throughout is what a decoder that ignores alpha leaves; it counts as opaque.
        {"all transparent",
         PngLayout::kRgba,
         {{200, 100, 50, 0}, {1, 2, 3, 0}},
         alpha_class::kOpaque,
         {{200, 100, 50, 255}, {1, 2, 3, 255}}},
    };
    for (const AlphaCase& c : cases) {
        RgbaPicture picture(static_cast<int>(c.pixels.size()), 1);
        picture.pixels = c.pixels;
        const cDIBSection buffer = Loaded(EncodePng(picture, c.layout));
        ASSERT_EQ(buffer.ImageType(), image_type::kPng) << c.name;
        EXPECT_EQ(buffer.Alpha(), c.alpha) << c.name;
        for (size_t x = 0; x < c.decoded.size(); ++x)
            EXPECT_EQ(PixelAt(buffer, static_cast<int>(x), 0), c.decoded[x])
                << c.name << " pixel " << x << " " << test::Describe(PixelAt(buffer, static_cast<int>(x), 0));
    }
}

TEST(PngDecodingTest, TruncatedOrOversizedPicturesFail) {
    const Bytes png = EncodePng(NumberedPicture(40, 40), PngLayout::kRgb);
    ExpectEmpty(Loaded(Bytes(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2))));
    ExpectEmpty(Loaded(test::WithPngSize(png, 20000, 20000)));
    ExpectEmpty(Loaded(test::WithPngSize(png, 1u << 30, 1)));
}

// ---------------------------------------------------------------------------------------------
// GIF

GifFields SmallGif() {
    GifFields fields;
    fields.screenWidth = fields.width = 4;
    fields.screenHeight = fields.height = 3;
    fields.indexes = {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1};
    fields.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {7, 7, 7}};
    // The file must be longer than 56 bytes to count as a picture.
    fields.palette.resize(16, {1, 1, 1});
    return fields;
}

TEST(GifDecodingTest, DecodesTheFirstFrameWithItsTransparency) {
    GifFields fields = SmallGif();
    fields.transparentIndex = 3;
    const cDIBSection buffer = Loaded(EncodeGif(fields));
    ASSERT_EQ(buffer.ImageType(), image_type::kGif);
    EXPECT_EQ(buffer.Alpha(), alpha_class::kBinary);
    EXPECT_EQ(PixelAt(buffer, 0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(PixelAt(buffer, 3, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(buffer, 1, 2), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(buffer, 3, 2), (Rgba{0, 255, 0, 255}));
}

TEST(GifDecodingTest, PutsInterlacedRowsInPlace) {
    GifFields fields = SmallGif();
    fields.screenWidth = fields.width = 2;
    fields.screenHeight = fields.height = 11;
    fields.interlaced = true;
    fields.indexes.clear();
    for (int y = 0; y < 11; ++y)
        fields.indexes.insert(fields.indexes.end(), {static_cast<uint8_t>(y % 4), 0});
    const cDIBSection buffer = Loaded(EncodeGif(fields));
    ASSERT_EQ(buffer.ImageType(), image_type::kGif);
    EXPECT_EQ(buffer.Alpha(), alpha_class::kOpaque);
    for (int y = 0; y < 11; ++y) {
        const Rgba& colour = fields.palette[static_cast<size_t>(y % 4)];
        EXPECT_EQ(PixelAt(buffer, 0, y), colour) << "row " << y;
    }
}

TEST(GifDecodingTest, PlacesASmallerFrameOnTheScreen) {
    GifFields fields = SmallGif();
    fields.screenWidth = 10;
    fields.screenHeight = 8;
    fields.left = 5;
    fields.top = 4;
    const cDIBSection buffer = Loaded(EncodeGif(fields));
    ASSERT_EQ(buffer.ImageType(), image_type::kGif);
    EXPECT_EQ(buffer.Width(), 10);
    EXPECT_EQ(buffer.Height(), 8);
    EXPECT_EQ(buffer.Alpha(), alpha_class::kBinary);
    EXPECT_EQ(PixelAt(buffer, 5, 4), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(PixelAt(buffer, 0, 0), (Rgba{0, 0, 0, 0}));
}

TEST(GifDecodingTest, TruncatedOrOversizedPicturesFail) {
    GifFields fields = SmallGif();
    fields.screenWidth = fields.width = 64;
    fields.screenHeight = fields.height = 64;
    fields.indexes.assign(64 * 64, 0);
    for (size_t i = 0; i < fields.indexes.size(); ++i)
        fields.indexes[i] = static_cast<uint8_t>(i * 7 % 16);
    const Bytes gif = EncodeGif(fields);
    ExpectEmpty(Loaded(Bytes(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(gif.size() / 2))));

    fields = SmallGif();
    fields.screenWidth = fields.screenHeight = 65535;
    ExpectEmpty(Loaded(EncodeGif(fields)));
}

// ---------------------------------------------------------------------------------------------
// BMP

struct BmpCase {
    const char* name;
    BmpFields fields;
    RgbaPicture expected;
    int32_t alpha = alpha_class::kOpaque;
};

RgbaPicture OneRow(std::vector<Rgba> pixels) {
    RgbaPicture picture(static_cast<int>(pixels.size()), 1);
    picture.pixels = std::move(pixels);
    return picture;
}

RgbaPicture TwoRows(std::vector<Rgba> top, std::vector<Rgba> bottom) {
    RgbaPicture picture(static_cast<int>(top.size()), 2);
    for (size_t x = 0; x < top.size(); ++x) {
        picture.At(static_cast<int>(x), 0) = top[x];
        picture.At(static_cast<int>(x), 1) = bottom[x];
    }
    return picture;
}

std::vector<BmpCase> BmpCases() {
    const Rgba a{10, 20, 30}, b{40, 50, 60}, c{70, 80, 90}, d{100, 110, 120}, e{130, 140, 150},
        f{160, 170, 180};
    const RgbaPicture sixColours = TwoRows({a, b, c}, {d, e, f});
    const auto bgr = [](Rgba p) { return Bytes{p.b, p.g, p.r}; };
    const auto row24 = [&](Rgba x, Rgba y, Rgba z) {
        Bytes row = bgr(x);
        for (const Rgba& p : {y, z}) {
            const Bytes more = bgr(p);
            row.insert(row.end(), more.begin(), more.end());
        }
        return row;
    };
    std::vector<BmpCase> cases;
    // Bottom-up: the bottom row comes first.
    cases.push_back(
        {"24-bit bottom-up", {3, 2, 24, 0, 40, {}, {}, {row24(d, e, f), row24(a, b, c)}}, sixColours});
    cases.push_back(
        {"24-bit top-down", {3, -2, 24, 0, 40, {}, {}, {row24(a, b, c), row24(d, e, f)}}, sixColours});
    cases.push_back(
        {"24-bit core header", {3, 2, 24, 0, 12, {}, {}, {row24(d, e, f), row24(a, b, c)}}, sixColours});
    cases.push_back(
        {"8-bit palette", {3, 2, 8, 0, 40, {a, b, c, d, e, f}, {}, {{3, 4, 5}, {0, 1, 2}}}, sixColours});
    cases.push_back({"4-bit palette",
                     {3, 2, 4, 0, 40, {a, b, c, d, e, f}, {}, {{0x34, 0x50}, {0x01, 0x20}}},
                     sixColours});
    const Rgba black{0, 0, 0}, white{255, 255, 255};
    cases.push_back({"1-bit palette",
                     {3, 2, 1, 0, 40, {black, white}, {}, {{0b01000000}, {0b10100000}}},
                     TwoRows({white, black, white}, {black, white, black})});
    // An index past the palette reads as black.
    cases.push_back({"index outside palette",
                     {3, 2, 8, 0, 40, {a, b}, {}, {{0, 1, 0}, {0, 1, 9}}},
                     TwoRows({a, b, black}, {a, b, a})});
    // 5-5-5: 0x7FFF is white, 0x7C00 full red, 0x001F full blue, 0x0200 is 16/31 green.
    cases.push_back(
        {"16-bit 555",
         {3, 2, 16, 0, 40, {}, {}, {{0xFF, 0x7F, 0x00, 0x7C, 0x1F, 0x00}, {0x00, 0x02, 0, 0, 0, 0}}},
         TwoRows({{0, 132, 0}, black, black}, {white, {255, 0, 0}, {0, 0, 255}})});
    cases.push_back({"16-bit 565 bit fields",
                     {2, 1, 16, 3, 40, {}, {0xF800, 0x07E0, 0x001F, 0}, {{0x00, 0xF8, 0xE0, 0x07}}},
                     OneRow({{255, 0, 0}, {0, 255, 0}})});
    // The fourth byte of an uncompressed 32-bit pixel is not alpha.
    cases.push_back({"32-bit ignores the fourth byte",
                     {2, 1, 32, 0, 40, {}, {}, {{30, 20, 10, 0, 60, 50, 40, 7}}},
                     OneRow({{10, 20, 30}, {40, 50, 60}})});
    cases.push_back({"32-bit bit fields with alpha",
                     {2,
                      1,
                      32,
                      3,
                      108,
                      {},
                      {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
                      {{50, 100, 200, 128, 30, 20, 10, 255}}},
                     OneRow({{100, 50, 25, 128}, {10, 20, 30, 255}}),
                     alpha_class::kTranslucent});
    return cases;
}

TEST(BmpDecodingTest, DecodesEachSupportedLayout) {
    for (const BmpCase& c : BmpCases()) {
        Bytes bmp = test::BuildBmp(c.fields);
        bmp.resize(std::max<size_t>(bmp.size(), 57), 0); // tiny bitmaps need padding to count
        const cDIBSection buffer = Loaded(bmp);
        ASSERT_EQ(buffer.ImageType(), image_type::kBmp) << c.name;
        EXPECT_EQ(buffer.Alpha(), c.alpha) << c.name;
        EXPECT_EQ(PictureFrom(buffer), c.expected) << c.name;
    }
}

TEST(BmpDecodingTest, RefusesWhatItCannotDecode) {
    const Bytes row(12, 0x40);
    const struct {
        const char* name;
        BmpFields fields;
        size_t cut;
    } cases[] = {
        {"truncated rows", {4, 4, 24, 0, 40, {}, {}, {row, row, row, row}}, 10},
        {"run-length compressed", {4, 4, 8, 1, 40, {{1, 2, 3}}, {}, {row, row, row, row}}, 0},
        {"zero width", {0, 4, 24, 0, 40, {}, {}, {row, row, row, row}}, 0},
        {"oversized", {20000, 20000, 24, 0, 40, {}, {}, {row}}, 0},
        {"unknown depth", {4, 4, 12, 0, 40, {}, {}, {row, row, row, row}}, 0},
    };
    for (const auto& c : cases) {
        Bytes bmp = test::BuildBmp(c.fields);
        bmp.resize(bmp.size() - c.cut);
        EXPECT_TRUE(Loaded(bmp).IsEmpty()) << c.name;
    }
}

// ---------------------------------------------------------------------------------------------
// TIFF

TEST(TiffDecodingTest, DecodesRgbAndGreyInStoredOrder) {
    const RgbaPicture picture = NumberedPicture(5, 4);
    for (const std::optional<uint16_t> orientation :
         {std::optional<uint16_t>{}, std::optional<uint16_t>{3}}) {
        const cDIBSection buffer =
            Loaded(test::BuildTiff({5, 4, 3, 2, orientation, RgbBytes(picture, false)}));
        ASSERT_EQ(buffer.ImageType(), image_type::kTiff);
        EXPECT_EQ(buffer.Alpha(), alpha_class::kOpaque);
        // The Orientation tag is not applied: the rows come out as stored.
        EXPECT_EQ(PictureFrom(buffer), picture);
    }
    const RgbaPicture grey = GreyNumbered(5, 4);
    Bytes levels;
    for (const Rgba& p : grey.pixels)
        levels.push_back(p.g);
    const cDIBSection greyBuffer = Loaded(test::BuildTiff({5, 4, 1, 0, {}, levels}));
    ASSERT_EQ(greyBuffer.ImageType(), image_type::kTiff);
    EXPECT_EQ(PictureFrom(greyBuffer), grey);
}

TEST(TiffDecodingTest, PremultipliesUnassociatedAlpha) {
    RgbaPicture picture(3, 1);
    picture.pixels = {{200, 100, 50, 128}, {9, 9, 9, 0}, {1, 2, 3, 255}};
    const cDIBSection buffer = Loaded(test::BuildTiff({3, 1, 4, 2, {}, RgbBytes(picture, true)}));
    ASSERT_EQ(buffer.ImageType(), image_type::kTiff);
    EXPECT_EQ(buffer.Alpha(), alpha_class::kTranslucent);
    EXPECT_TRUE(Near(PixelAt(buffer, 0, 0), {100, 50, 25, 128}, 1)) << test::Describe(PixelAt(buffer, 0, 0));
    EXPECT_EQ(PixelAt(buffer, 1, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(buffer, 2, 0), (Rgba{1, 2, 3, 255}));
}

TEST(TiffDecodingTest, TruncatedOrOversizedPicturesFail) {
    const RgbaPicture picture = NumberedPicture(16, 16);
    Bytes tiff = test::BuildTiff({16, 16, 3, 2, {}, RgbBytes(picture, false)});
    // The directory sits after the pixels: cutting the file loses it.
    ExpectEmpty(Loaded(Bytes(tiff.begin(), tiff.end() - 20)));
    ExpectEmpty(Loaded(test::BuildTiff({20000, 20000, 3, 2, {}, RgbBytes(picture, false)})));
    // The declared strip is longer than the file.
    ExpectEmpty(Loaded(test::BuildTiff({16, 400, 3, 2, {}, RgbBytes(picture, false)})));
}

} // namespace
} // namespace pellvane

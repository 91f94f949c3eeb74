// Embedded images: cameras store smaller copies of the picture (the EXIF thumbnail, further
// Multi-Picture Format images, previews in the MakerNote). Editors usually rewrite the main
// picture and leave those copies alone, so a copy that no longer shows the main picture
// betrays the edit. Nikon thumbnails are also checked for the main picture's quantization
// tables, which a camera never reuses for its thumbnail but a program that regenerates the
// thumbnail may. The codec finds and extracts the copies (codec/extensions/Thumbnail.cpp,
// Mpf.cpp, MakerNotePreviews.cpp).

#include "analysis/AnalyzeFile.h"
#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "codec/Budget.h"
#include "codec/cExifCodec.h"
#include "imaging/Fingerprint.h"
#include "imaging/PictureDigest.h"

#include <string>
#include <vector>

namespace pellvane {
namespace {

// A codec of the kind the run holds: the editor's component when the run created one.
std::unique_ptr<IExifCodec> SecondCodec(const RunFlags& flags) {
    std::unique_ptr<IExifCodec> codec;
    if (flags.externalCodec) codec = CreateExternalCodec(kFirstEditorWithCodec);
    if (!codec) codec = std::make_unique<cExifCodec>();
    return codec;
}

// The Nikon thumbnail opened on its own: a thumbnail that cannot be read as a JPEG is highly
// suspect, and so is one compressed with the main picture's tables.
Finding NikonThumbnailFinding(CheckContext& context) {
    const std::unique_ptr<IExifCodec> thumbnail = SecondCodec(context.flags);
    const int32_t result = thumbnail->OpenFile(context.codec.ThumbnailCachePath(), false, false);
    if (result != kOpenOk && result != kOpenNoSegments && result != kOpenNoExif)
        return StatusFinding("embedded.nikon-thumbnail-unreadable", kStatusHighlySuspected)
            .With("openResult", result);
    const bool equal = thumbnail->ComprSignature() == context.codec.ComprSignature();
    context.flags.embeddedSignatureEqual = equal;
    return StatusFinding(equal ? "embedded.nikon-thumbnail-main-tables"
                               : "embedded.nikon-thumbnail-own-tables",
                         equal ? kStatusHighlySuspected : kStatusPass)
        .With("thumbnailSignature", thumbnail->ComprSignature())
        .With("mainSignature", context.codec.ComprSignature());
}

struct ComparedImage {
    std::string kind; // "MPF image" or "MakerNote preview"
    int32_t index;
    std::string path;
    bool withheld; // the codec's budget left it unwritten
};

// The further images in their order: the MPF images after the primary one, then every
// MakerNote preview (whose list holds no entry for the main picture).
std::vector<ComparedImage> ComparedImages(const IExifCodec& codec) {
    std::vector<ComparedImage> images;
    for (int32_t i = 1; i < codec.MPFImageCount(); ++i)
        images.push_back({"MPF image", i, codec.MPFImageStreamPath(i), codec.MPFImageWithheld(i)});
    for (int32_t i = 0; i < codec.MakerNoteImageCount(); ++i)
        images.push_back(
            {"MakerNote preview", i, codec.MakerNoteImageStreamPath(i), codec.MakerNoteImageWithheld(i)});
    return images;
}

// How many images and pixels the comparison may still decode, and what it left out.
class cDecodeBudget {
  public:
    explicit cDecodeBudget(int64_t mainPixels) : pixelLimit_(budget::EmbeddedPixels(mainPixels)) {}

    // Whether the image may be decoded; counts it either way.
    bool Admit(const ComparedImage& image) {
        if (image.withheld) return Skip(withheld_);
        if (decoded_ >= budget::kMaxEmbeddedImagesDecoded) return Skip(overCount_);
        // An image whose size cannot be read fails to decode at once, at no cost.
        const int64_t pixels = budget::DeclaredJpegPixels(image.path).value_or(0);
        if (pixels > pixelLimit_ - pixelsDecoded_) return Skip(overPixels_);
        ++decoded_;
        pixelsDecoded_ += pixels;
        return true;
    }

    // The finding that records the images not compared; nothing when every one was.
    std::optional<Finding> Report() const {
        if (withheld_ + overCount_ + overPixels_ == 0) return std::nullopt;
        return NoteFinding("budget.embedded-images-not-compared")
            .With("notCompared", withheld_ + overCount_ + overPixels_)
            .With("notWritten", withheld_)
            .With("beyondImageLimit", overCount_)
            .With("beyondPixelLimit", overPixels_)
            .With("imageLimit", budget::kMaxEmbeddedImagesDecoded)
            .With("pixelLimit", pixelLimit_);
    }

  private:
    static bool Skip(int64_t& counter) {
        ++counter;
        return false;
    }

    int64_t pixelLimit_;
    int64_t pixelsDecoded_ = 0;
    int32_t decoded_ = 0;
    int64_t withheld_ = 0;
    int64_t overCount_ = 0;
    int64_t overPixels_ = 0;
};

// Each further image lowers the status as far as its fingerprint differs from the main
// picture's; one that does not decode (or was never extracted) vouches for nothing.
void CompareWithMainPicture(const CheckContext& context, Findings& findings) {
    const std::vector<ComparedImage> images = ComparedImages(context.codec);
    if (images.empty()) return;
    const std::optional<HashValue>& main = context.picture.fingerprint;
    cDecodeBudget budget(static_cast<int64_t>(context.picture.width) * context.picture.height);
    for (const ComparedImage& image : images) {
        if (!budget.Admit(image)) continue;
        Finding finding = NoteFinding("embedded.similarity");
        const std::optional<PictureDigest> embedded =
            main ? context.EmbeddedDigest(image.path) : std::nullopt;
        if (!embedded) {
            finding.rule = "embedded.not-decodable";
            finding.status = kStatusHighlySuspected;
        } else {
            finding.status = HashSimilarityLevel(embedded->fingerprint, main->bits, *DecidedStatus(findings));
            finding.With("width", embedded->width)
                .With("height", embedded->height)
                .With("level", *finding.status);
        }
        findings.push_back(std::move(finding.With("image", image.kind).With("index", image.index)));
    }
    if (auto report = budget.Report()) findings.push_back(std::move(*report));
}

} // namespace

std::vector<std::string> EmbeddedImagesToDigest(const IExifCodec& codec, int64_t mainPixels) {
    std::vector<std::string> paths;
    cDecodeBudget budget(mainPixels);
    for (const ComparedImage& image : ComparedImages(codec))
        if (budget.Admit(image)) paths.push_back(image.path);
    return paths;
}

Findings EmbeddedImagesCheck(CheckContext& context) {
    const IExifCodec& codec = context.codec;
    if (codec.ThumbSize() <= 0 && codec.MPFImageCount() <= 1 && codec.MakerNoteImageCount() <= 0) return {};
    Findings findings{StatusFinding("embedded.images-found", kStatusPass)
                          .With("thumbnailBytes", codec.ThumbSize())
                          .With("mpfImages", codec.MPFImageCount())
                          .With("makerNotePreviews", codec.MakerNoteImageCount())};
    if (codec.Manufacturer() == kMakerNikon) findings.push_back(NikonThumbnailFinding(context));
    if (*DecidedStatus(findings) > kStatusHighlySuspected) CompareWithMainPicture(context, findings);
    return findings;
}

} // namespace pellvane

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
#include "codec/cExifCodec.h"
#include "imaging/Fingerprint.h"

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
        return StatusFinding("embedded.nikon-thumbnail-unreadable", kStatusHighlySuspected).With("openResult", result);
    const bool equal = thumbnail->ComprSignature() == context.codec.ComprSignature();
    context.flags.embeddedSignatureEqual = equal;
    return StatusFinding(equal ? "embedded.nikon-thumbnail-main-tables" : "embedded.nikon-thumbnail-own-tables",
                         equal ? kStatusHighlySuspected : kStatusPass)
        .With("thumbnailSignature", thumbnail->ComprSignature())
        .With("mainSignature", context.codec.ComprSignature());
}

struct ComparedImage {
    std::string kind; // "MPF image" or "MakerNote preview"
    int32_t index;
    std::string path;
};

// The further images in their order: the MPF images after the primary one, then every
// MakerNote preview (whose list holds no entry for the main picture).
std::vector<ComparedImage> ComparedImages(const IExifCodec& codec) {
    std::vector<ComparedImage> images;
    for (int32_t i = 1; i < codec.MPFImageCount(); ++i)
        images.push_back({"MPF image", i, codec.MPFImageStreamPath(i)});
    for (int32_t i = 0; i < codec.MakerNoteImageCount(); ++i)
        images.push_back({"MakerNote preview", i, codec.MakerNoteImageStreamPath(i)});
    return images;
}

// Each further image lowers the status as far as its fingerprint differs from the main
// picture's; one that does not decode (or was never extracted) vouches for nothing.
void CompareWithMainPicture(const CheckContext& context, Findings& findings) {
    const std::vector<ComparedImage> images = ComparedImages(context.codec);
    if (images.empty()) return;
    const std::optional<HashValue> main = MakeFingerprint(context.picture);
    for (const ComparedImage& image : images) {
        cDIBSection embedded;
        Finding finding = NoteFinding("embedded.similarity");
        if (!main || !embedded.LoadPicture_File(image.path)) {
            finding.rule = "embedded.not-decodable";
            finding.status = kStatusHighlySuspected;
        } else {
            finding.status = HashSimilarityLevel(embedded, main->bits, *DecidedStatus(findings));
            finding.With("width", embedded.Width()).With("height", embedded.Height()).With("level", *finding.status);
        }
        findings.push_back(std::move(finding.With("image", image.kind).With("index", image.index)));
    }
}

} // namespace

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

// Embedded images: cameras store smaller copies of the picture (the EXIF thumbnail, further
// Multi-Picture Format images, previews in the MakerNote). Editors usually rewrite the main
// picture and leave those copies alone, so a copy that no longer shows the main picture
// betrays the edit. Nikon thumbnails are also checked for the main picture's quantization
// tables, which a camera never reuses for its thumbnail but a program that regenerates the
// thumbnail may.

#include "analysis/AnalyzeFile.h"
#include "analysis/ForensicTests.h"
#include "analysis/Status.h"
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
int16_t NikonThumbnailStatus(TestContext& context) {
    const std::unique_ptr<IExifCodec> thumbnail = SecondCodec(context.flags);
    const int32_t result = thumbnail->OpenFile(context.codec.ThumbnailCachePath(), false, false);
    if (result != kOpenOk && result != kOpenNoSegments && result != kOpenNoExif)
        return kStatusHighlySuspected;
    context.flags.embeddedSignatureEqual = thumbnail->ComprSignature() == context.codec.ComprSignature();
    return context.flags.embeddedSignatureEqual ? kStatusHighlySuspected : kStatusPass;
}

// The further images in their order: the MPF images after the primary one, then every
// MakerNote preview (whose list holds no entry for the main picture).
std::vector<std::string> ComparedImagePaths(const IExifCodec& codec) {
    std::vector<std::string> paths;
    for (int32_t i = 1; i < codec.MPFImageCount(); ++i)
        paths.push_back(codec.MPFImageStreamPath(i));
    for (int32_t i = 0; i < codec.MakerNoteImageCount(); ++i)
        paths.push_back(codec.MakerNoteImageStreamPath(i));
    return paths;
}

// Each further image lowers the status as far as its fingerprint differs from the main
// picture's; one that does not decode (or was never extracted) vouches for nothing.
int16_t CompareWithMainPicture(const TestContext& context, int16_t status) {
    const std::vector<std::string> paths = ComparedImagePaths(context.codec);
    if (paths.empty()) return status;
    const std::optional<HashValue> main = MakeFingerprint(context.picture);
    for (const std::string& path : paths) {
        cDIBSection embedded;
        if (!main || !embedded.LoadPicture_File(path)) {
            status = kStatusHighlySuspected;
            continue;
        }
        status = HashSimilarityLevel(embedded, main->bits, status);
    }
    return status;
}

} // namespace

std::optional<int16_t> EmbeddedImagesTest(TestContext& context) {
    const IExifCodec& codec = context.codec;
    if (codec.ThumbSize() <= 0 && codec.MPFImageCount() <= 1 && codec.MakerNoteImageCount() <= 0)
        return std::nullopt;
    int16_t status = kStatusPass;
    if (codec.Manufacturer() == kMakerNikon) status = NikonThumbnailStatus(context);
    if (status > kStatusHighlySuspected) status = CompareWithMainPicture(context, status);
    return status;
}

} // namespace pellvane

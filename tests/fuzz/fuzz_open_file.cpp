// OpenFile on arbitrary bytes, then every question the analysis asks of the file model, and
// CloseFile, after which no temporary file may remain.

#include "FuzzSupport.h"

#include "codec/cExifCodec.h"
#include "imaging/cDIBSection.h"

#include <cstdint>

using namespace pellvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz::WriteInput({data, size});
    {
        cExifCodec codec;
        // As the analysis does: thumbnails are decoded to tell whether they are valid.
        codec.SetPictureCheck(
            [](const std::string& picture) { return cDIBSection().LoadPicture_File(picture); });
        // Each file is read both ways: the MakerNote processing changes the walk.
        const bool processMakerNote = size % 2 == 0;
        codec.OpenFile(path, processMakerNote, true);
        (void)codec.ImageWidth();
        (void)codec.ImageHeight();
        (void)codec.ImageBitDepth();
        (void)codec.ComprSignature();
        (void)codec.StreamCachePath();
        (void)codec.Thumbnail();
        (void)codec.XMPText();
        double latitude = 0, longitude = 0;
        (void)codec.GetGpsCoordinate(latitude, longitude);
        for (int32_t i = 0; i < codec.MakerNoteImageCount(); ++i)
            (void)codec.MakerNoteImageStreamPath(i);
        for (int32_t i = 0; i < codec.MPFImageCount(); ++i)
            (void)codec.MPFImageStreamPath(i);
        // Opening the same file again must release everything of the first open; done for one
        // input in four, since it doubles the time of a run.
        if (size % 8 < 2) {
            codec.OpenFile(path, !processMakerNote, true);
            (void)codec.StreamCachePath();
        }
    }
    fuzz::CheckNothingLeftBehind();
    return 0;
}

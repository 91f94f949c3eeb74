// The text listing of every segment of an arbitrary file, at every indent and row width the
// listings use, and the listing of the bytes after the end of the image.

#include "FuzzSupport.h"

#include "codec/cExifCodec.h"

using namespace pellvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The layout comes from the size, so that every input is a file as it stands.
    const int indent = static_cast<int>(size % 9);
    const int perRow = 1 + static_cast<int>(size / 9 % 32);
    const std::string& path = fuzz::WriteInput({data, size});
    {
        cExifCodec codec;
        codec.OpenFile(path, true, false);
        for (int32_t i = -1; i <= codec.MarkerCount(); ++i)
            (void)codec.MarkerDataString(i, indent, perRow);
        (void)codec.EOFChunkDataString();
    }
    fuzz::CheckNothingLeftBehind();
    return 0;
}

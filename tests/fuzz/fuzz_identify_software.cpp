// The editing-program rules over the metadata of an arbitrary file, and the UserComment decoding
// on its own.

#include "FuzzSupport.h"

#include "codec/cExifCodec.h"
#include "codec/extensions/Software.h"

using namespace pellvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes{data, size};
    (void)DecodeUserComment(bytes, size % 2 == 0);
    const std::string& path = fuzz::WriteInput(bytes);
    {
        cExifCodec codec;
        codec.OpenFile(path, true, false);
        bool iccHint = false;
        std::string softwareName;
        (void)IdentifySoftware(&codec, iccHint, softwareName);
        softwareName.clear();
        (void)IdentifyAdobeSoftware(&codec, softwareName);
    }
    fuzz::CheckNothingLeftBehind();
    return 0;
}

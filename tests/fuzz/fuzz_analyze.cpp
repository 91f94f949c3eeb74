// The whole run on an arbitrary file, without pauses, in the window's way (the picture kept
// whole), the command line's (its rows streamed) and with the picture decoding on a second
// thread; once the codec is gone no temporary file may remain.

#include "FuzzSupport.h"

#include "analysis/AnalyzeFile.h"

using namespace pellvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz::WriteInput({data, size});
    {
        std::unique_ptr<IExifCodec> codec;
        cSilentObserver observer;
        AnalysisSettings settings;
        settings.keepPicture = size % 3 == 0;
        settings.overlapDecoding = size % 3 == 2;
        (void)AnalyzeFile(path, codec, settings, observer);
    }
    fuzz::CheckNothingLeftBehind();
    return 0;
}

// The whole run on an arbitrary file, without pauses, as the command line does it; once the
// codec is gone no temporary file may remain.

#include "FuzzSupport.h"

#include "analysis/AnalyzeFile.h"

using namespace pellvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz::WriteInput({data, size});
    {
        std::unique_ptr<IExifCodec> codec;
        cSilentObserver observer;
        AnalysisSettings settings;
        settings.keepPicture = size % 2 == 0;
        (void)AnalyzeFile(path, codec, settings, observer);
    }
    fuzz::CheckNothingLeftBehind();
    return 0;
}

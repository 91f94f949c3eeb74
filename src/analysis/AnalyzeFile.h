#pragma once
// The analysis run: loads the picture, opens the file with the metadata codec, runs the
// forensic tests in their fixed order and reduces their rows to a trust rating.

#include "analysis/AnalysisObserver.h"
#include "analysis/AnalysisReport.h"
#include "codec/IExifCodec.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pellvane {

struct AnalysisSettings {
    // The installed version of the maker's metadata editor; from 1260 on its codec
    // component is tried before the built-in codec.
    int32_t editorVersion = 0;
    // Turn the picture upright and keep it in the report for a preview. Callers that show
    // no picture save the work and the memory.
    bool keepPicture = true;
    // Decode the picture on a second thread while the codec reads the file and digests the
    // embedded images, for a caller that examines one file on a machine with a core to spare.
    // The results are the same either way; a caller that keeps the picture decodes in turn.
    bool overlapDecoding = false;
    // The random source of the window's pacing: each call a number uniform in [0, 1). Empty:
    // a generator seeded from the clock. Tests hand in their own to know every step.
    std::function<double()> pacingRandom = nullptr;
};

// The editor version from which its codec component answers everything the run asks.
inline constexpr int32_t kFirstEditorWithCodec = 1260;

// Analyses one file. `codec` is kept by the caller across runs: a codec held from an earlier
// run is closed and reused, otherwise one is created. The file stays open in the codec, with
// its temporary files, until the caller's next run or until the caller closes it.
AnalysisReport AnalyzeFile(const std::string& path, std::unique_ptr<IExifCodec>& codec,
                           const AnalysisSettings& settings, IAnalysisObserver& observer);

} // namespace pellvane

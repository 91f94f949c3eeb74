// Histogram: colour and tone corrections leave gaps and spikes in a picture's histograms.
// The decoded picture is counted in sampled mode and the continuity judgement is the status.

#include "analysis/ForensicTests.h"
#include "analysis/Status.h"
#include "imaging/cHistogram.h"

namespace pellvane {

std::optional<int16_t> HistogramTest(TestContext& context) {
    cHistogram histogram;
    if (!histogram.LoadHistogram(context.picture, true)) return std::nullopt;
    const int16_t status = histogram.TestContinuity(cHistogram::kAnalysisThreshold);
    context.flags.histogramSuspect = status < kStatusSuspected;
    return status;
}

} // namespace pellvane

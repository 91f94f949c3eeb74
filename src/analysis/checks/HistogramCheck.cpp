// Histogram: colour and tone corrections leave gaps and spikes in a picture's histograms.
// The decoded picture is counted in sampled mode and the continuity judgement is the status
// (imaging/cHistogram.cpp holds the counting and the judgement).

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "imaging/cHistogram.h"

namespace pellvane {

Findings HistogramCheck(CheckContext& context) {
    cHistogram histogram;
    if (!histogram.LoadHistogram(context.picture, true)) return {};
    const int16_t status = histogram.TestContinuity(cHistogram::kAnalysisThreshold);
    context.flags.histogramSuspect = status < kStatusSuspected;
    return {StatusFinding("histogram.continuity", status)
                .With("threshold", static_cast<double>(cHistogram::kAnalysisThreshold))
                .With("width", context.picture.Width())
                .With("height", context.picture.Height())};
}

} // namespace pellvane

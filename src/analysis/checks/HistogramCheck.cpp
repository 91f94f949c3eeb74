// Histogram: colour and tone corrections leave gaps and spikes in a picture's histograms.
// The decoded picture is counted in sampled mode and the continuity judgement is the status
// (imaging/cHistogram.cpp holds the counting and the judgement).

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "imaging/cHistogram.h"

namespace pellvane {

Findings HistogramCheck(CheckContext& context) {
    const cHistogram& histogram = context.picture.histogram;
    if (!histogram.IsHistogramLoaded()) return {};
    const int16_t status = histogram.TestContinuity(cHistogram::kAnalysisThreshold);
    context.flags.histogramSuspect = status < kStatusSuspected;
    const auto bins = [&](cHistogram::Channel channel) {
        return static_cast<int64_t>(histogram.SuspiciousBins(channel, cHistogram::kAnalysisThreshold).size());
    };
    const int64_t red = bins(cHistogram::Channel::Red);
    const int64_t green = bins(cHistogram::Channel::Green);
    const int64_t blue = bins(cHistogram::Channel::Blue);
    return {StatusFinding("histogram.continuity", status)
                .With("suspiciousBins", red + green + blue)
                .With("red", red)
                .With("green", green)
                .With("blue", blue)
                .With("passBelow", 15)
                .With("threshold", static_cast<double>(cHistogram::kAnalysisThreshold))
                .With("width", context.picture.width)
                .With("height", context.picture.height)};
}

} // namespace pellvane

#pragma once
// The forensic tests, one function each in a file of its own. Each reads what it needs from
// the context, may set run flags, and answers the status of its result row (1 "Fail" to
// 5 "Pass"), or nothing when the file gives it nothing to judge and no row is added.

#include "analysis/TestContext.h"

namespace pellvane {

// The quantization tables against those of known editors and cameras.
std::optional<int16_t> CompressionSignatureTest(TestContext& context);

// Whether the camera maker's MakerNote is present and still the camera's own.
std::optional<int16_t> MakerNoteTest(TestContext& context);

// Whether the colour histograms of the picture run without gaps and spikes.
std::optional<int16_t> HistogramTest(TestContext& context);

} // namespace pellvane

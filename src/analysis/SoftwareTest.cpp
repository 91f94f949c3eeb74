// Software data: whether the metadata names an editing program. The program found replaces
// any name the compression signature gave, as it is the more precise.

#include "analysis/ForensicTests.h"
#include "analysis/Status.h"
#include "codec/extensions/Software.h"

namespace pellvane {

std::optional<int16_t> SoftwareTest(TestContext& context) {
    // An ICC profile is something editors add, but so do some cameras: only a doubt.
    bool iccHint = false;
    if (IdentifySoftware(&context.codec, iccHint, context.flags.detectedSoftware)) return kStatusFail;
    return iccHint ? kStatusSuspected : kStatusPass;
}

} // namespace pellvane

// MPF data: cameras that write Multi-Picture Format data write it whole; editors that keep
// the segment seldom keep it consistent with what they changed. The checks of the MP index
// live with the codec (codec/extensions/Mpf.cpp); their findings decide `MPFValid`.

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"

namespace pellvane {

Findings MpfCheck(CheckContext& context) {
    const IExifCodec& codec = context.codec;
    if (!codec.MPFExisted()) return {};
    Findings findings;
    for (const Finding& finding : codec.CodecFindings()) {
        if (finding.codecFact != kFactMPFValid) continue;
        findings.push_back(finding);
        findings.back().status.reset();
    }
    const bool valid = codec.MPFValid();
    findings.push_back(StatusFinding(valid ? "mpf.valid" : "mpf.invalid", valid ? kStatusPass : kStatusFail)
                           .With("images", codec.MPFImageCount()));
    return findings;
}

} // namespace pellvane

#include "analysis/checks/CheckContext.h"

namespace pellvane {

std::optional<Finding> CodecDecision(const IExifCodec& codec, std::string_view codecFact) {
    const Findings& findings = codec.CodecFindings();
    for (auto it = findings.rbegin(); it != findings.rend(); ++it) {
        if (it->codecFact != codecFact) continue;
        Finding decision = *it;
        decision.status.reset();
        return decision;
    }
    return std::nullopt;
}

} // namespace pellvane

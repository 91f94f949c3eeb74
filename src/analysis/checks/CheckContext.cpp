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

std::optional<PictureDigest> CheckContext::EmbeddedDigest(const std::string& path) const {
    if (digestsAhead != nullptr)
        if (const auto found = digestsAhead->find(path); found != digestsAhead->end()) return found->second;
    return DigestPictureFile(path, kEmbeddedDigestParts);
}

} // namespace pellvane

#pragma once
// A finding: what one rule looked at and what it decided. Every decision the codec's integrity
// rules and the forensic checks take is kept as a finding, so that a verdict can always be
// traced back to the rule that made it and to the values it compared.

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace pellvane {

// One value a rule compared. Numbers stay numbers so that reports can print them as such.
struct Fact {
    using Value = std::variant<int64_t, double, std::string, bool>;
    std::string name;
    Value value;

    bool operator==(const Fact&) const = default;
};

struct Finding {
    std::string rule;              // stable identifier, "area.what-it-checks"
    std::vector<Fact> facts;       // the values compared, in the order a reader needs them
    std::optional<int16_t> status; // the status the rule sets on its row, if it sets one
    std::string codecFact;         // the codec member the rule decides ("MakerNoteIsOriginal"), or ""
    bool codecValue = false;       // the value it gives that member

    bool operator==(const Finding&) const = default;

    // Builders that keep call sites to one line per fact.
    template <std::integral Number>
    requires(!std::same_as<Number, bool>) Finding& With(std::string factName, Number value) {
        return Add(std::move(factName), static_cast<int64_t>(value));
    }
    Finding& With(std::string factName, double value) { return Add(std::move(factName), value); }
    Finding& With(std::string factName, bool value) { return Add(std::move(factName), value); }
    // Text read from a file ends at its terminating zero bytes.
    Finding& With(std::string factName, std::string value) {
        while (!value.empty() && value.back() == '\0')
            value.pop_back();
        return Add(std::move(factName), std::move(value));
    }
    Finding& With(std::string factName, const char* value) {
        return With(std::move(factName), std::string(value));
    }
    Finding& With(std::string factName, std::string_view value) {
        return With(std::move(factName), std::string(value));
    }

  private:
    Finding& Add(std::string factName, Fact::Value value) {
        facts.push_back({std::move(factName), std::move(value)});
        return *this;
    }
};

// A finding that sets a row's status.
inline Finding StatusFinding(std::string rule, int16_t status) {
    Finding finding;
    finding.rule = std::move(rule);
    finding.status = status;
    return finding;
}

// A finding that only records what was compared, without deciding anything.
inline Finding NoteFinding(std::string rule) {
    Finding finding;
    finding.rule = std::move(rule);
    return finding;
}

// A finding that decides a codec member.
inline Finding CodecFinding(std::string rule, std::string codecFact, bool value) {
    Finding finding;
    finding.rule = std::move(rule);
    finding.codecFact = std::move(codecFact);
    finding.codecValue = value;
    return finding;
}

using Findings = std::vector<Finding>;

// A codec member derived from its findings: the value the last finding that decides it gave,
// or `fallback` when none did.
inline bool DerivedFact(const Findings& findings, std::string_view codecFact, bool fallback) {
    for (auto it = findings.rbegin(); it != findings.rend(); ++it)
        if (it->codecFact == codecFact) return it->codecValue;
    return fallback;
}

// The status a set of findings decides: the one the last finding that sets a status gave, or
// nothing when none sets one.
inline std::optional<int16_t> DecidedStatus(const Findings& findings) {
    for (auto it = findings.rbegin(); it != findings.rend(); ++it)
        if (it->status) return it->status;
    return std::nullopt;
}

} // namespace pellvane

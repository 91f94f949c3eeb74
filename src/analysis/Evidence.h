#pragma once
// Evidence: the sentence that tells a reader what a finding compared and what it decided, in
// the interface language. Each rule has its own key "Evidence.<rule>" in the section
// "Evidence", with the English sentence compiled in; a sentence names the finding's facts as
// {fact} and they are filled in with the finding's values.

#include "base/Finding.h"

#include <span>
#include <string>
#include <string_view>

namespace pellvane {

struct EvidenceSentence {
    std::string_view rule;
    std::string_view english;
};

// The finding's sentence with its facts filled in. A rule without a sentence of its own is
// shown by its identifier and its facts, so that nothing found is ever left unsaid.
std::string EvidenceText(const Finding& finding);

// A fact's value as a sentence shows it: whole numbers as they are, other numbers to four
// significant digits, truth values as "yes" or "no".
std::string FactText(const Fact::Value& value);

// Every rule's sentence with its English default, for translators and the completeness test.
std::span<const EvidenceSentence> EvidenceSentences();

} // namespace pellvane

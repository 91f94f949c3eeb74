// Evidence sentences: facts filled into the translated sentence, and nothing a rule found left
// unsaid when it has no sentence.

#include "analysis/Evidence.h"
#include "base/Text.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace pellvane {
namespace {

// Installs a translation provider for one test and removes it again.
class ScopedTranslation {
  public:
    explicit ScopedTranslation(TextProvider provider) { SetTextProvider(std::move(provider)); }
    ~ScopedTranslation() { SetTextProvider(nullptr); }
};

TEST(Evidence, FillsEveryFactIntoTheSentence) {
    const Finding finding = StatusFinding("external.pixel-dimension", 1)
                                .With("tag", "PixelYDimension")
                                .With("recorded", 1200)
                                .With("frameWidth", 800)
                                .With("frameHeight", 600);
    EXPECT_EQ(EvidenceText(finding), "PixelYDimension records 1200 pixels against a frame of 800 x 600.");
}

TEST(Evidence, ShowsNumbersAndTruthValuesAsAReaderExpects) {
    struct Case {
        Fact::Value value;
        std::string text;
    };
    const Case cases[] = {
        {int64_t{-3}, "-3"},      {12.0, "12"},  {1.504, "1.504"}, {1.33333, "1.333"},
        {3.373e-06, "3.373e-06"}, {true, "yes"}, {false, "no"},    {std::string("E950"), "E950"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FactText(c.value), c.text);
}

TEST(Evidence, TheTranslationDecidesTheSentenceAndItsWordOrder) {
    ScopedTranslation german(
        [](std::string_view section, std::string_view key) -> std::optional<std::string> {
            if (section == "Evidence" && key == "Evidence.makernote.original")
                return "Die MakerNote ({entries} Einträge) stammt von der Kamera.";
            if (section == "Evidence" && key == "Evidence.Yes") return "ja";
            return std::nullopt;
        });
    EXPECT_EQ(EvidenceText(StatusFinding("makernote.original", 5).With("entries", 47)),
              "Die MakerNote (47 Einträge) stammt von der Kamera.");
    EXPECT_EQ(FactText(true), "ja");
}

TEST(Evidence, ARuleWithoutASentenceIsListedWithItsFactsAndAMissingFactStaysNamed) {
    EXPECT_EQ(EvidenceText(NoteFinding("new.rule").With("a", 1).With("b", "x")), "new.rule: a 1, b x");
    EXPECT_EQ(EvidenceText(NoteFinding("makernote.original")),
              "The MakerNote is the camera's own and holds {entries} entries.");
}

TEST(Evidence, EveryRuleHasOneSentenceAndAStableIdentifier) {
    std::set<std::string_view> rules;
    const std::regex identifier("[a-z0-9-]+\\.[a-z0-9-]+");
    for (const EvidenceSentence& sentence : EvidenceSentences()) {
        EXPECT_TRUE(rules.insert(sentence.rule).second) << sentence.rule << " twice";
        EXPECT_TRUE(std::regex_match(std::string(sentence.rule), identifier)) << sentence.rule;
        EXPECT_FALSE(sentence.english.empty()) << sentence.rule;
    }
}

} // namespace
} // namespace pellvane

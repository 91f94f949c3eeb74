#pragma once
// Everything one analysis run produces, for the window or the command line to show.

#include "analysis/RunFlags.h"
#include "base/Finding.h"
#include "imaging/cDIBSection.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellvane {

// One result row: a test that applied to the file, with its status and the findings that
// decided it (the status is the one the last deciding finding set).
struct ResultRow {
    std::string caption; // translated
    std::string key;     // translation key of the caption
    int16_t level = 0;   // 1 "Fail" to 5 "Pass"
    std::string word;    // the translated status word
    int32_t icon = 0;    // status icon index
    Findings findings;

    bool operator==(const ResultRow&) const = default;
};

// Where the tips link leads: a report of a mistake (classes 1 and 2) or a submission for
// further analysis (classes 3 to 5).
enum class LinkType { Report, Submit };

// The message area under the rating: which icons and panels show and what they say.
struct RatingMessages {
    std::string message;      // the main message line
    std::string legacyAlert;  // the legacy-editor alert, "" when it does not apply
    std::string legacyNotice; // the notice that leads to the upgrade link, "" likewise
    bool alertIcon = false;
    bool warningIcon = false;
    bool noticeIcon = false;
    std::array<bool, 3> panels{}; // message panels 0 to 2
    LinkType link = LinkType::Submit;
    std::string linkCaption;
};

// The OpenFile result recorded when the run ended before the codec opened the file.
inline constexpr int32_t kFileNotOpened = -1;

struct AnalysisReport {
    // A run is refused when the picture does not load or is no JPEG; only `refusal` (and
    // `refusalKey`) are then meaningful.
    bool refused = false;
    std::string refusal;
    std::string refusalKey;
    // Set when the refusal is a JPEG picture larger than the decoder holds: its declared size.
    std::optional<DeclaredSize> tooLarge;

    std::vector<ResultRow> rows; // in display order: worst level first
    int16_t ratingClass = 0;     // 1 (processed) to 5 (original)
    std::string title;           // "Class 3"
    std::string description;     // the sentence that explains the class
    uint32_t colour = 0;         // the class colour as 0xRRGGBB
    RatingMessages messages;

    RunFlags flags;
    int32_t openResult = kFileNotOpened;
    // The picture turned upright for the preview; empty when the caller did not ask for it.
    cDIBSection picture;
};

} // namespace pellvane

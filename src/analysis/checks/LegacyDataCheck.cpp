// Legacy editor data: early versions of the maker's own metadata editor left a 16-byte block
// in the files they saved. The codec finds and deciphers it (codec/extensions/LegacyBlock.cpp);
// a version found means the file has certainly been edited, so the row fails and the class
// becomes 1.

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "base/Text.h"

#include <cstdio>

namespace pellvane {
namespace {

// The version of a cracked copy of the editor that went round; it is named rather than numbered.
constexpr int16_t kCrackedVersion = 280;

std::string SoftwareText(std::string_view key, std::string_view english) {
    return GetText("Software", key, english);
}

// The editor's name with its version, for the class-1 alert.
std::string EditorName(int16_t version) {
    std::string name = SoftwareText("Software.Pellvane.Metadata.Editor", "Pellvane Metadata Editor");
    if (version == kCrackedVersion)
        return name + " (" + SoftwareText("Software.Pellvane.1.03.Cracked", "v1.03 Cracked") + ")";
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", static_cast<int>(version));
    return name + " (Core: " + digits + ")";
}

} // namespace

Findings LegacyDataCheck(CheckContext& context) {
    const int16_t version = context.codec.PelvnVersion();
    if (version <= 0) return {};
    // The editor is certain, so its name replaces whatever earlier checks suspected.
    context.flags.detectedSoftware = EditorName(version);
    context.flags.legacyDataFound = true;
    return {StatusFinding("legacy.editor-block", kStatusFail)
                .With("version", version)
                .With("editor", context.flags.detectedSoftware)};
}

} // namespace pellvane

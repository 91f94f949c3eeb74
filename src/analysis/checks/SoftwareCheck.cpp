// Software data: whether the metadata names an editing program. The program found replaces
// any name the compression signature gave, as it is the more precise. The rules that read
// the names (tags, XMP, comments, Photoshop blocks, the tables of known programs) live with
// the codec, in codec/extensions/Software.cpp (`IdentifySoftware`); this check turns what
// they found into the row.

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "codec/extensions/Software.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

namespace pellvane {
namespace {

// The longest program name shown; XMP text is the file's to choose.
constexpr size_t kLongestName = 200;

std::string Trimmed(std::string text) {
    text.resize(std::min(text.find('\0'), text.size()));
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (text.size() > kLongestName) text.resize(kLongestName);
    return text;
}

// The value of XMP's CreatorTool, written as an attribute or as an element; "" without one.
std::string XmpCreatorTool(std::string_view xmp) {
    for (const auto& [open, close] : {std::pair{"CreatorTool=\"", "\""}, std::pair{"CreatorTool>", "<"}}) {
        const size_t at = xmp.find(open);
        if (at == std::string_view::npos) continue;
        const size_t start = at + std::string_view(open).size();
        const size_t end = xmp.find(close, start);
        if (end != std::string_view::npos) return Trimmed(std::string(xmp.substr(start, end - start)));
    }
    return "";
}

// The program names the metadata gives where editors and cameras write them, each as a
// finding that says where it was read; none of them is a known editor.
Findings UnknownProgramNames(const IExifCodec& codec) {
    const std::pair<const char*, std::string> places[] = {
        {"Software", Trimmed(codec.TagValueString(kTagSoftware, kIfd0))},
        {"ProcessingSoftware", Trimmed(codec.TagValueString(kTagProcessingSoftware, kIfd0))},
        {"XMP CreatorTool", codec.XMPExisted() ? XmpCreatorTool(codec.XMPText()) : ""},
    };
    Findings findings;
    for (const auto& [where, name] : places)
        if (!name.empty())
            findings.push_back(
                NoteFinding("software.not-a-known-editor").With("where", where).With("name", name));
    return findings;
}

} // namespace

Findings SoftwareCheck(CheckContext& context) {
    // An ICC profile is something editors add, but so do some cameras: only a doubt.
    bool iccHint = false;
    std::string& software = context.flags.detectedSoftware;
    if (IdentifySoftware(&context.codec, iccHint, software))
        return {StatusFinding("software.editor-named", kStatusFail).With("software", software)};
    Findings findings = UnknownProgramNames(context.codec);
    findings.push_back(iccHint ? StatusFinding("software.icc-profile", kStatusSuspected)
                               : StatusFinding("software.no-editor-named", kStatusPass));
    return findings;
}

} // namespace pellvane

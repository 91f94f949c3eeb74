// Software data: whether the metadata names an editing program. The program found replaces
// any name the compression signature gave, as it is the more precise. The rules that read
// the names (tags, XMP, comments, Photoshop blocks, the tables of known programs) live with
// the codec, in codec/extensions/Software.cpp (`IdentifySoftware`); this check turns what
// they found into the row.

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "codec/extensions/Software.h"

namespace pellvane {

Findings SoftwareCheck(CheckContext& context) {
    // An ICC profile is something editors add, but so do some cameras: only a doubt.
    bool iccHint = false;
    std::string& software = context.flags.detectedSoftware;
    if (IdentifySoftware(&context.codec, iccHint, software))
        return {StatusFinding("software.editor-named", kStatusFail).With("software", software)};
    if (iccHint) return {StatusFinding("software.icc-profile", kStatusSuspected)};
    return {StatusFinding("software.no-editor-named", kStatusPass)};
}

} // namespace pellvane

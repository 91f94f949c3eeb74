#pragma once
// How a run keeps its caller informed. The window moves its progress bar, shows the test in
// progress and pauses between tests (ending a pause early from its watchdog timer); the
// command line ignores all of it. Every member does nothing by default.

#include "imaging/PictureDigest.h"

#include <cstdint>
#include <string>

namespace pellvane {

class IAnalysisObserver {
  public:
    virtual ~IAnalysisObserver() = default;

    // The progress bar's new value, 0 to 100.
    virtual void Progress(int32_t /*percent*/) {}
    // The working label's new text ("Analyzing EXIF Format...").
    virtual void WorkingLabel(const std::string& /*text*/) {}
    // A pause between tests, in milliseconds. The window waits while it keeps processing its
    // events; nobody else needs to wait.
    virtual void Pause(int32_t /*milliseconds*/) {}
    // The tests are about to start: the moment the window arms its watchdog timer.
    virtual void TestsStarting() {}
    // The picture decoded and digested, as stored in the file (before the EXIF orientation is
    // applied and before the run checks that it is a JPEG), for callers that report facts about
    // it.
    virtual void PictureDigested(const PictureDigest& /*digest*/) {}
};

// The observer of callers that show nothing while the run works.
class cSilentObserver final : public IAnalysisObserver {};

} // namespace pellvane

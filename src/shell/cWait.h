#pragma once
// The pause between tests of a run. The window must stay responsive while it waits, so the
// pause runs an event loop rather than sleeping; the watchdog timer can end it early.

#include <QPointer>

#include <cstdint>

class QEventLoop;

namespace pellvane {

class cWait {
  public:
    // Returns after `milliseconds`, or earlier when Cease is called, processing the
    // window's events meanwhile.
    void Wait(int32_t milliseconds);
    // Ends the pause in progress at once; does nothing when none runs.
    void Cease();
    bool IsWaiting() const { return !loop_.isNull(); }

  private:
    QPointer<QEventLoop> loop_;
};

} // namespace pellvane

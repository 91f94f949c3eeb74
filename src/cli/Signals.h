#pragma once
// How the command line ends early: on SIGINT or SIGTERM, or when its output is closed
// (SIGPIPE), every temporary file is removed and the process ends as the signal would have
// ended it (exit status 130, 143 or 141 to a shell).

namespace pellvane::cli {

// Call once, before any worker thread starts: the threads started later inherit the blocked
// SIGINT and SIGTERM, which one watching thread then takes. SIGPIPE is ignored, so that a
// closed output shows as a failed write (see EndBySignal).
void WatchEndingSignals();

// Removes every temporary file and ends the process by `signal`, whatever other threads do.
[[noreturn]] void EndBySignal(int signal);

} // namespace pellvane::cli

#include "cli/Signals.h"

#include "codec/mFile.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <thread>

namespace pellvane::cli {
namespace {

sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

void WatchEndingSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t set = EndingSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set] {
        int signal = 0;
        while (sigwait(&set, &signal) != 0) {
        }
        EndBySignal(signal);
    }).detach();
}

void EndBySignal(int signal) {
    RemoveEveryTempFile();
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    // Delivered to this thread at once, since it is the one that raises it and does not block it.
    std::raise(signal);
    std::_Exit(128 + signal); // only if the signal could not end the process
}

} // namespace pellvane::cli

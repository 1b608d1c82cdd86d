#include "StopSignals.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<bool> requested{false};

} // namespace

void watchStopSignals(std::function<void()> onStop) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set, onStop = std::move(onStop)] {
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) != 0)
                continue;
            if (requested.exchange(true))
                _exit(130); // asked twice: stop now
            if (onStop)
                onStop();
        }
    }).detach();
}

bool stopRequested() {
    return requested.load();
}

} // namespace platform

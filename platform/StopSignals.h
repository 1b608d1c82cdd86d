#pragma once

#include <functional>

namespace platform {

// Ctrl+C and `kill` as a request to stop. Once attached, the Firebird client
// installs handlers of its own for SIGINT and SIGTERM, so that the process
// no longer stops on them and an attachment can be torn down mid-transaction.
// watchStopSignals() therefore blocks both signals in the whole process (call
// it first in main, before any other thread exists, so every thread inherits
// the mask) and waits for them on a thread of its own: the first sets
// stopRequested() and calls onStop there; a second ends the process at once
// with status 130. Long operations ask stopRequested() between units of work
// and end at a whole one.
void watchStopSignals(std::function<void()> onStop = {});
bool stopRequested();

} // namespace platform

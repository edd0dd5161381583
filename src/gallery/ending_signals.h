#pragma once

#include <csignal>

// SIGHUP, SIGINT, SIGQUIT and SIGTERM end the gallery; SIGSEGV, SIGBUS and
// SIGABRT are a crash, in the driver say. Either way the files it was writing
// go before the process dies of the signal.

// Blocks the ending signals in the calling thread and in every thread it
// starts from then on, and ignores SIGXFSZ. Call it before glutInit, so that
// the driver's threads never take them.
void blockEndingSignals();

// From then on the ending signals are taken in the calling thread only, and
// the crash signals in whichever thread crashes. A signal ignored when the
// gallery started stays ignored, as nohup(1) and background jobs expect.
void takeEndingSignals();

// While one lives, the calling thread holds the ending signals back: what is
// done under it, naming a file and listing it say, the handler sees whole or
// not at all.
class EndingSignalsBlocked {
public:
    EndingSignalsBlocked();
    ~EndingSignalsBlocked();
    EndingSignalsBlocked(const EndingSignalsBlocked&) = delete;
    EndingSignalsBlocked& operator=(const EndingSignalsBlocked&) = delete;

private:
    sigset_t previous_{};
};

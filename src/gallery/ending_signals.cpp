#include "gallery/ending_signals.h"

#include "gallery/temporary_files.h"

#include <pthread.h>

static constexpr int ENDING_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
static constexpr int CRASH_SIGNALS[] = {SIGSEGV, SIGBUS, SIGABRT};

static sigset_t endingSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : ENDING_SIGNALS)
        sigaddset(&set, signal);
    return set;
}

// Only async-signal-safe calls from here on.
static void removeFilesAndDie(int signal)
{
    removeHiddenFiles();
    // Ended by the signal itself, so that whoever started the gallery sees
    // why. A crash signal, back at its instruction, comes again to the default.
    std::signal(signal, SIG_DFL);
    raise(signal);
}

void blockEndingSignals()
{
    // Past a file-size limit (ulimit -f) a write then fails with EFBIG, and the
    // file is given up like any that cannot be written, rather than the signal
    // ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
    const sigset_t set = endingSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void takeEndingSignals()
{
    struct sigaction action {};
    action.sa_handler = removeFilesAndDie;
    // One handler at a time: a second signal waits until the first has ended the run.
    action.sa_mask = endingSignals();
    for (int signal : CRASH_SIGNALS)
        sigaddset(&action.sa_mask, signal);
    for (int signal : ENDING_SIGNALS) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
    for (int signal : CRASH_SIGNALS)
        sigaction(signal, &action, nullptr);
    const sigset_t set = endingSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

EndingSignalsBlocked::EndingSignalsBlocked()
{
    const sigset_t set = endingSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

EndingSignalsBlocked::~EndingSignalsBlocked()
{
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

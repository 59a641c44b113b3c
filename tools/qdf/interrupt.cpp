#include "interrupt.h"

#include <atomic>
#include <csignal>
#include <functional>
#include <mutex>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#endif

namespace qdf {

namespace {

std::atomic<int> g_signal{0};
// What a signal cancels, and the lock that keeps it from going away while it
// runs.
std::mutex g_watching;
std::function<void()> g_cancel;

void CancelWatched(int signal) {
    g_signal = signal;
    const std::lock_guard<std::mutex> lock(g_watching);
    if (g_cancel) g_cancel();
}

#ifdef _WIN32

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    // A second Ctrl-C: the system's handler ends the process.
    if (g_signal != 0) return FALSE;
    CancelWatched(SIGINT);
    return TRUE;
}

bool Watch() {
    return SetConsoleCtrlHandler(OnControl, TRUE) != 0;
}

void Unwatch() {
    SetConsoleCtrlHandler(OnControl, FALSE);
}

#else

// The pipe from the handler to the watcher thread: the handler writes the
// signal's number, the end of the watch writes 0.
int g_pipe[2] = {-1, -1};
std::thread g_watcher;
struct sigaction g_previous[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

extern "C" void OnSignal(int signal) {
    // A second signal ends qdf at once, as the first would have.
    if (g_signal != 0) _exit(128 + signal);
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (write(g_pipe[1], &byte, 1) != 1) _exit(128 + signal);
    errno = saved;
}

void ClosePipe() {
    for (int& end : g_pipe) {
        if (end >= 0) close(end);
        end = -1;
    }
}

bool Watch() {
    if (pipe(g_pipe) != 0) return false;
    for (int end : g_pipe)
        fcntl(end, F_SETFD, FD_CLOEXEC);
    try {
        g_watcher = std::thread([] {
            for (;;) {
                unsigned char byte = 0;
                const ssize_t got = read(g_pipe[0], &byte, 1);
                if (got < 0 && errno == EINTR) continue;
                if (got != 1 || byte == 0) return;
                CancelWatched(byte);
            }
        });
    } catch (...) {
        ClosePipe();
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
    return true;
}

void Unwatch() {
    for (int i = 0; i < 2; ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    const unsigned char stop = 0;
    while (write(g_pipe[1], &stop, 1) < 0 && errno == EINTR) {
    }
    g_watcher.join();
    ClosePipe();
}

#endif

bool g_watched = false;
// The watch that holds the signals, and the lock under which watches start
// and end.
std::mutex g_owning;
const CancelOnInterrupt* g_owner = nullptr;

}  // namespace

CancelOnInterrupt::CancelOnInterrupt(twfile::sql::Engine& engine)
    : CancelOnInterrupt([&engine] { engine.Cancel(); }) {}

CancelOnInterrupt::CancelOnInterrupt(std::function<void()> cancel) {
    const std::lock_guard<std::mutex> owning(g_owning);
    // While another watch lives (qdf serve's, around the work of its
    // requests), that one keeps the signals.
    if (g_owner != nullptr) return;
    g_owner = this;
    g_signal = 0;
    {
        const std::lock_guard<std::mutex> lock(g_watching);
        g_cancel = std::move(cancel);
    }
    g_watched = Watch();
}

CancelOnInterrupt::~CancelOnInterrupt() {
    const std::lock_guard<std::mutex> owning(g_owning);
    if (g_owner != this) return;
    if (g_watched) Unwatch();
    g_watched = false;
    g_owner = nullptr;
    const std::lock_guard<std::mutex> lock(g_watching);
    g_cancel = nullptr;
}

int InterruptSignal() {
    return g_signal;
}

int StatusAfterInterrupt(int status) {
    const int signal = g_signal.exchange(0);
    return signal != 0 ? 128 + signal : status;
}

}  // namespace qdf

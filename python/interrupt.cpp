#include "interrupt.h"

#include <algorithm>
#include <mutex>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <thread>
#endif

namespace twpy {

#ifdef _WIN32

InterruptWatch::InterruptWatch(twfile::sql::Engine& engine) : m_engine(engine) {}

InterruptWatch::~InterruptWatch() = default;

void InterruptWatch::Cancel() {}

#else

namespace {

// The watches that live (under g_lock, which the watcher takes to cancel
// them), and the handler, pipe and thread they share while there is one
// (set up and taken down under g_setup).
std::mutex g_lock;
std::vector<InterruptWatch*> g_watches;
std::mutex g_setup;
bool g_installed = false;
int g_pipe[2] = {-1, -1};
std::thread g_watcher;
struct sigaction g_previous;

extern "C" void OnInterrupt(int signal, siginfo_t* info, void* context) {
    const int saved = errno;
    const unsigned char byte = 1;
    // A full pipe holds a wake-up already.
    static_cast<void>(write(g_pipe[1], &byte, 1));
    errno = saved;
    if ((g_previous.sa_flags & SA_SIGINFO) != 0) {
        g_previous.sa_sigaction(signal, info, context);
    } else {
        g_previous.sa_handler(signal);
    }
}

void Watcher() {
    for (;;) {
        unsigned char byte = 0;
        const ssize_t got = read(g_pipe[0], &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got != 1 || byte == 0) return;
        const std::lock_guard<std::mutex> held(g_lock);
        for (InterruptWatch* watch : g_watches)
            watch->Cancel();
    }
}

void ClosePipe() {
    for (int& end : g_pipe) {
        if (end >= 0) close(end);
        end = -1;
    }
}

// The handler, pipe and thread, for the first watch; false when SIGINT is
// not Python's to handle or they cannot be had.
bool Install() {
    struct sigaction current {};
    if (sigaction(SIGINT, nullptr, &current) != 0) return false;
    const bool handled = (current.sa_flags & SA_SIGINFO) != 0
                             ? current.sa_sigaction != nullptr
                             : current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN;
    if (!handled || pipe(g_pipe) != 0) return false;
    for (int end : g_pipe)
        fcntl(end, F_SETFD, FD_CLOEXEC);
    fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    try {
        g_watcher = std::thread(Watcher);
    } catch (...) {
        ClosePipe();
        return false;
    }
    g_previous = current;
    struct sigaction action = {};
    action.sa_sigaction = OnInterrupt;
    action.sa_mask = current.sa_mask;
    action.sa_flags = (current.sa_flags & ~SA_RESETHAND) | SA_SIGINFO;
    sigaction(SIGINT, &action, nullptr);
    return true;
}

void Uninstall() {
    // Python's handler goes back, unless the program set one of its own
    // since.
    struct sigaction current {};
    if (sigaction(SIGINT, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0 &&
        current.sa_sigaction == OnInterrupt)
        sigaction(SIGINT, &g_previous, nullptr);
    const unsigned char stop = 0;
    while (write(g_pipe[1], &stop, 1) < 0 && errno == EINTR) {
    }
    g_watcher.join();
    ClosePipe();
}

}  // namespace

InterruptWatch::InterruptWatch(twfile::sql::Engine& engine) : m_engine(engine) {
    const std::lock_guard<std::mutex> setup(g_setup);
    if (!g_installed) g_installed = Install();
    if (!g_installed) return;
    const std::lock_guard<std::mutex> held(g_lock);
    g_watches.push_back(this);
    m_watched = true;
}

InterruptWatch::~InterruptWatch() {
    if (!m_watched) return;
    const std::lock_guard<std::mutex> setup(g_setup);
    bool last = false;
    {
        const std::lock_guard<std::mutex> held(g_lock);
        g_watches.erase(std::find(g_watches.begin(), g_watches.end(), this));
        last = g_watches.empty();
    }
    // The watcher takes g_lock to cancel: it is stopped without it.
    if (last) {
        Uninstall();
        g_installed = false;
    }
}

void InterruptWatch::Cancel() {
    m_interrupted = true;
    m_engine.Cancel();
}

#endif

}  // namespace twpy

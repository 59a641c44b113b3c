// Ctrl-C and SIGTERM while qdf works on a database: the statement running on
// the database is cancelled (on a server, the server stops it too), and the
// command ends by its own way out, instead of qdf ending at once and leaving
// the server at work. A second signal ends qdf at once.
//
// On POSIX systems the signal handler wakes a watcher thread through a pipe;
// the thread cancels. On Windows the console's control handler, which runs
// on a thread of its own, cancels.
#ifndef QDF_INTERRUPT_H
#define QDF_INTERRUPT_H

#include <functional>

#include <twfile/sql/engine.h>

namespace qdf {

// Watches for the signals while it lives; one at a time: a watch made while
// another lives (on any thread) does nothing. engine must outlive
// it. Where the signals cannot be watched (no pipe or thread to be had), the
// signals keep their usual effect.
class CancelOnInterrupt {
  public:
    explicit CancelOnInterrupt(twfile::sql::Engine& engine);
    // Calls cancel instead, on another thread than the one that made the
    // watch; cancel must outlive the watch.
    explicit CancelOnInterrupt(std::function<void()> cancel);
    ~CancelOnInterrupt();
    CancelOnInterrupt(const CancelOnInterrupt&) = delete;
    CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;
};

// The number of the signal that came during the last watch (SIGINT for
// Windows' Ctrl-C and Ctrl-Break), 0 when none came.
int InterruptSignal();

// The exit status of a command whose work failed with status: 128 and the
// signal's number when a signal cancelled the work (the signal is forgotten
// then), else status.
int StatusAfterInterrupt(int status);

}  // namespace qdf

#endif  // QDF_INTERRUPT_H

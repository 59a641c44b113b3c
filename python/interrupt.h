// Ctrl-C while a run waits on its database. Python takes a signal only
// between the steps of its own code, so a statement that works for minutes
// would keep Ctrl-C waiting as long. While a watch lives, SIGINT also
// cancels the statement of every watched engine (on a server, the server
// stops it too): the handler Python had is called first, as before, and a
// thread the handler wakes cancels. The run's call then fails, and raises
// the KeyboardInterrupt that Python has pending rather than the
// cancellation.
//
// Where SIGINT is ignored or left to the system, nothing is watched; nor on
// Windows, where Ctrl-C acts between rows only.
#ifndef TWFILE_PYTHON_INTERRUPT_H
#define TWFILE_PYTHON_INTERRUPT_H

#include <atomic>

#include <twfile/sql/engine.h>

namespace twpy {

class InterruptWatch {
  public:
    // engine must outlive the watch.
    explicit InterruptWatch(twfile::sql::Engine& engine);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // Whether a signal cancelled the engine's work.
    bool Interrupted() const { return m_interrupted; }

    // Called by the watcher thread.
    void Cancel();

  private:
    twfile::sql::Engine& m_engine;
    std::atomic<bool> m_interrupted{false};
    bool m_watched = false;
};

}  // namespace twpy

#endif  // TWFILE_PYTHON_INTERRUPT_H

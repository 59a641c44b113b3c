// The exit statuses of qdf, and the failure that carries one.
#ifndef QDF_EXIT_STATUS_H
#define QDF_EXIT_STATUS_H

#include <stdexcept>
#include <string>

namespace qdf {

// 0: done and clean. 1: done, but the library reported an error, a check
// failed or a document was refused. 2: nothing could be done: wrong
// arguments, an input that cannot be opened or parsed.
enum ExitStatus : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// A failure that ends a command: its message (printed after "qdf: ") and the
// exit status it ends with.
class Failure : public std::runtime_error {
  public:
    Failure(ExitStatus status, const std::string& message)
        : std::runtime_error(message), m_status(status) {}
    ExitStatus status() const { return m_status; }

  private:
    ExitStatus m_status;
};

}  // namespace qdf

#endif  // QDF_EXIT_STATUS_H

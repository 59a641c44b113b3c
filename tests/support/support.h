// Shared test support: temporary directories, file contents, a message box
// recorder and a clean error state around every test.
#ifndef TWFILE_TESTS_SUPPORT_H
#define TWFILE_TESTS_SUPPORT_H

#include <string>
#include <vector>

#include <twfile/framework/message_box.h>

#include "testing/temp_dir.h"

namespace twtest {

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// The system's text for a last-error code, as a failed call shows it.
std::string SystemText(unsigned long code);
// The pending error's text ("" when none), then the error is cleared.
std::string TakeError();

// Records every message box text shown while it lives.
class MessageRecorder {
  public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<std::string>& texts() const;
    void clear();

  private:
    AfxMessageBoxHandler m_previous;
};

}  // namespace twtest

#endif  // TWFILE_TESTS_SUPPORT_H

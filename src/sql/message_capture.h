// Keeps the texts of the message boxes shown while it lives, instead of
// showing them, so that check messages can be reported per item.
#ifndef TWFILE_SRC_SQL_MESSAGE_CAPTURE_H
#define TWFILE_SRC_SQL_MESSAGE_CAPTURE_H

#include <string>
#include <vector>

#include <twfile/framework/message_box.h>

namespace twfile {
namespace sql {

// The message box hook is the process's: a capture is meant for the thread
// that runs the checks, as the checks' own boxes are.
class MessageCapture {
  public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    // The texts kept so far; the capture is empty afterwards.
    std::vector<std::string> Take();

  private:
    AfxMessageBoxHandler m_previous;
    std::vector<std::string>* m_outer;
    std::vector<std::string> m_texts;
};

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_MESSAGE_CAPTURE_H

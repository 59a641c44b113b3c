// A failure's text followed by the system's reason for it.
#ifndef TWFILE_SRC_FILE_REASON_H
#define TWFILE_SRC_FILE_REASON_H

namespace twfile {
namespace file {

// "text: reason", the reason being the system's text for the last error
// ("Error writing a file: No space left on device"); text alone when there
// is no last error or its text cannot be had. Takes no heap memory of its
// own, so that it serves on any failure path.
class ReasonText {
  public:
    explicit ReasonText(const char* text);
    const char* c_str() const { return m_text; }

  private:
    char m_text[384];
};

}  // namespace file
}  // namespace twfile

#endif  // TWFILE_SRC_FILE_REASON_H

// Support for the tool's tests: the bundled examples, and the library's
// message boxes kept as the tool keeps them.
#ifndef TWFILE_TESTS_TOOL_SUPPORT_H
#define TWFILE_TESTS_TOOL_SUPPORT_H

#include <string>

#include "diagnostics.h"

namespace twtest {

// examples/name.
inline std::string Example(const std::string& name) {
    return std::string(TWFILE_EXAMPLES_DIR) + "/" + name;
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Captures message boxes for the test and starts with none kept.
inline void CaptureMessages() {
    qdf::CaptureMessageBoxes();
    qdf::TakeMessages();
}

}  // namespace twtest

#endif  // TWFILE_TESTS_TOOL_SUPPORT_H

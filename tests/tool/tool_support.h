// Support for the tool's tests: running the built qdf, and the bundled
// examples.
#ifndef TWFILE_TESTS_TOOL_SUPPORT_H
#define TWFILE_TESTS_TOOL_SUPPORT_H

#include <string>
#include <vector>

namespace twtest {

struct QdfRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built qdf with args (and input on its standard input) in dir.
QdfRun RunQdf(const std::vector<std::string>& args, const std::string& dir,
              const std::string& input = "");

// examples/name.
inline std::string Example(const std::string& name) {
    return std::string(TWFILE_EXAMPLES_DIR) + "/" + name;
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Captures message boxes for the test and starts with none kept.
void CaptureMessages();

}  // namespace twtest

#endif  // TWFILE_TESTS_TOOL_SUPPORT_H

// Support for the tool's tests: running the built qdf, the bundled examples
// and the document fixtures, and documents opened from files.
#ifndef TWFILE_TESTS_TOOL_SUPPORT_H
#define TWFILE_TESTS_TOOL_SUPPORT_H

#include <string>
#include <vector>

#include <twfile/query/qdf.h>

#include "load.h"

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
std::string Example(const std::string& name);
// Every .qdf file among the examples and the document fixtures.
std::vector<std::string> SampleFiles();

// What the library writes for the document read from path: path opened and
// saved elsewhere (in dir, as "saved.qdf").
std::string SavedByLibrary(const std::string& path, const std::string& dir);

// Captures message boxes for the test and starts with none kept.
void CaptureMessages();

}  // namespace twtest

#endif  // TWFILE_TESTS_TOOL_SUPPORT_H

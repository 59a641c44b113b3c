#include "tool_support.h"

#include <sys/wait.h>

#include <cstdlib>

#include "diagnostics.h"
#include "support/support.h"

namespace twtest {

namespace {

// text in single quotes for the shell.
std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (const char ch : text)
        out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

}  // namespace

QdfRun RunQdf(const std::vector<std::string>& args, const std::string& dir,
              const std::string& input) {
    WriteAll(dir + "/.stdin", input);
    std::string command = "cd " + Quoted(dir) + " && " + Quoted(QDF_BINARY);
    for (const std::string& arg : args)
        command += " " + Quoted(arg);
    command += " <.stdin >.stdout 2>.stderr";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(dir + "/.stdout"),
            ReadAll(dir + "/.stderr")};
}

void CaptureMessages() {
    qdf::CaptureMessageBoxes();
    qdf::TakeMessages();
}

}  // namespace twtest

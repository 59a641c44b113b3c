#include "tool_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <twfile/host/error.h>

#include "diagnostics.h"
#include "support/support.h"

namespace twtest {

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (const char ch : text) {
        if (ch == '\'') {
            out += "'\\''";
        } else {
            out += ch;
        }
    }
    return out + "'";
}

}  // namespace

QdfRun RunQdf(const std::vector<std::string>& args, const std::string& dir,
              const std::string& input) {
    const std::string in = dir + "/.stdin";
    const std::string out = dir + "/.stdout";
    const std::string err = dir + "/.stderr";
    WriteAll(in, input);
    std::string command = "cd " + Quoted(dir) + " && " + Quoted(QDF_BINARY);
    for (const std::string& arg : args)
        command += " " + Quoted(arg);
    command += " <" + Quoted(in) + " >" + Quoted(out) + " 2>" + Quoted(err);
    const int raw = std::system(command.c_str());
    QdfRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    return run;
}

std::string Example(const std::string& name) {
    return std::string(TWFILE_EXAMPLES_DIR) + "/" + name;
}

std::vector<std::string> SampleFiles() {
    std::vector<std::string> files;
    for (const char* root : {TWFILE_EXAMPLES_DIR, TWFILE_TEST_DATA_DIR}) {
        if (!std::filesystem::exists(root)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.is_regular_file() && entry.path().extension() == ".qdf") {
                files.push_back(entry.path().string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string SavedByLibrary(const std::string& path, const std::string& dir) {
    const std::string saved = dir + "/saved.qdf";
    CTWFileQDF doc;
    doc.Open(path.c_str(), 1);
    CTWError::Clear();  // a damaged file is saved with what was read
    EXPECT_GE(doc.SaveAs(saved.c_str()), 0) << path;
    doc.Close();
    CTWError::Clear();
    return ReadAll(saved);
}

void CaptureMessages() {
    qdf::CaptureMessageBoxes();
    qdf::TakeMessages();
}

}  // namespace twtest

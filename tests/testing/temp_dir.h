// A fresh directory for the files of a test, a benchmark or a fuzz run.
#ifndef TWFILE_TESTING_TEMP_DIR_H
#define TWFILE_TESTING_TEMP_DIR_H

#include <string>

namespace twtest {

// A new directory under base (by default TMPDIR, or /tmp), removed with
// everything in it at the end of the scope.
class TempDir {
  public:
    explicit TempDir(const std::string& base = "");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path()/name
    std::string File(const std::string& name) const;

  private:
    std::string m_path;
};

}  // namespace twtest

#endif  // TWFILE_TESTING_TEMP_DIR_H

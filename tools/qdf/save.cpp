#include "save.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "diagnostics.h"

namespace qdf {

namespace {

// The file that path names: the target of a symbolic link, else path.
std::string FinalPath(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    // A dangling link: the file is made where it points.
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t length = ::readlink(path.c_str(), target.data(), PATH_MAX);
    if (length <= 0) return path;
    std::string link(target.data(), static_cast<std::size_t>(length));
    if (link.front() == '/') return link;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
}

mode_t ModeFor(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool SaveDocument(CTWFileQDF& doc, const std::string& path, std::ostream& err) {
    const std::string target = FinalPath(path);
    const std::size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = directory + "." + base + ".XXXXXX";

    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        PrintMessage(err, path,
                     std::string("cannot create a new file beside it: ") + std::strerror(errno));
        return false;
    }
    const std::string temporary = pattern;
    const bool moded = ::fchmod(fd, ModeFor(target)) == 0;
    const int modeError = errno;
    ::close(fd);
    if (!moded) {
        ::unlink(temporary.c_str());
        PrintMessage(
            err, path,
            std::string("cannot set the permissions of the new file: ") + std::strerror(modeError));
        return false;
    }

    doc.SaveAs(temporary.c_str());
    Diagnostics diagnostics = TakeDiagnostics();
    doc.Close();
    Diagnostics closing = TakeDiagnostics();
    if (!diagnostics.error) diagnostics.error = closing.error;
    diagnostics.messages.insert(diagnostics.messages.end(), closing.messages.begin(),
                                closing.messages.end());
    if (!diagnostics.Empty()) {
        ::unlink(temporary.c_str());
        PrintDiagnostics(err, path, diagnostics);
        if (!diagnostics.error) PrintMessage(err, path, "not written");
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        PrintMessage(err, path,
                     std::string("cannot replace the file: ") + std::strerror(renameError));
        return false;
    }
    return true;
}

}  // namespace qdf

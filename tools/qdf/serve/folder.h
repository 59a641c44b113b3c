// The folder qdf serve serves: the documents under it, and the paths of the
// API resolved to its files without ever leading out of it.
#ifndef QDF_SERVE_FOLDER_H
#define QDF_SERVE_FOLDER_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qdf {
namespace serve {

class Folder {
  public:
    // Throws Failure(kExitUsage) when dir is not a folder.
    explicit Folder(const std::string& dir);

    // The folder's own path, as the system resolves it.
    const std::filesystem::path& root() const { return m_root; }
    // That path with a separator after it, as it leads messages' paths.
    const std::string& prefix() const { return m_prefix; }
    // The folder's name, for the page's title.
    std::string Name() const;

    // The file that relative ("sub/x.qdf", "/"-separated) names under the
    // folder. Throws Refusal: 403 for a path that is absolute, holds "..",
    // "." or an empty part, a backslash, a colon or a control character, or
    // that leads out of the folder through a symbolic link; 404 when there
    // is no such file, unless mayBeNew (the folder it would be in must
    // exist, inside the folder, and the name must not be a link).
    std::filesystem::path Resolve(const std::string& relative, bool mayBeNew = false) const;

    // The relative paths, "/"-separated, of every .qdf file under the folder
    // (of any case), sorted. Linked folders are not entered; a linked file
    // counts when it leads to a file inside the folder.
    std::vector<std::string> Documents() const;

  private:
    bool Inside(const std::filesystem::path& resolved) const;

    std::filesystem::path m_root;
    std::string m_prefix;
};

// A tag for the file's bytes: "\"" hash "-" size "\"", or empty when the
// file cannot be read. Two contents with the same tag are, for all
// practical purposes, the same.
std::string EntityTag(const std::filesystem::path& file);

// A file time as "2026-12-07T12:00:00Z".
std::string UtcText(std::filesystem::file_time_type time);

}  // namespace serve
}  // namespace qdf

#endif  // QDF_SERVE_FOLDER_H

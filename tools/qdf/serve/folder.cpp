#include "serve/folder.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <fstream>
#include <system_error>

#include "commands.h"
#include "serve/answers.h"

namespace qdf {
namespace serve {

namespace fs = std::filesystem;

namespace {

bool IsDocumentName(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".qdf";
}

// Whether relative is a path the API may name: parts that are names, joined
// by "/".
bool IsPlainRelative(const std::string& relative) {
    if (relative.empty() || relative.front() == '/') return false;
    for (char ch : relative) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || ch == '\\' || ch == ':') return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = relative.find('/', start);
        const std::string part =
            relative.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

}  // namespace

Folder::Folder(const std::string& dir) {
    std::error_code error;
    m_root = fs::canonical(dir, error);
    if (error || !fs::is_directory(m_root, error))
        throw Failure(kExitUsage, dir + ": not a folder");
    m_prefix = (m_root / "").string();
}

std::string Folder::Name() const {
    const std::string name = m_root.filename().string();
    return name.empty() ? m_root.string() : name;
}

bool Folder::Inside(const fs::path& resolved) const {
    const auto mismatch =
        std::mismatch(m_root.begin(), m_root.end(), resolved.begin(), resolved.end());
    return mismatch.first == m_root.end();
}

fs::path Folder::Resolve(const std::string& relative, bool mayBeNew) const {
    if (!IsPlainRelative(relative))
        throw Refusal(403, relative + ": not a path inside the served folder");
    const fs::path path = m_root / fs::u8path(relative);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (!fs::exists(status)) {
        const fs::path folder = fs::canonical(path.parent_path(), error);
        if (error) throw Refusal(404, relative + ": no such folder");
        if (!Inside(folder)) throw Refusal(403, relative + ": leads out of the served folder");
        if (!mayBeNew) throw Refusal(404, relative + ": no such document");
        return folder / path.filename();
    }
    const fs::path resolved = fs::canonical(path, error);
    if (error) throw Refusal(404, relative + ": no such document");
    if (!Inside(resolved)) throw Refusal(403, relative + ": leads out of the served folder");
    if (!fs::is_regular_file(resolved, error))
        throw Refusal(403, relative + ": not a regular file");
    return resolved;
}

std::vector<std::string> Folder::Documents() const {
    std::vector<std::string> found;
    std::error_code error;
    fs::recursive_directory_iterator it(m_root, fs::directory_options::skip_permission_denied,
                                        error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        const fs::directory_entry& entry = *it;
        if (!IsDocumentName(entry.path())) continue;
        std::error_code kind;
        if (entry.is_symlink(kind)) {
            const fs::path target = fs::canonical(entry.path(), kind);
            if (kind || !Inside(target) || !fs::is_regular_file(target, kind)) continue;
        } else if (!entry.is_regular_file(kind)) {
            continue;
        }
        found.push_back(entry.path().lexically_relative(m_root).generic_u8string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string EntityTag(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return "";
    // FNV-1a, 64 bits, over every byte.
    std::uint64_t hash = 14695981039346656037ULL;
    std::uint64_t size = 0;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const std::streamsize got = in.gcount();
        for (std::streamsize i = 0; i < got; ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 1099511628211ULL;
        }
        size += static_cast<std::uint64_t>(got);
    }
    if (in.bad()) return "";
    char text[48];
    std::snprintf(text, sizeof text, "\"%016llx-%llx\"", static_cast<unsigned long long>(hash),
                  static_cast<unsigned long long>(size));
    return text;
}

std::string UtcText(fs::file_time_type time) {
    // The file clock's epoch is the library's own: measured against now.
    const auto system = std::chrono::system_clock::now() +
                        std::chrono::duration_cast<std::chrono::system_clock::duration>(
                            time - fs::file_time_type::clock::now());
    const std::time_t seconds = std::chrono::system_clock::to_time_t(system);
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &seconds);
#else
    gmtime_r(&seconds, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

}  // namespace serve
}  // namespace qdf

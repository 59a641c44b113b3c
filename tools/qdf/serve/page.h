// The page's files, built into qdf from tools/qdf/page: each by its name.
#ifndef QDF_SERVE_PAGE_H
#define QDF_SERVE_PAGE_H

#include <cstddef>

namespace qdf {
namespace serve {

struct PageFile {
    const char* name;  // "index.html"
    const unsigned char* bytes;
    std::size_t size;
};

// The files, ended by one whose name is null.
extern const PageFile kPageFiles[];

// The media type of a file by its name's extension.
const char* MediaType(const char* name);

}  // namespace serve
}  // namespace qdf

#endif  // QDF_SERVE_PAGE_H

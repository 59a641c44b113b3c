#include "serve/page.h"

#include <cstring>

namespace qdf {
namespace serve {

const char* MediaType(const char* name) {
    static const struct {
        const char* extension;
        const char* type;
    } kTypes[] = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".mjs", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".svg", "image/svg+xml"},
        {".png", "image/png"},
        {".ico", "image/x-icon"},
        {".json", "application/json; charset=utf-8"},
    };
    const char* dot = std::strrchr(name, '.');
    for (const auto& entry : kTypes) {
        if (dot != nullptr && std::strcmp(dot, entry.extension) == 0) return entry.type;
    }
    return "application/octet-stream";
}

}  // namespace serve
}  // namespace qdf

// Two documents compared member by member through the member table; lists
// aligned by their content, so that an element removed or added is one
// difference, and long texts compared line by line.
#ifndef QDF_DOCUMENT_DIFF_H
#define QDF_DOCUMENT_DIFF_H

#include <string>
#include <vector>

#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include <twfile/json/encoding.h>

namespace qdf {

namespace json = twfile::json;

// One member or list element that differs. A null side is missing: the
// element was added (a is null) or removed (b is null). A changed or removed
// element is named by its index in a, an added one by its index in b.
struct Difference {
    std::string path;
    nlohmann::ordered_json a;
    nlohmann::ordered_json b;
};

// The differences in the order of the member table and of the lists. Raises
// Failure when a text does not decode in encoding.
std::vector<Difference> CompareDocuments(const CTWFileQDF& a, const CTWFileQDF& b,
                                         json::Encoding encoding);

// The lines of a unified diff of two texts, as `diff -u` writes its hunks:
// "@@ -l,n +l,n @@" headers, then each line after " ", "-" or "+", with up
// to context unchanged lines around each change. Lines end at LF or CR LF;
// texts that differ only in how their lines end give no hunk.
std::vector<std::string> UnifiedLines(const std::string& a, const std::string& b, int context = 3);

}  // namespace qdf

#endif  // QDF_DOCUMENT_DIFF_H

#include "document_diff.h"

#include <algorithm>

#include <twfile/json/document_json.h>
#include <twfile/query/members.h>

#include "commands.h"

#include "sequence_diff.h"

namespace qdf {

using Json = nlohmann::ordered_json;

namespace {

std::string ElementPath(const char* path, std::size_t index) {
    return std::string(path) + "[" + std::to_string(index) + "]";
}

// Each run of removals and insertions between two kept elements pairs its
// removals with its insertions, in order, as changed elements; what is left
// over of either is removed or added.
void CompareLists(const char* path, const Json& left, const Json& right,
                  std::vector<Difference>& out) {
    const std::vector<Edit> edits =
        AlignSequences(left.size(), right.size(),
                       [&](std::size_t i, std::size_t j) { return left[i] == right[j]; });
    std::vector<std::size_t> removed, added;
    for (std::size_t i = 0; i < edits.size();) {
        if (edits[i].kind == EditKind::Keep) {
            ++i;
            continue;
        }
        removed.clear();
        added.clear();
        for (; i < edits.size() && edits[i].kind != EditKind::Keep; ++i) {
            if (edits[i].kind == EditKind::Remove) {
                removed.push_back(edits[i].a);
            } else {
                added.push_back(edits[i].b);
            }
        }
        const std::size_t paired = std::min(removed.size(), added.size());
        for (std::size_t k = 0; k < paired; ++k)
            out.push_back({ElementPath(path, removed[k]), left[removed[k]], right[added[k]]});
        for (std::size_t k = paired; k < removed.size(); ++k)
            out.push_back({ElementPath(path, removed[k]), left[removed[k]], Json()});
        for (std::size_t k = paired; k < added.size(); ++k)
            out.push_back({ElementPath(path, added[k]), Json(), right[added[k]]});
    }
}

// The lines of text, each without its LF or CR LF.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::size_t length = end - start - (end > start && text[end - 1] == '\r' ? 1 : 0);
        lines.push_back(text.substr(start, length));
        start = end + 1;
    }
    return lines;
}

// "-3,2", "-3" for one line, and for none the number of the line before.
std::string HunkRange(char sign, std::size_t first, std::size_t count) {
    std::string range(1, sign);
    range += std::to_string(count == 0 ? first : first + 1);
    if (count != 1) range += "," + std::to_string(count);
    return range;
}

}  // namespace

std::vector<Difference> CompareDocuments(const CTWFileQDF& a, const CTWFileQDF& b,
                                         json::Encoding encoding) {
    std::vector<Difference> differences;
    for (const twfile::query::Member& member : twfile::query::Members()) {
        const Json left = AsFailure([&] { return json::MemberToJson(a, member, encoding); });
        const Json right = AsFailure([&] { return json::MemberToJson(b, member, encoding); });
        if (member.kind == twfile::query::MemberKind::List) {
            CompareLists(member.path, left, right, differences);
        } else if (left != right) {
            differences.push_back({member.path, left, right});
        }
    }
    return differences;
}

std::vector<std::string> UnifiedLines(const std::string& a, const std::string& b, int context) {
    const std::vector<std::string> left = SplitLines(a);
    const std::vector<std::string> right = SplitLines(b);
    const std::vector<Edit> edits =
        AlignSequences(left.size(), right.size(),
                       [&](std::size_t i, std::size_t j) { return left[i] == right[j]; });
    const std::size_t around = static_cast<std::size_t>(std::max(context, 0));
    std::vector<std::string> lines;
    std::size_t next = 0;  // the first edit no hunk has shown
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (edits[i].kind == EditKind::Keep) continue;
        // A hunk runs on while the next change is within twice the context.
        std::size_t last = i;
        for (std::size_t j = i + 1; j < edits.size() && j <= last + 2 * around + 1; ++j)
            if (edits[j].kind != EditKind::Keep) last = j;
        const std::size_t begin = std::max(next, i > around ? i - around : 0);
        const std::size_t end = std::min(edits.size(), last + around + 1);
        std::size_t leftCount = 0, rightCount = 0;
        for (std::size_t j = begin; j < end; ++j) {
            leftCount += edits[j].kind != EditKind::Insert;
            rightCount += edits[j].kind != EditKind::Remove;
        }
        lines.push_back("@@ " + HunkRange('-', edits[begin].a, leftCount) + " " +
                        HunkRange('+', edits[begin].b, rightCount) + " @@");
        for (std::size_t j = begin; j < end; ++j) {
            switch (edits[j].kind) {
                case EditKind::Keep:
                    lines.push_back(" " + left[edits[j].a]);
                    break;
                case EditKind::Remove:
                    lines.push_back("-" + left[edits[j].a]);
                    break;
                case EditKind::Insert:
                    lines.push_back("+" + right[edits[j].b]);
                    break;
            }
        }
        next = end;
        i = last;
    }
    return lines;
}

}  // namespace qdf

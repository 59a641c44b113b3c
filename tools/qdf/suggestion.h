// The name a mistyped word most likely meant: a command, a member path.
#ifndef QDF_SUGGESTION_H
#define QDF_SUGGESTION_H

#include <string>
#include <vector>

namespace qdf {

// The number of single-character insertions, deletions and substitutions
// and swaps of neighbours that turn a into b.
std::size_t EditDistance(const std::string& a, const std::string& b);

// The name of names closest to word, when it is close enough to be the one
// meant (at most a third of its letters wrong, and at least one right);
// empty otherwise. Of names equally close, the first.
std::string ClosestName(const std::string& word, const std::vector<std::string>& names);

}  // namespace qdf

#endif  // QDF_SUGGESTION_H

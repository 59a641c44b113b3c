// Aligns two sequences by their content: the shortest list of removals and
// insertions that turns the first into the second (Myers' algorithm in
// linear space), so that one element removed from the front of a long list
// is one difference, not one for every element after it.
#ifndef QDF_SEQUENCE_DIFF_H
#define QDF_SEQUENCE_DIFF_H

#include <cstddef>
#include <functional>
#include <vector>

namespace qdf {

enum class EditKind { Keep, Remove, Insert };

// One step of the alignment: Keep pairs old element a with new element b,
// Remove drops old element a, Insert adds new element b. The steps come in
// order of both sequences; a Remove comes before the Insert that replaces it.
struct Edit {
    EditKind kind;
    std::size_t a;  // index in the old sequence; for Insert, of the element it goes before
    std::size_t b;  // index in the new sequence; for Remove, of the element it goes before
};

// equal(i, j): whether old element i equals new element j. The result is
// minimal while the sequences differ in a few thousand places; beyond that
// each region still aligns, by the longest runs found within a bounded
// effort, so that no pair of lists takes more than about linear time per
// thousand differences.
std::vector<Edit> AlignSequences(std::size_t oldCount, std::size_t newCount,
                                 const std::function<bool(std::size_t, std::size_t)>& equal);

}  // namespace qdf

#endif  // QDF_SEQUENCE_DIFF_H

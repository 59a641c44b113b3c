// The documents and databases that several benchmarks measure, each made
// once in the scratch directory.
#ifndef TWFILE_BENCH_DOCUMENTS_MADE_H
#define TWFILE_BENCH_DOCUMENTS_MADE_H

#include <string>
#include <vector>

namespace twbench {

// The document of 1.2 million list lines (and export's JSON of it): the six
// lists share the lines, of 30 to 42 bytes as a generated query would have
// them. failure says what went wrong when it could not be made.
struct Big {
    std::string qdf;
    std::string json;
    long qdfKib = 0;
    std::string failure;
};
const Big& BigDocument();

// The corpus: 10^5 copies of a small document of some twenty lines, in
// folders of a thousand; empty when it could not be made.
const std::vector<std::string>& Corpus();

// A database of rows rows (table T: ID, NAME, AMOUNT) and the document that
// selects them all; empty, or what failed.
struct RowsData {
    std::string database;
    std::string document;
};
std::string MakeRowsData(long rows, RowsData& data);

}  // namespace twbench

#endif  // TWFILE_BENCH_DOCUMENTS_MADE_H

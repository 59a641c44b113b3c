// The formats in which qdf run prints rows: csv (RFC 4180, a header line,
// CR LF line ends), json ({"columns": [...], "rows": [[...], ...]}) and
// table (aligned columns, numbers to the right; text with its control
// characters shown as escapes). Every writer streams: the output goes out in
// pieces of 64 KiB, and only the table writer keeps rows, its first 1000,
// to measure the columns' widths.
#ifndef QDF_ROW_WRITERS_H
#define QDF_ROW_WRITERS_H

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <twfile/sql/run.h>

namespace qdf {

enum class RowFormat { Table, Csv, Json };

// A sink that writes the rows to out, at most limit of them when given.
class RowWriter : public twfile::sql::RowSink {
  public:
    // Writes what is still buffered and the end of the output (the close of
    // the JSON text); after a failed run it writes nothing more.
    virtual void Finish() = 0;
    // Drops what is buffered and not yet written.
    virtual void Abandon() = 0;
    // Whether any byte reached out.
    virtual bool Started() const = 0;
    // The rows taken so far.
    virtual std::uint64_t Rows() const = 0;
};

std::unique_ptr<RowWriter> MakeRowWriter(RowFormat format, std::ostream& out,
                                         std::optional<std::uint64_t> limit);

}  // namespace qdf

#endif  // QDF_ROW_WRITERS_H

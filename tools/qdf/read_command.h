// The shape shared by the commands that read one file and print what they
// make of it (show, export).
#ifndef QDF_READ_COMMAND_H
#define QDF_READ_COMMAND_H

#include <functional>
#include <ostream>
#include <string>

#include <twfile/query/qdf.h>

#include "encoding.h"
#include "load.h"

namespace qdf {

struct FileOptions {
    std::string file;
    Encoding encoding = Encoding::Windows1252;
};

// Makes the output from the document read and its report; may raise a
// Failure (a text not valid in the encoding).
using Render = std::function<std::string(const CTWFileQDF& doc, const LoadReport& report)>;

// Reads options.file and prints the library's messages on err and, when the
// file opened, what render makes of it on out (all or nothing). Exit status:
// 0 when the file was read without error, 1 when the read stopped at an
// error (the output shows what was read, and the error), 2 when the file
// cannot be opened or render fails.
int RunReadCommand(const FileOptions& options, const Render& render, std::ostream& out,
                   std::ostream& err);

}  // namespace qdf

#endif  // QDF_READ_COMMAND_H

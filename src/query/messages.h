// The document's own messages.
#ifndef TWFILE_SRC_QUERY_MESSAGES_H
#define TWFILE_SRC_QUERY_MESSAGES_H

namespace twfile {
namespace query {

constexpr int kQdfError = -1;
constexpr char kUnexpectedEof[] = "Unexpected end-of-file found in Query Definition file";
constexpr int kNoApplicationObject = -100;
constexpr char kUnableToCreate[] = "Unable to create an application object";
constexpr char kNotAQueryFile[] = "Not a Query Definition file: no section start line was found";
constexpr char kErrorExamining[] = "Error examining a file";

}  // namespace query
}  // namespace twfile

#endif  // TWFILE_SRC_QUERY_MESSAGES_H

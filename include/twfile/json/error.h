// The exception the JSON form raises: what went wrong, with the member it
// concerns named by its path in the form ("tables[2]", "printer.strings[3]").
#ifndef TWFILE_JSON_ERROR_H
#define TWFILE_JSON_ERROR_H

#include <stdexcept>
#include <string>

namespace twfile::json {

class Error : public std::runtime_error {
  public:
    enum class Kind {
        // The input does not fit: text that is not JSON, a value that does
        // not fit the shape, a text the encoding cannot hold. Nothing is
        // wrong with the document; the caller gave the wrong input.
        Invalid,
        // The document could not take a value (the library raised an error,
        // such as a failed allocation); the message carries its number and
        // text, and the error service is left clear.
        Refused,
        // The input fits, but the document then holds members that a saved
        // file cannot carry back unchanged (ReadOptions::refuseLossy).
        Lossy,
    };

    Error(Kind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    Kind kind() const { return m_kind; }

  private:
    Kind m_kind;
};

}  // namespace twfile::json

#endif  // TWFILE_JSON_ERROR_H

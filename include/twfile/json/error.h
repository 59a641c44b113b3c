// The exception the JSON form raises: what went wrong, with the member it
// concerns named by its path in the form ("tables[2]", "printer.strings[3]").
#ifndef TWFILE_JSON_ERROR_H
#define TWFILE_JSON_ERROR_H

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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
    // An Invalid error for a key the shape does not know, with the keys it
    // knows in that place, so that a caller can say which one was meant.
    Error(const std::string& message, std::string unknownKey, std::vector<std::string> knownKeys)
        : std::runtime_error(message),
          m_kind(Kind::Invalid),
          m_unknownKey(std::move(unknownKey)),
          m_knownKeys(std::move(knownKeys)) {}
    Kind kind() const { return m_kind; }
    // The unknown key's path ("databse", "flags.editedSq"), or empty when the
    // error is of another kind; the paths of the keys known beside it.
    const std::string& unknownKey() const { return m_unknownKey; }
    const std::vector<std::string>& knownKeys() const { return m_knownKeys; }

  private:
    Kind m_kind;
    std::string m_unknownKey;
    std::vector<std::string> m_knownKeys;
};

}  // namespace twfile::json

#endif  // TWFILE_JSON_ERROR_H

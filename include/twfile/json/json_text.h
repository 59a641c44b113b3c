// JSON text written as it is made, in the layout nlohmann::json's dump()
// gives (indented by two spaces, or compact), so that a document of a
// million list lines goes out without a tree of a million values.
#ifndef TWFILE_JSON_JSON_TEXT_H
#define TWFILE_JSON_JSON_TEXT_H

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <twfile/json/encoding.h>

namespace twfile::json {

class JsonText {
  public:
    // The text goes to out, a buffer-full at a time, and the rest at Flush
    // (or destruction).
    JsonText(std::ostream& out, bool compact);
    ~JsonText();
    JsonText(const JsonText&) = delete;
    JsonText& operator=(const JsonText&) = delete;

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The key of the object member that the next value starts.
    void Key(std::string_view key);
    // A string of UTF-8 text.
    void String(std::string_view text);
    // A string of bytes in encoding; they must decode (with Windows-1252 they
    // always do; UTF-8 must have been checked).
    void Bytes(std::string_view bytes, Encoding encoding);
    void Number(long long value);
    void Bool(bool value);
    void Null();
    // Ends the text with a line end and hands everything to the stream.
    void EndLine();
    void Flush();

  private:
    // Before a value: the separator and indentation its place needs.
    void Next();
    void Escaped(std::string_view text);

    std::ostream& m_out;
    std::string m_buffer;
    bool m_compact;
    // Per open container: how many values it holds so far.
    std::vector<int> m_counts;
    // A key was written: the value follows it on the same line.
    bool m_afterKey = false;
};

}  // namespace twfile::json

#endif  // TWFILE_JSON_JSON_TEXT_H

#include <twfile/host/status.h>
#include <twfile/sql/data_source.h>
#include <twfile/sql/shown_text.h>

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

// What ends a name in a connection string, or starts an attribute or a
// braced value.
bool Structural(char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    return ch == ';' || ch == '{' || ch == '}' || ch == '=' || c < 0x20 || c == 0x7F;
}

}  // namespace

int DataSourceConnection(const std::string& name, std::string& connection) {
    connection.clear();
    if (name.empty())
        return TW_RAISE(-1, "the document names no data source (its DATABASE is empty)");
    for (char ch : name) {
        if (!Structural(ch)) continue;
        const std::string message =
            "the document's data source " + ShownText(name, ShownEscapes::Controls) +
            " is not a data source name (it holds " +
            ShownText(std::string(1, ch), ShownEscapes::Controls) +
            "): a document may only name a data source; give any other connection "
            "attribute yourself";
        return TW_RAISE(-1, message.c_str());
    }
    connection = "DSN=" + name;
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile

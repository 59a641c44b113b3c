// Text from a database or a document made safe for a terminal: control
// characters, and bytes that are not UTF-8, shown as escapes instead of
// reaching the terminal, where they could move the cursor, rewrite what is
// shown or change the terminal's settings.
#ifndef QDF_VISIBLE_TEXT_H
#define QDF_VISIBLE_TEXT_H

#include <string>
#include <string_view>

namespace qdf {

// Which characters stay as they are. Every other control character (C0,
// DEL) is written \xNN and every C1 control (U+0080 to U+009F) \u00NN.
struct VisibleStyle {
    // The control characters kept (never NUL); a CR is kept where it ends
    // a line, before a kept LF, and escaped elsewhere.
    const char* kept;
    // CR, LF and TAB become a space (the rest as above).
    bool breaksAsSpaces;
    // Bytes that are not well-formed UTF-8 are written \xNN too; otherwise
    // they are kept (data in another encoding).
    bool onlyUtf8;
};

// A CSV field: tabs and line breaks are data inside its quotes; other bytes
// are kept.
constexpr VisibleStyle kCsvField{"\t\n", false, false};
// A cell of the terminal table: on one line, nothing raw.
constexpr VisibleStyle kTableCell{"", true, true};
// A message: its lines and tabs, nothing else raw.
constexpr VisibleStyle kMessageText{"\t\n", false, true};

// Appends text to out in style.
void AppendVisible(std::string& out, std::string_view text, const VisibleStyle& style);

// text in style.
std::string Visible(std::string_view text, const VisibleStyle& style);

}  // namespace qdf

#endif  // QDF_VISIBLE_TEXT_H

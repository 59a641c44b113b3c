// A text as a message or a summary shows it: in double quotes, with the
// control characters, which would act on a terminal, written as escapes.
#ifndef TWFILE_SQL_SHOWN_TEXT_H
#define TWFILE_SQL_SHOWN_TEXT_H

#include <string>
#include <string_view>

namespace twfile {
namespace sql {

enum class ShownEscapes {
    // Every control byte (C0 and DEL) as \xNN; every other byte as it is.
    Controls,
    // As a C string literal: \" \\ \r \n \t, the other control bytes as
    // \xNN, so that where the text ends is plain too.
    CString
};

// text in double quotes with escapes as escapes says; bytes of 0x80 and
// above stay as they are.
std::string ShownText(std::string_view text, ShownEscapes escapes);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_SHOWN_TEXT_H

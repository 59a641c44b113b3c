// SQL text read as a server of one dialect reads it: where its strings,
// quoted names and comments start and end. Text whose reading is not
// certain is refused, so that nothing read here can hide a statement that
// the server would see.
#ifndef TWFILE_SRC_SQL_LEXER_H
#define TWFILE_SRC_SQL_LEXER_H

#include <string_view>
#include <vector>

#include <twfile/sql/dialect.h>

namespace twfile {
namespace sql {

struct Token {
    enum class Kind {
        Blank,         // spaces, tabs and line breaks
        Comment,       // "--" to the end of the line, or /* ... */
        Word,          // a keyword, a name or a number
        String,        // '...', quotes doubled inside
        EscapeString,  // E'...', whose backslashes escape (PostgreSQL)
        DollarString,  // $tag$...$tag$ (PostgreSQL)
        QuotedName,    // "...", `...` or [...]
        Symbol         // one byte of an operator or of punctuation
    };
    Kind kind = Kind::Symbol;
    std::size_t offset = 0;
    std::size_t size = 0;
};

// Splits text into the tokens dialect reads in it; they cover the text
// without a gap. A status: text that is not certain to be read as tokens
// here (a quote or comment that is not closed, a NUL byte, and what
// dialect.h lists for each dialect) is refused with an error naming it.
int Lex(std::string_view text, Dialect dialect, std::vector<Token>& tokens);
// The same without the error service: the refusal's text, or empty when the
// text was read (std::bad_alloc passes through).
std::string ReadTokens(std::string_view text, Dialect dialect, std::vector<Token>& tokens);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_LEXER_H

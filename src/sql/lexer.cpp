#include "sql/lexer.h"

#include <twfile/host/status.h>

#include <new>
#include <string>

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

using Kind = Token::Kind;

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f' || ch == '\v';
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// A letter, "_" or a byte of a multi-byte character: what starts a name.
bool IsNameStart(char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool IsWordByte(char ch) {
    return IsNameStart(ch) || IsDigit(ch);
}

bool SameLetters(std::string_view text, const char* upper) {
    std::size_t i = 0;
    for (; i < text.size() && upper[i] != '\0'; ++i) {
        char ch = text[i];
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (ch != upper[i]) return false;
    }
    return i == text.size() && upper[i] == '\0';
}

class Lexer {
  public:
    Lexer(std::string_view text, Dialect dialect, std::vector<Token>& tokens)
        : m_text(text), m_dialect(dialect), m_tokens(tokens) {}

    // The failure's text, or empty when the whole text was read.
    std::string Run() {
        while (m_at < m_text.size()) {
            std::string failure = Next();
            if (!failure.empty()) return failure;
        }
        return std::string();
    }

  private:
    char At(std::size_t i) const { return i < m_text.size() ? m_text[i] : '\0'; }

    void Add(Kind kind, std::size_t end) {
        m_tokens.push_back(Token{kind, m_at, end - m_at});
        m_at = end;
    }

    // "what, near "text"" for the failure at offset.
    std::string Refuse(const std::string& what, std::size_t offset) const {
        std::string near;
        for (std::size_t i = offset; i < m_text.size() && near.size() < 32; ++i)
            near += IsBlank(m_text[i]) ? ' ' : m_text[i] == '\0' ? '?' : m_text[i];
        if (offset + near.size() < m_text.size()) near += "...";
        return "cannot read the SQL text for " + std::string(DialectName(m_dialect)) + ": " + what +
               ", near \"" + near + "\"";
    }

    std::string Next() {
        const char ch = m_text[m_at];
        const char next = At(m_at + 1);
        if (ch == '\0') return Refuse("a NUL byte", m_at);
        if (IsBlank(ch)) {
            std::size_t end = m_at;
            while (end < m_text.size() && IsBlank(m_text[end]))
                ++end;
            Add(Kind::Blank, end);
            return std::string();
        }
        if (ch == '-' && next == '-') return LineComment();
        if (ch == '/' && next == '*') return BlockComment();
        if (ch == '\'') return String();
        if (ch == '"') return Name('"', true);
        if (ch == '`' && m_dialect != Dialect::PostgreSQL) return Name('`', true);
        // PostgreSQL reads "[" as an array's subscript.
        if (ch == '[' && m_dialect != Dialect::PostgreSQL) return Name(']', false);
        if (ch == '$') return Dollar();
        if (ch == '#' && m_dialect == Dialect::Odbc)
            return Refuse("a \"#\", which starts a comment on some servers", m_at);
        if (IsWordByte(ch)) {
            // A name may hold "$" after its first byte; a number may not
            // (in PostgreSQL "1$$" is a number and a quote).
            std::size_t end = m_at + 1;
            const bool name = !IsDigit(ch);
            while (end < m_text.size() && (IsWordByte(m_text[end]) || (name && m_text[end] == '$')))
                ++end;
            Add(Kind::Word, end);
            return std::string();
        }
        Add(Kind::Symbol, m_at + 1);
        return std::string();
    }

    std::string LineComment() {
        // A comment of PostgreSQL ends at a CR too; the others' at LF only.
        const bool odbc = m_dialect == Dialect::Odbc;
        if (odbc && m_at + 2 < m_text.size() && !IsBlank(m_text[m_at + 2]))
            return Refuse("a \"--\" without a blank after it, which MySQL reads as two minus signs",
                          m_at);
        std::size_t end = m_at + 2;
        for (; end < m_text.size(); ++end) {
            const char ch = m_text[end];
            if (ch == '\n' || (ch == '\r' && m_dialect == Dialect::PostgreSQL)) break;
            if (ch == '\0') return Refuse("a NUL byte", end);
            if (ch == '\r' && odbc && At(end + 1) != '\n')
                return Refuse(
                    "a carriage return inside a \"--\" comment, where servers differ on "
                    "whether it ends the comment",
                    m_at);
        }
        Add(Kind::Comment, end);
        return std::string();
    }

    std::string BlockComment() {
        const std::string_view text = m_text;
        if (m_dialect == Dialect::Odbc && (At(m_at + 2) == '!' || text.substr(m_at + 2, 2) == "M!"))
            return Refuse("a /*! ... */ comment, whose text MySQL runs", m_at);
        int depth = 1;
        std::size_t i = m_at + 2;
        while (i < text.size()) {
            if (text[i] == '\0') return Refuse("a NUL byte", i);
            if (text[i] == '*' && At(i + 1) == '/') {
                i += 2;
                if (--depth == 0) {
                    Add(Kind::Comment, i);
                    return std::string();
                }
            } else if (text[i] == '/' && At(i + 1) == '*' && m_dialect != Dialect::SQLite) {
                if (m_dialect == Dialect::Odbc)
                    return Refuse("a comment opened inside a comment, which only some servers nest",
                                  m_at);
                ++depth;
                i += 2;
            } else {
                ++i;
            }
        }
        return Refuse("a comment that is not closed", m_at);
    }

    // The word that touches the quote at m_at, if the token before is one.
    std::string_view Prefix() const {
        if (m_tokens.empty() || m_tokens.back().kind != Kind::Word) return std::string_view();
        const Token& word = m_tokens.back();
        return m_text.substr(word.offset, word.size);
    }

    // Whether the quote at m_at follows "U&": PostgreSQL's Unicode escapes.
    bool AfterUnicodePrefix() const {
        const std::size_t n = m_tokens.size();
        return n >= 2 && m_tokens[n - 1].kind == Kind::Symbol && m_text[m_at - 1] == '&' &&
               m_tokens[n - 2].kind == Kind::Word &&
               SameLetters(m_text.substr(m_tokens[n - 2].offset, m_tokens[n - 2].size), "U");
    }

    std::string String() {
        const std::string_view prefix = Prefix();
        const bool escapes = m_dialect == Dialect::PostgreSQL && SameLetters(prefix, "E");
        if (m_dialect != Dialect::SQLite && AfterUnicodePrefix())
            return Refuse("a U&'...' text, whose escapes depend on the server's settings", m_at);
        if (m_dialect == Dialect::Odbc && (SameLetters(prefix, "Q") || SameLetters(prefix, "NQ")))
            return Refuse("a q'...' text, which Oracle reads with other quotes", m_at);
        for (std::size_t i = m_at + 1; i < m_text.size(); ++i) {
            const char ch = m_text[i];
            if (ch == '\0') return Refuse("a NUL byte", i);
            if (ch == '\\' && escapes) {
                ++i;
            } else if (ch == '\\' && m_dialect == Dialect::PostgreSQL) {
                return Refuse(
                    "a backslash in a '...' string, which PostgreSQL reads differently "
                    "with standard_conforming_strings on and off (write E'...' with "
                    "the backslash doubled)",
                    m_at);
            } else if (ch == '\\' && m_dialect == Dialect::Odbc) {
                return Refuse("a backslash in a '...' string, which some servers read as an escape",
                              m_at);
            } else if (ch == '\'') {
                if (At(i + 1) == '\'') {
                    ++i;
                    continue;
                }
                Add(escapes ? Kind::EscapeString : Kind::String, i + 1);
                return std::string();
            }
        }
        return Refuse("a string that is not closed", m_at);
    }

    // A quoted name that ends at close ("doubled": a doubled close is part of
    // the name).
    std::string Name(char close, bool doubled) {
        if (m_dialect != Dialect::SQLite && close == '"' && AfterUnicodePrefix())
            return Refuse("a U&\"...\" name, whose escapes depend on the server's settings", m_at);
        for (std::size_t i = m_at + 1; i < m_text.size(); ++i) {
            const char ch = m_text[i];
            if (ch == '\0') return Refuse("a NUL byte", i);
            if (m_dialect == Dialect::Odbc) {
                // MySQL reads "..." as a string with escapes; other servers
                // read `...` and [...] as no name at all, and would see
                // quotes and comments in them.
                const bool risky = close == '"' ? ch == '\\'
                                                : std::string_view("'\"`[\\;#$-/*{}").find(ch) !=
                                                          std::string_view::npos &&
                                                      ch != close;
                if (risky)
                    return Refuse(std::string("a quoted name holding \"") + ch +
                                      "\", which some servers read differently",
                                  m_at);
            }
            if (ch != close) continue;
            if (doubled && At(i + 1) == close) {
                ++i;
                continue;
            }
            Add(Kind::QuotedName, i + 1);
            return std::string();
        }
        return Refuse("a quoted name that is not closed", m_at);
    }

    // "$": a $tag$ quote in PostgreSQL (refused where other servers may not
    // read it as one), else a symbol (a parameter such as $1 or $name).
    std::string Dollar() {
        std::size_t end = m_at + 1;
        if (IsNameStart(At(end))) {
            while (end < m_text.size() && IsWordByte(m_text[end]))
                ++end;
        }
        if (At(end) != '$' || m_dialect == Dialect::SQLite) {
            Add(Kind::Symbol, m_at + 1);
            return std::string();
        }
        if (m_dialect == Dialect::Odbc)
            return Refuse("a $tag$ quote, which only some servers read as one", m_at);
        const std::string_view tag = m_text.substr(m_at, end + 1 - m_at);
        const std::size_t close = m_text.find(tag, end + 1);
        if (close == std::string_view::npos)
            return Refuse("a $tag$ string that is not closed", m_at);
        const std::size_t nul = m_text.substr(0, close).find('\0', end + 1);
        if (nul != std::string_view::npos) return Refuse("a NUL byte", nul);
        Add(Kind::DollarString, close + tag.size());
        return std::string();
    }

    std::string_view m_text;
    Dialect m_dialect;
    std::vector<Token>& m_tokens;
    std::size_t m_at = 0;
};

}  // namespace

std::string ReadTokens(std::string_view text, Dialect dialect, std::vector<Token>& tokens) {
    tokens.clear();
    return Lexer(text, dialect, tokens).Run();
}

int Lex(std::string_view text, Dialect dialect, std::vector<Token>& tokens) {
    std::string failure;
    try {
        failure = ReadTokens(text, dialect, tokens);
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    if (!failure.empty()) return TW_RAISE(-1, failure.c_str());
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile

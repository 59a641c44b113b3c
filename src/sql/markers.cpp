#include "sql/markers.h"

#include "sql/lexer.h"

#include <twfile/host/status.h>

#include <new>

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

// A parameter name is copied into a buffer of 1024 bytes by the conditions.
constexpr std::size_t kMaxNameLength = 1023;

struct Marker {
    std::size_t start;  // the first "<"
    std::size_t end;    // just after the last ">"
    std::string name;
};

// The markers in text[from, to), by the conditions' rule.
std::vector<Marker> FindMarkers(std::string_view text, std::size_t from, std::size_t to) {
    std::vector<Marker> markers;
    bool open = false;
    std::size_t openAt = 0;
    for (std::size_t i = from; i + 1 < to; ++i) {
        if (text[i] == '<' && text[i + 1] == '<') {
            open = true;
            openAt = i;
            ++i;
        } else if (open && text[i] == '>' && text[i + 1] == '>') {
            markers.push_back(
                Marker{openAt, i + 2, std::string(text.substr(openAt + 2, i - openAt - 2))});
            open = false;
            ++i;
        }
    }
    return markers;
}

// Whether ch would join a marker's placeholder to the text around it.
bool Joins(char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80)
        return true;
    switch (ch) {
        case '_':
        case '$':
        case '.':
        case '?':
        case ':':
        case '@':
        case '#':
        case '\'':
        case '"':
        case '`':
        case '[':
        case ']':
            return true;
        default:
            return false;
    }
}

std::string Shown(const Marker& marker) {
    return "<<" + marker.name + ">>";
}

class Splitter {
  public:
    Splitter(std::string_view text, Dialect dialect, std::vector<Piece>& pieces)
        : m_text(text), m_dialect(dialect), m_pieces(pieces) {}

    // The error's text, or empty when the text splits.
    std::string Split() {
        std::vector<Token> tokens;
        std::string failure = ReadTokens(m_text, m_dialect, tokens);
        if (!failure.empty()) return failure;
        std::size_t plainStart = 0;
        for (const Token& token : tokens) {
            const std::size_t end = token.offset + token.size;
            if (token.kind == Token::Kind::Blank || token.kind == Token::Kind::Word ||
                token.kind == Token::Kind::Symbol)
                continue;
            failure = Plain(plainStart, token.offset);
            if (failure.empty()) {
                const std::vector<Marker> markers = FindMarkers(m_text, token.offset, end);
                if (token.kind == Token::Kind::Comment || markers.empty()) {
                    Text(token.offset, end);
                } else if (token.kind == Token::Kind::String) {
                    failure = QuotedString(token.offset, end, markers);
                } else if (token.kind == Token::Kind::QuotedName) {
                    failure =
                        "the parameter " + Shown(markers.front()) + " stands inside a quoted name";
                } else {
                    failure = "the parameter " + Shown(markers.front()) +
                              " stands in a string with a prefix (such as E'...' or $$...$$)";
                }
            }
            if (!failure.empty()) return failure;
            plainStart = end;
        }
        return Plain(plainStart, m_text.size());
    }

  private:
    void Text(std::size_t from, std::size_t to) {
        if (from >= to) return;
        if (m_pieces.empty() || m_pieces.back().kind != Piece::Kind::Text)
            m_pieces.push_back(Piece{Piece::Kind::Text, std::string(), from});
        m_pieces.back().text.append(m_text.substr(from, to - from));
    }

    // Text of its own, at the place the next piece starts.
    void Literal(const char* text) {
        if (m_pieces.empty() || m_pieces.back().kind != Piece::Kind::Text)
            m_pieces.push_back(Piece{Piece::Kind::Text, std::string(), 0});
        m_pieces.back().text += text;
    }

    void Marked(Piece::Kind kind, const Marker& marker) {
        m_pieces.push_back(Piece{kind, marker.name, marker.start});
    }

    static std::string CheckName(const Marker& marker) {
        if (marker.name.size() > kMaxNameLength)
            return "a parameter name is longer than 1023 characters";
        return std::string();
    }

    // Text outside quotes and comments: a marker there is a placeholder when
    // nothing joins it to the text around it.
    std::string Plain(std::size_t from, std::size_t to) {
        std::size_t at = from;
        for (const Marker& marker : FindMarkers(m_text, from, to)) {
            std::string failure = CheckName(marker);
            if (!failure.empty()) return failure;
            const bool joinedBefore = marker.start > 0 && Joins(m_text[marker.start - 1]);
            const bool joinedAfter = marker.end < m_text.size() && Joins(m_text[marker.end]);
            if (joinedBefore || joinedAfter)
                return "the parameter " + Shown(marker) +
                       " is not a whole literal: it continues the text around it";
            Text(at, marker.start);
            Marked(Piece::Kind::Placeholder, marker);
            at = marker.end;
        }
        Text(at, to);
        return std::string();
    }

    // A quoted string [from, to) holding markers: a placeholder when it
    // holds one marker and nothing else, else the concatenation of its
    // parts.
    std::string QuotedString(std::size_t from, std::size_t to, const std::vector<Marker>& markers) {
        for (const Marker& marker : markers) {
            std::string failure = CheckName(marker);
            if (!failure.empty()) return failure;
        }
        // A blob (X'...') or a string of another engine's kind (N'...') is
        // no place for a value.
        if (from > 0 && Joins(m_text[from - 1]))
            return "the parameter " + Shown(markers.front()) +
                   " stands in a string with a prefix (such as X'...')";
        const std::size_t contentEnd = to - 1;
        if (markers.size() == 1 && markers[0].start == from + 1 && markers[0].end == contentEnd) {
            Marked(Piece::Kind::Placeholder, markers[0]);
            return std::string();
        }
        // The operands: the string's text before the first marker, between
        // markers (left out when empty) and after the last one; the markers.
        struct Operand {
            const Marker* marker;  // or text [from, to) of the string
            std::size_t from, to;
        };
        std::vector<Operand> operands;
        std::size_t at = from + 1;
        for (std::size_t i = 0; i <= markers.size(); ++i) {
            const std::size_t end = i < markers.size() ? markers[i].start : contentEnd;
            if (i == 0 || i == markers.size() || end > at) operands.push_back({nullptr, at, end});
            if (i == markers.size()) break;
            operands.push_back({&markers[i], 0, 0});
            at = markers[i].end;
        }
        // "||" where it joins strings; ODBC's own function elsewhere, where
        // it may mean OR.
        const bool function = m_dialect == Dialect::Odbc;
        for (std::size_t i = 0; function && i + 1 < operands.size(); ++i)
            Literal("{fn CONCAT(");
        if (!function) Literal("(");
        for (std::size_t i = 0; i < operands.size(); ++i) {
            if (i > 0) Literal(function ? ", " : " || ");
            if (operands[i].marker != nullptr) {
                Marked(Piece::Kind::Splice, *operands[i].marker);
            } else {
                Literal("'");
                Text(operands[i].from, operands[i].to);
                Literal("'");
            }
            if (function && i > 0) Literal(")}");
        }
        if (!function) Literal(")");
        return std::string();
    }

    std::string_view m_text;
    Dialect m_dialect;
    std::vector<Piece>& m_pieces;
};

}  // namespace

int SplitMarkers(std::string_view text, Dialect dialect, std::vector<Piece>& pieces) {
    std::string failure;
    try {
        pieces.clear();
        failure = Splitter(text, dialect, pieces).Split();
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    if (!failure.empty()) return TW_RAISE(-1, failure.c_str());
    return TW_EXIT();
}

std::vector<std::string> MarkerNames(std::string_view text, Dialect dialect) {
    std::vector<Piece> pieces;
    std::vector<std::string> names;
    if (Splitter(text, dialect, pieces).Split().empty()) {
        for (const Piece& piece : pieces) {
            if (piece.kind != Piece::Kind::Text) names.push_back(piece.text);
        }
    }
    return names;
}

}  // namespace sql
}  // namespace twfile

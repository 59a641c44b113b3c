#include "sql/markers.h"

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

// The end (just after) of the quoted part that starts at i with quote.
std::size_t QuotedEnd(std::string_view text, std::size_t i, char close, bool doubled) {
    for (std::size_t j = i + 1; j < text.size(); ++j) {
        if (text[j] != close) continue;
        if (doubled && j + 1 < text.size() && text[j + 1] == close) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return text.size();
}

std::string Shown(const Marker& marker) {
    return "<<" + marker.name + ">>";
}

class Splitter {
  public:
    Splitter(std::string_view text, std::vector<Piece>& pieces) : m_text(text), m_pieces(pieces) {}

    // The error's text, or empty when the text splits.
    std::string Split() {
        std::size_t plainStart = 0;
        std::size_t i = 0;
        while (i < m_text.size()) {
            const char ch = m_text[i];
            const char next = i + 1 < m_text.size() ? m_text[i + 1] : '\0';
            std::size_t end = 0;
            enum { Comment, String, Name } kind;
            if (ch == '-' && next == '-') {
                kind = Comment;
                end = m_text.find('\n', i);
                end = end == std::string_view::npos ? m_text.size() : end + 1;
            } else if (ch == '/' && next == '*') {
                kind = Comment;
                end = m_text.find("*/", i + 2);
                end = end == std::string_view::npos ? m_text.size() : end + 2;
            } else if (ch == '\'') {
                kind = String;
                end = QuotedEnd(m_text, i, '\'', true);
            } else if (ch == '"' || ch == '`') {
                kind = Name;
                end = QuotedEnd(m_text, i, ch, true);
            } else if (ch == '[') {
                kind = Name;
                end = QuotedEnd(m_text, i, ']', false);
            } else {
                ++i;
                continue;
            }
            std::string failure = Plain(plainStart, i);
            if (failure.empty()) {
                if (kind == Comment) {
                    Text(i, end);
                } else if (kind == String) {
                    failure = QuotedString(i, end);
                } else {
                    const std::vector<Marker> markers = FindMarkers(m_text, i, end);
                    if (!markers.empty())
                        failure = "the parameter " + Shown(markers.front()) +
                                  " stands inside a quoted name";
                    Text(i, end);
                }
            }
            if (!failure.empty()) return failure;
            i = end;
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

    // A quoted string [from, to): a placeholder when it holds one marker and
    // nothing else, else its markers are spliced into it.
    std::string QuotedString(std::size_t from, std::size_t to) {
        const bool closed = to - from >= 2 && m_text[to - 1] == '\'';
        const std::size_t contentEnd = closed ? to - 1 : to;
        const std::vector<Marker> markers = FindMarkers(m_text, from + 1, contentEnd);
        for (const Marker& marker : markers) {
            std::string failure = CheckName(marker);
            if (!failure.empty()) return failure;
        }
        // A blob (X'...') or a string of another engine's kind (N'...',
        // E'...', whose backslashes escape) is no place for a value.
        if (!markers.empty() && from > 0 && Joins(m_text[from - 1]))
            return "the parameter " + Shown(markers.front()) +
                   " stands in a string with a prefix (such as X'...')";
        if (closed && markers.size() == 1 && markers[0].start == from + 1 &&
            markers[0].end == contentEnd) {
            Marked(Piece::Kind::Placeholder, markers[0]);
            return std::string();
        }
        std::size_t at = from;
        for (const Marker& marker : markers) {
            Text(at, marker.start);
            Marked(Piece::Kind::Splice, marker);
            at = marker.end;
        }
        Text(at, to);
        return std::string();
    }

    std::string_view m_text;
    std::vector<Piece>& m_pieces;
};

}  // namespace

int SplitMarkers(std::string_view text, std::vector<Piece>& pieces) {
    std::string failure;
    try {
        pieces.clear();
        failure = Splitter(text, pieces).Split();
    } catch (const std::bad_alloc&) {
        TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    if (!failure.empty()) TW_RAISE(-1, failure.c_str());
    TW_EXIT();
}

std::vector<std::string> MarkerNames(std::string_view text) {
    std::vector<Piece> pieces;
    std::vector<std::string> names;
    if (Splitter(text, pieces).Split().empty()) {
        for (const Piece& piece : pieces) {
            if (piece.kind != Piece::Kind::Text) names.push_back(piece.text);
        }
    }
    return names;
}

}  // namespace sql
}  // namespace twfile

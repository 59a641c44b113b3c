#include "row_writers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include <twfile/json/encoding.h>
#include "visible_text.h"

namespace qdf {

namespace json = twfile::json;

namespace sql = twfile::sql;

namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kMeasuredRows = 1000;

void AppendInteger(std::string& out, std::int64_t value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

// The shortest text that reads back as the same double, with a decimal
// point so that it still reads as a real: 300000.0, 0.25, 1.5e+300. Plain
// digits from 0.0001 up to 10^16, an exponent outside.
void AppendReal(std::string& out, double value) {
    char text[64];
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0.0 || (magnitude >= 1e-4 && magnitude < 1e16);
    const auto result =
        plain ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
              : std::to_chars(text, text + sizeof text, value);
    const std::string_view written(text, static_cast<std::size_t>(result.ptr - text));
    if (written.find_first_of(".n") != std::string_view::npos) {  // a point, inf or nan
        out += written;
        return;
    }
    const std::size_t exponent = written.find('e');
    out += written.substr(0, exponent);
    out += ".0";
    if (exponent != std::string_view::npos) out += written.substr(exponent);
}

void AppendBase64(std::string& out, const std::string& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[v >> 18];
        out += kDigits[(v >> 12) & 63];
        out += kDigits[(v >> 6) & 63];
        out += kDigits[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest == 0) return;
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
}

// The value as plain text: NULL as null (csv: empty, table: NULL).
void AppendPlain(std::string& out, const sql::Value& value, const char* null) {
    switch (value.kind) {
        case sql::Value::Kind::Null:
            out += null;
            break;
        case sql::Value::Kind::Integer:
            AppendInteger(out, value.integer);
            break;
        case sql::Value::Kind::Real:
            AppendReal(out, value.real);
            break;
        case sql::Value::Kind::Text:
            out += value.bytes;
            break;
        case sql::Value::Kind::Blob:
            AppendBase64(out, value.bytes);
            break;
    }
}

class BufferedWriter : public RowWriter {
  public:
    BufferedWriter(std::ostream& out, std::optional<std::uint64_t> limit)
        : m_out(out), m_limit(limit) {
        m_buffer.reserve(kChunk + 4096);
    }

    void Finish() override {
        End();
        Flush();
    }
    void Abandon() override { m_buffer.clear(); }
    bool Started() const override { return m_started; }
    std::uint64_t Rows() const override { return m_rows; }

  protected:
    virtual void End() {}

    // Counts a row against the limit: false when it is not to be written.
    bool Take() {
        if (m_limit && m_rows >= *m_limit) return false;
        ++m_rows;
        return true;
    }
    bool LimitReached() const { return m_limit && m_rows >= *m_limit; }

    bool Written() {
        if (m_buffer.size() >= kChunk) Flush();
        return static_cast<bool>(m_out);
    }

    void Flush() {
        if (m_buffer.empty()) return;
        m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        m_started = true;
        m_buffer.clear();
    }

    std::string m_buffer;

  private:
    std::ostream& m_out;
    std::optional<std::uint64_t> m_limit;
    std::uint64_t m_rows = 0;
    bool m_started = false;
};

class CsvWriter : public BufferedWriter {
  public:
    using BufferedWriter::BufferedWriter;

    bool Columns(const std::vector<std::string>& names) override {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i > 0) m_buffer += ',';
            Field(names[i]);
        }
        m_buffer += "\r\n";
        return Written() && !LimitReached();
    }

    bool Row(const std::vector<sql::Value>& values) override {
        if (!Take()) return false;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) m_buffer += ',';
            const sql::Value& value = values[i];
            if (value.kind == sql::Value::Kind::Text) {
                Field(value.bytes);
            } else {
                AppendPlain(m_buffer, value, "");
            }
        }
        m_buffer += "\r\n";
        return Written() && !LimitReached();
    }

  private:
    // A field in quotes, quotes doubled, when it holds a comma, a quote or a
    // line break; other control characters written as escapes.
    void Field(const std::string& text) {
        if (std::none_of(text.begin(), text.end(), [](char ch) {
                return ch == ',' || ch == '"' || ch == '\r' || ch == '\n';
            })) {
            AppendVisible(m_buffer, text, kCsvField);
            return;
        }
        std::string quoted;
        for (char ch : text) {
            if (ch == '"') quoted += '"';
            quoted += ch;
        }
        m_buffer += '"';
        AppendVisible(m_buffer, quoted, kCsvField);
        m_buffer += '"';
    }
};

class JsonWriter : public BufferedWriter {
  public:
    using BufferedWriter::BufferedWriter;

    bool Columns(const std::vector<std::string>& names) override {
        m_buffer += "{\"columns\": [";
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i > 0) m_buffer += ", ";
            String(names[i]);
        }
        m_buffer += "], \"rows\": [";
        m_open = true;
        return Written() && !LimitReached();
    }

    bool Row(const std::vector<sql::Value>& values) override {
        if (!Take()) return false;
        m_buffer += m_first ? "\n  [" : ",\n  [";
        m_first = false;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) m_buffer += ", ";
            const sql::Value& value = values[i];
            switch (value.kind) {
                case sql::Value::Kind::Null:
                    m_buffer += "null";
                    break;
                case sql::Value::Kind::Integer:
                    AppendInteger(m_buffer, value.integer);
                    break;
                case sql::Value::Kind::Real:
                    if (value.real - value.real == 0.0) {
                        AppendReal(m_buffer, value.real);
                    } else {
                        m_buffer += "null";  // JSON has no infinities
                    }
                    break;
                case sql::Value::Kind::Text:
                    String(value.bytes);
                    break;
                case sql::Value::Kind::Blob:
                    m_buffer += '"';
                    AppendBase64(m_buffer, value.bytes);
                    m_buffer += '"';
                    break;
            }
        }
        m_buffer += ']';
        return Written() && !LimitReached();
    }

  protected:
    void End() override {
        if (m_open) m_buffer += m_first ? "]}\n" : "\n]}\n";
    }

  private:
    // A JSON string; bytes that are not UTF-8 become U+FFFD.
    void String(const std::string& text) {
        m_buffer += '"';
        std::size_t pos = 0;
        while (pos < text.size()) {
            const unsigned char c = static_cast<unsigned char>(text[pos]);
            if (c >= 0x80) {
                std::size_t next = pos;
                char32_t codePoint = 0;
                if (json::utf8::Next(text, next, codePoint)) {
                    m_buffer.append(text, pos, next - pos);
                    pos = next;
                } else {
                    m_buffer += "\\ufffd";
                    ++pos;
                }
                continue;
            }
            ++pos;
            if (c == '"' || c == '\\') {
                m_buffer += '\\';
                m_buffer += static_cast<char>(c);
            } else if (c == '\n' || c == '\r' || c == '\t') {
                m_buffer += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
            } else if (c < 0x20) {
                static const char kHex[] = "0123456789abcdef";
                m_buffer += "\\u00";
                m_buffer += kHex[c >> 4];
                m_buffer += kHex[c & 15];
            } else {
                m_buffer += static_cast<char>(c);
            }
        }
        m_buffer += '"';
    }

    bool m_open = false;
    bool m_first = true;
};

class TableWriter : public BufferedWriter {
  public:
    using BufferedWriter::BufferedWriter;

    bool Columns(const std::vector<std::string>& names) override {
        m_widths.assign(names.size(), 0);
        std::vector<Cell> cells(names.size());
        for (std::size_t i = 0; i < names.size(); ++i)
            AppendVisible(cells[i].text, names[i], kTableCell);
        Measure(cells);
        m_kept.push_back(std::move(cells));
        return !LimitReached();
    }

    bool Row(const std::vector<sql::Value>& values) override {
        if (!Take()) return false;
        std::vector<Cell> cells(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const sql::Value& value = values[i];
            if (value.kind == sql::Value::Kind::Text) {
                AppendVisible(cells[i].text, value.bytes, kTableCell);
            } else {
                AppendPlain(cells[i].text, value, "NULL");
            }
            cells[i].number =
                value.kind == sql::Value::Kind::Integer || value.kind == sql::Value::Kind::Real;
        }
        if (m_measuring) {
            Measure(cells);
            m_kept.push_back(std::move(cells));
            if (m_kept.size() > kMeasuredRows) WriteKept();
            return !LimitReached();
        }
        Line(cells);
        return Written() && !LimitReached();
    }

  protected:
    void End() override {
        if (m_measuring) WriteKept();
    }

  private:
    // A cell as shown; numbers are right-aligned.
    struct Cell {
        std::string text;
        bool number = false;
    };

    static std::size_t Width(const std::string& text) {
        // Characters, not bytes: continuation bytes do not count.
        return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char ch) {
            return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
        }));
    }

    void Measure(const std::vector<Cell>& cells) {
        for (std::size_t i = 0; i < cells.size() && i < m_widths.size(); ++i)
            m_widths[i] = std::max(m_widths[i], Width(cells[i].text));
    }

    void Line(const std::vector<Cell>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) m_buffer += "  ";
            const std::size_t width = Width(cells[i].text);
            const std::size_t pad = width < m_widths[i] ? m_widths[i] - width : 0;
            if (cells[i].number) m_buffer.append(pad, ' ');
            m_buffer += cells[i].text;
            if (!cells[i].number && i + 1 < cells.size()) m_buffer.append(pad, ' ');
        }
        m_buffer += '\n';
    }

    void WriteKept() {
        m_measuring = false;
        for (std::size_t r = 0; r < m_kept.size(); ++r) {
            Line(m_kept[r]);
            if (r == 0) {
                std::vector<Cell> rule;
                for (std::size_t width : m_widths)
                    rule.push_back(Cell{std::string(width, '-')});
                Line(rule);
            }
        }
        m_kept.clear();
        m_kept.shrink_to_fit();
        Written();
    }

    std::vector<std::size_t> m_widths;
    std::vector<std::vector<Cell>> m_kept;
    bool m_measuring = true;
};

}  // namespace

std::unique_ptr<RowWriter> MakeRowWriter(RowFormat format, std::ostream& out,
                                         std::optional<std::uint64_t> limit) {
    switch (format) {
        case RowFormat::Csv:
            return std::make_unique<CsvWriter>(out, limit);
        case RowFormat::Json:
            return std::make_unique<JsonWriter>(out, limit);
        case RowFormat::Table:
            break;
    }
    return std::make_unique<TableWriter>(out, limit);
}

}  // namespace qdf

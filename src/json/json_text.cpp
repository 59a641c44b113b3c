#include <twfile/json/json_text.h>

#include <cstdio>

namespace twfile::json {

namespace {

constexpr std::size_t kFlushSize = 1 << 16;

// Bytes that a JSON string holds as they are: all but the controls, the
// quotation mark and the backslash (and, for Windows-1252, the bytes above
// 0x7F, which become two or three bytes of UTF-8).
bool Plain(unsigned char byte, bool ascii) {
    return byte >= 0x20 && byte != '"' && byte != '\\' && (!ascii || byte < 0x80);
}

}  // namespace

JsonText::JsonText(std::ostream& out, bool compact) : m_out(out), m_compact(compact) {
    m_buffer.reserve(4096);  // grows to a buffer-full for a large document
}

JsonText::~JsonText() {
    Flush();
}

void JsonText::Flush() {
    if (!m_buffer.empty())
        m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
    m_buffer.clear();
}

void JsonText::Next() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_counts.empty()) return;
    if (m_counts.back()++ > 0) m_buffer += ',';
    if (!m_compact) {
        m_buffer += '\n';
        m_buffer.append(2 * m_counts.size(), ' ');
    }
    if (m_buffer.size() >= kFlushSize) Flush();
}

void JsonText::BeginObject() {
    Next();
    m_buffer += '{';
    m_counts.push_back(0);
}

void JsonText::BeginArray() {
    Next();
    m_buffer += '[';
    m_counts.push_back(0);
}

void JsonText::EndObject() {
    const int count = m_counts.back();
    m_counts.pop_back();
    if (!m_compact && count > 0) {
        m_buffer += '\n';
        m_buffer.append(2 * m_counts.size(), ' ');
    }
    m_buffer += '}';
}

void JsonText::EndArray() {
    const int count = m_counts.back();
    m_counts.pop_back();
    if (!m_compact && count > 0) {
        m_buffer += '\n';
        m_buffer.append(2 * m_counts.size(), ' ');
    }
    m_buffer += ']';
}

void JsonText::Key(std::string_view key) {
    Next();
    m_buffer += '"';
    Escaped(key);
    m_buffer += m_compact ? "\":" : "\": ";
    m_afterKey = true;
}

void JsonText::String(std::string_view text) {
    Next();
    m_buffer += '"';
    Escaped(text);
    m_buffer += '"';
}

void JsonText::Bytes(std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8) {
        String(bytes);
        return;
    }
    Next();
    m_buffer += '"';
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const auto* run = p;
        while (p < end && Plain(*p, true))
            ++p;
        m_buffer.append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run));
        if (p == end) break;
        if (*p >= 0x80) {
            utf8::Append(m_buffer, cp1252::ToCodePoint(*p));
        } else {
            Escaped(std::string_view(reinterpret_cast<const char*>(p), 1));
        }
        ++p;
    }
    m_buffer += '"';
    if (m_buffer.size() >= kFlushSize) Flush();
}

void JsonText::Number(long long value) {
    Next();
    m_buffer += std::to_string(value);
}

void JsonText::Bool(bool value) {
    Next();
    m_buffer += value ? "true" : "false";
}

void JsonText::Null() {
    Next();
    m_buffer += "null";
}

void JsonText::EndLine() {
    m_buffer += '\n';
    Flush();
}

// As nlohmann::json escapes: the short forms where JSON has them, \u00xx
// (lower-case hexadecimal) for the other controls, everything else as it is.
void JsonText::Escaped(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        const auto* run = p;
        while (p < end && Plain(*p, false))
            ++p;
        m_buffer.append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run));
        if (p == end) break;
        switch (*p) {
            case '"':
                m_buffer += "\\\"";
                break;
            case '\\':
                m_buffer += "\\\\";
                break;
            case '\b':
                m_buffer += "\\b";
                break;
            case '\f':
                m_buffer += "\\f";
                break;
            case '\n':
                m_buffer += "\\n";
                break;
            case '\r':
                m_buffer += "\\r";
                break;
            case '\t':
                m_buffer += "\\t";
                break;
            default: {
                char code[8];
                std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(*p));
                m_buffer += code;
            }
        }
        ++p;
    }
}

}  // namespace twfile::json

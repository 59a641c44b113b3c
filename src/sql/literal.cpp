// How bound values are shown: their data type's name, and their SQL literal
// for statements shown with their values written in.
#include <twfile/sql/statement.h>

#include <charconv>

namespace twfile {
namespace sql {

namespace {

std::string Quoted(const std::string& bytes) {
    std::string literal = "'";
    for (char ch : bytes) {
        literal += ch;
        if (ch == '\'') literal += '\'';
    }
    return literal + "'";
}

std::string RealText(double value) {
    // Fixed notation, the shortest that reads back the same: 300000.0, never
    // 3e+05, which not every server reads as a number of the same type.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    std::string shown(text, result.ptr);
    // A real stays a real when read back: 100 is written 100.0.
    if (shown.find_first_of(".eEn") == std::string::npos) shown += ".0";
    return shown;
}

// Whether bytes are well-formed UTF-8 (no overlong forms, surrogates or
// values past U+10FFFF).
bool IsUtf8(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = c < 0x80         ? 1
                             : (c >> 5) == 6  ? 2
                             : (c >> 4) == 14 ? 3
                             : (c >> 3) == 30 ? 4
                                              : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 2) return false;
        }
        const unsigned char d = length > 1 ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0) || (c == 0xF0 && d < 0x90) ||
            (c == 0xF4 && d >= 0x90) || c > 0xF4)
            return false;
        i += length;
    }
    return true;
}

}  // namespace

const char* TypeName(TWDB_DataType type) {
    switch (type) {
        case TWDB_Integer:
            return "integer";
        case TWDB_String:
            return "string";
        case TWDB_Bool:
            return "bool";
        case TWDB_Real:
            return "real";
        case TWDB_Time:
            return "time";
        default:
            return "text";
    }
}

std::string SqlLiteral(const Binding& binding, Dialect dialect, std::string& refusal) {
    refusal.clear();
    const Value& value = binding.value;
    if (value.kind != Value::Kind::Text && value.kind != Value::Kind::Blob)
        return SqlLiteral(binding);
    const bool backslash = value.bytes.find('\\') != std::string::npos;
    const std::string name = "the parameter \"" + binding.name + "\"";
    if (dialect == Dialect::Odbc && backslash) {
        refusal = name +
                  ": a value holding a backslash cannot be written safely for every ODBC "
                  "server (some read it as an escape)";
        return std::string();
    }
    if (dialect == Dialect::PostgreSQL) {
        // As libpq escapes: for the server's text encoding, here UTF-8.
        if (!IsUtf8(value.bytes)) {
            refusal = name + ": a value that is not UTF-8 cannot be written safely for PostgreSQL";
            return std::string();
        }
        if (backslash) {
            std::string literal = "E'";
            for (char ch : value.bytes) {
                literal += ch;
                if (ch == '\'' || ch == '\\') literal += ch;
            }
            return literal + "'";
        }
    }
    return Quoted(value.bytes);
}

std::string SqlLiteral(const Binding& binding) {
    const Value& value = binding.value;
    switch (value.kind) {
        case Value::Kind::Null:
            return "NULL";
        case Value::Kind::Integer:
            if (binding.type == TWDB_Bool) return value.integer != 0 ? "TRUE" : "FALSE";
            return std::to_string(value.integer);
        case Value::Kind::Real:
            return RealText(value.real);
        case Value::Kind::Text:
        case Value::Kind::Blob:
            break;
    }
    return Quoted(value.bytes);
}

}  // namespace sql
}  // namespace twfile

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
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    std::string shown(text, result.ptr);
    // A real stays a real when read back: 100 is written 100.0.
    if (shown.find_first_of(".eEn") == std::string::npos) shown += ".0";
    return shown;
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

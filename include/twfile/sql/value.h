// A value that goes into a statement or comes out of a row.
#ifndef TWFILE_SQL_VALUE_H
#define TWFILE_SQL_VALUE_H

#include <cstdint>
#include <string>

namespace twfile {
namespace sql {

struct Value {
    enum class Kind { Null, Integer, Real, Text, Blob };

    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    // The bytes of a text (UTF-8, as the engine gives it) or of a blob.
    std::string bytes;

    static Value Integer(std::int64_t v) {
        Value value;
        value.kind = Kind::Integer;
        value.integer = v;
        return value;
    }
    static Value Real(double v) {
        Value value;
        value.kind = Kind::Real;
        value.real = v;
        return value;
    }
    static Value Text(std::string v) {
        Value value;
        value.kind = Kind::Text;
        value.bytes = std::move(v);
        return value;
    }
};

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_VALUE_H

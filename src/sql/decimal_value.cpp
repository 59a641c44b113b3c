#include "sql/decimal_value.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace twfile {
namespace sql {

void ReadDecimal(Value& value) {
    const std::string& text = value.bytes;
    const std::size_t point = text.find('.');
    const bool whole =
        point == std::string::npos || text.find_first_not_of('0', point + 1) == std::string::npos;
    const std::string integral = text.substr(0, point);
    char* end = nullptr;
    errno = 0;
    const long long integer = std::strtoll(integral.c_str(), &end, 10);
    if (whole && !integral.empty() && *end == '\0' && errno == 0) {
        value.kind = Value::Kind::Integer;
        value.integer = integer;
        return;
    }
    // Up to 15 significant digits a double gives back as written.
    std::size_t digits = 0;
    for (char ch : text)
        digits += std::isdigit(static_cast<unsigned char>(ch)) ? 1 : 0;
    const double real = std::strtod(text.c_str(), &end);
    if (!whole && digits <= 15 && *end == '\0' && std::isfinite(real)) {
        value.kind = Value::Kind::Real;
        value.real = real;
    }
}

}  // namespace sql
}  // namespace twfile

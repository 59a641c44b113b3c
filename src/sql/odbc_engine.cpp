// The ODBC engine: every line that knows ODBC is in this file. It reaches a
// database server through the driver manager (unixODBC) and its driver.
//
// Nothing the engine runs is ever committed: the connection runs in manual
// commit mode and every statement's transaction is rolled back when the
// statement ends, and only texts that the statement check passes are prepared.
// On PostgreSQL, whose driver does not honour a read-only connection, the
// session and every transaction are made read-only by SQL and checked before
// each statement, and a role that can read or write the server's own files
// is refused.
#include <twfile/host/status.h>
#include <twfile/sql/engine.h>
#include <twfile/sql/statement.h>
#include "platform/fault.h"

#include <algorithm>

#include "sql/decimal_value.h"
#include "sql/names.h"
#include "sql/server_roles.h"

namespace twfile {
namespace sql {

namespace {

// The attributes of a connection string, split as the driver manager splits
// them: "KEY=value;" or "KEY={value;with;semicolons}".
struct Attribute {
    std::string key;
    std::string value;
};

std::vector<Attribute> Attributes(const std::string& text) {
    std::vector<Attribute> attributes;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t equals = text.find('=', i);
        const std::size_t semicolon = text.find(';', i);
        if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
            if (semicolon == std::string::npos) break;
            i = semicolon + 1;
            continue;
        }
        Attribute attribute;
        attribute.key = text.substr(i, equals - i);
        std::size_t end = equals + 1;
        if (end < text.size() && text[end] == '{') {
            // "}}" stands for one "}" inside braces.
            std::size_t close = end + 1;
            while ((close = text.find('}', close)) != std::string::npos &&
                   close + 1 < text.size() && text[close + 1] == '}')
                close += 2;
            end = close == std::string::npos ? text.size() : close + 1;
        }
        end = std::min(text.find(';', end), text.size());
        attribute.value = text.substr(equals + 1, end - equals - 1);
        attributes.push_back(attribute);
        i = end + 1;
    }
    return attributes;
}

bool IsPassword(const std::string& key) {
    const std::string upper = UpperAscii(key);
    return upper.find("PWD") != std::string::npos || upper.find("PASSWORD") != std::string::npos;
}

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\f' || ch == '\v';
}

// Where passwords stand in an attribute's value: [begin, end) ranges. The
// whole value for a password attribute; inside a braced value of another
// one (pqopt={password=... sslmode=...}), each "password=" setting's value,
// a word or a '...' string.
std::vector<std::pair<std::size_t, std::size_t>> PasswordRanges(const Attribute& attribute) {
    const std::string& value = attribute.value;
    if (IsPassword(attribute.key)) return {{0, value.size()}};
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    if (value.empty() || value.front() != '{') return ranges;
    const std::string upper = UpperAscii(value);
    for (std::size_t at = 0; (at = upper.find("PASSWORD", at)) != std::string::npos;) {
        const bool starts = at == 1 || IsBlank(value[at - 1]);
        std::size_t begin = at + 8;
        while (begin < value.size() && IsBlank(value[begin]))
            ++begin;
        at += 8;
        if (!starts || begin >= value.size() || value[begin] != '=') continue;
        ++begin;
        while (begin < value.size() && IsBlank(value[begin]))
            ++begin;
        std::size_t end = begin;
        if (end < value.size() && value[end] == '\'') {
            for (++end; end < value.size() && value[end] != '\''; ++end)
                end += value[end] == '\\' ? 1 : 0;
            end = std::min(end + 1, value.size());
        } else {
            while (end < value.size() && !IsBlank(value[end]) && value[end] != '}')
                ++end;
        }
        if (end > begin) ranges.emplace_back(begin, end);
        at = end;
    }
    return ranges;
}

// value with its passwords written "***".
std::string Masked(const Attribute& attribute) {
    std::string value = attribute.value;
    const auto ranges = PasswordRanges(attribute);
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
        value.replace(range->first, range->second - range->first, "***");
    return value;
}

// The password as the server gets it: without the braces or quotes around
// it, "}}" and "\\'" standing for one character.
std::string Unquoted(std::string secret) {
    const bool braced = secret.size() >= 2 && secret.front() == '{' && secret.back() == '}';
    const bool quoted = secret.size() >= 2 && secret.front() == '\'' && secret.back() == '\'';
    if (!braced && !quoted) return secret;
    secret = secret.substr(1, secret.size() - 2);
    std::string plain;
    for (std::size_t i = 0; i < secret.size(); ++i) {
        if ((braced && secret[i] == '}') || (quoted && secret[i] == '\\')) ++i;
        if (i < secret.size()) plain += secret[i];
    }
    return plain;
}

// Replaces every occurrence of what in text (letters in either case when
// ignoreCase) by with.
void ReplaceAll(std::string& text, const std::string& what, const std::string& with,
                bool ignoreCase) {
    if (what.empty()) return;
    const std::string needle = ignoreCase ? UpperAscii(what) : what;
    std::string haystack = ignoreCase ? UpperAscii(text) : text;
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = 0; (at = haystack.find(needle, from)) != std::string::npos;) {
        result.append(text, from, at - from);
        result += with;
        from = at + needle.size();
    }
    result.append(text, from, std::string::npos);
    text = std::move(result);
}

// A password this long or longer is hidden wherever it stands in a
// message; a shorter one only where the message echoes its setting, since
// its letters stand everywhere in ordinary words.
constexpr std::size_t kHiddenEverywhere = 4;

}  // namespace

std::string MaskedConnectionString(const std::string& text) {
    std::string shown;
    for (const Attribute& attribute : Attributes(text)) {
        if (!shown.empty()) shown += ';';
        shown += attribute.key + "=" + Masked(attribute);
    }
    return shown;
}

std::string WithPassword(const std::string& connection, const std::string& password) {
    if (password.empty()) return connection;
    for (const Attribute& attribute : Attributes(connection)) {
        if (IsPassword(attribute.key)) return connection;
    }
    // Braced, so that ";" and "}" stay in the value ("}}" stands for "}").
    std::string braced = "{";
    for (char ch : password)
        braced += ch == '}' ? "}}" : std::string(1, ch);
    braced += '}';
    std::string text = connection;
    if (!text.empty() && text.back() != ';') text += ';';
    return text + "PWD=" + braced;
}

std::string WithoutPasswords(const std::string& message, const std::string& connection) {
    std::string text = message;
    for (const Attribute& attribute : Attributes(connection)) {
        const auto ranges = PasswordRanges(attribute);
        if (ranges.empty()) continue;
        // The setting as the connection string has it, then its parts.
        ReplaceAll(text, attribute.key + "=" + attribute.value,
                   attribute.key + "=" + Masked(attribute), true);
        for (const auto& range : ranges) {
            const std::string secret =
                attribute.value.substr(range.first, range.second - range.first);
            if (secret.empty()) continue;
            // "password=secret" inside a braced value.
            if (!IsPassword(attribute.key))
                ReplaceAll(text, "password=" + secret, "password=***", true);
            const std::string plain = Unquoted(secret);
            for (const std::string& value : {secret, plain}) {
                ReplaceAll(text, attribute.key + "=" + value, attribute.key + "=***", true);
                if (plain.size() >= kHiddenEverywhere) ReplaceAll(text, value, "***", false);
            }
        }
    }
    return text;
}

}  // namespace sql
}  // namespace twfile

#ifdef TWFILE_SQL_WITH_ODBC

// Windows' driver manager (odbc32) wants the system's types first.
#ifdef _WIN32
#include "platform/win32/windows.h"
#endif
#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>

#define TW_SOURCE "TWODBC"

namespace twfile {
namespace sql {

namespace {

namespace fault = win32::fault;

// A call the fault switch fails behaves as the driver's failure to allocate.
constexpr const char* kInjected = "[HY001] out of memory";

constexpr const char* kCancelled = "the statement was cancelled";

bool Succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The date, time or timestamp that text reads as: "YYYY-MM-DD",
// "HH:MM:SS" or "YYYY-MM-DD HH:MM:SS[.fraction]" (or a "T" between).
// Returns the SQL type, or SQL_UNKNOWN_TYPE when it reads as none.
SQLSMALLINT TimeOf(const std::string& text, SQL_TIMESTAMP_STRUCT& time) {
    time = SQL_TIMESTAMP_STRUCT{};
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int used = 0;
    const char* s = text.c_str();
    auto valid_date = [&] { return month >= 1 && month <= 12 && day >= 1 && day <= 31; };
    auto valid_time = [&] { return hour <= 23 && minute <= 59 && second <= 61; };
    if (std::sscanf(s, "%4u-%2u-%2u%n", &year, &month, &day, &used) == 3 && used == 10) {
        if (!valid_date()) return SQL_UNKNOWN_TYPE;
        time.year = static_cast<SQLSMALLINT>(year);
        time.month = static_cast<SQLUSMALLINT>(month);
        time.day = static_cast<SQLUSMALLINT>(day);
        if (text.size() == 10) return SQL_TYPE_DATE;
        if (text[10] != ' ' && text[10] != 'T') return SQL_UNKNOWN_TYPE;
        s += 11;
    }
    const bool dated = time.year != 0;
    used = 0;
    if (std::sscanf(s, "%2u:%2u:%2u%n", &hour, &minute, &second, &used) != 3 || used != 8 ||
        !valid_time())
        return SQL_UNKNOWN_TYPE;
    time.hour = static_cast<SQLUSMALLINT>(hour);
    time.minute = static_cast<SQLUSMALLINT>(minute);
    time.second = static_cast<SQLUSMALLINT>(second);
    s += 8;
    if (*s == '.' && dated) {
        // The fraction in nanoseconds.
        unsigned long fraction = 0;
        int digits = 0;
        for (++s; std::isdigit(static_cast<unsigned char>(*s)) && digits < 9; ++s, ++digits)
            fraction = fraction * 10 + static_cast<unsigned long>(*s - '0');
        if (digits == 0) return SQL_UNKNOWN_TYPE;
        for (; digits < 9; ++digits)
            fraction *= 10;
        time.fraction = static_cast<SQLUINTEGER>(fraction);
    }
    if (*s != '\0') return SQL_UNKNOWN_TYPE;
    return dated ? SQL_TYPE_TIMESTAMP : SQL_TYPE_TIME;
}

// The listed type name of an ODBC SQL type code (see DataTypeOf), or null
// for a code the list lacks: the driver's own type name is used then.
const char* TypeNameOf(SQLSMALLINT code) {
    switch (code) {
        case SQL_INTEGER:
            return "INTEGER";
        case SQL_SMALLINT:
            return "SMALLINT";
        case SQL_TINYINT:
            return "TINYINT";
        case SQL_BIGINT:
            return "BIGINT";
        case SQL_CHAR:
        case SQL_WCHAR:
            return "CHAR";
        case SQL_VARCHAR:
        case SQL_WVARCHAR:
            return "VARCHAR";
        case SQL_LONGVARCHAR:
        case SQL_WLONGVARCHAR:
            return "TEXT";
        case SQL_BIT:
            return "BOOLEAN";
        case SQL_REAL:
            return "REAL";
        case SQL_FLOAT:
            return "FLOAT";
        case SQL_DOUBLE:
            return "DOUBLE";
        case SQL_NUMERIC:
            return "NUMERIC";
        case SQL_DECIMAL:
            return "DECIMAL";
        case SQL_TYPE_DATE:
        case SQL_DATE:
            return "DATE";
        case SQL_TYPE_TIME:
        case SQL_TIME:
            return "TIME";
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP:
            return "TIMESTAMP";
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return "BLOB";
        default:
            return nullptr;
    }
}

// How a result column is read. A decimal number is read as its text and
// kept as an integer when it has no fraction, else as a real when a double
// holds it exactly enough, else as its text (as SQLite keeps a NUMERIC
// column). A fixed-width text (CHAR) comes without the blanks that pad it,
// which SQL does not count in comparisons either.
enum class Read { Integer, Real, Decimal, Text, FixedText, Binary };

Read ReadOf(SQLSMALLINT code) {
    switch (code) {
        case SQL_INTEGER:
        case SQL_SMALLINT:
        case SQL_TINYINT:
        case SQL_BIGINT:
        case SQL_BIT:
            return Read::Integer;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return Read::Real;
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            return Read::Decimal;
        case SQL_CHAR:
        case SQL_WCHAR:
            return Read::FixedText;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return Read::Binary;
        default:
            return Read::Text;
    }
}

// A bound parameter's buffers, which must live until the statement ends.
struct Parameter {
    std::int64_t integer = 0;
    double real = 0.0;
    unsigned char bit = 0;
    SQL_TIMESTAMP_STRUCT timestamp{};
    SQL_DATE_STRUCT date{};
    SQL_TIME_STRUCT time{};
    std::string bytes;
    SQLLEN indicator = 0;
};

// The rows of a result come a block at a time into buffers bound to its
// columns (SQLBindCol): one call into the driver for a block, not one for each
// row and value. A text or binary value longer than its column's buffer is
// read again, whole and in pieces, with SQLGetData.
constexpr SQLULEN kBlockRows = 256;
// The bytes of a text or binary value's slot in a bound buffer, the NUL after
// a text included; a column declared shorter gets less.
constexpr SQLLEN kSlotBytes = 256;

struct BoundColumn {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLLEN slot = 0;  // bytes per row
    std::vector<char> data;
    std::vector<SQLLEN> indicators;
};

// The buffer for a column read as read, of the declared size that
// SQLDescribeCol gives (characters, or bytes for a binary column; 0 when
// unknown), with no room allocated yet.
BoundColumn SlotFor(Read read, SQLULEN size) {
    BoundColumn column;
    switch (read) {
        case Read::Integer:
            column.cType = SQL_C_SBIGINT;
            column.slot = sizeof(SQLBIGINT);
            break;
        case Read::Real:
            column.cType = SQL_C_DOUBLE;
            column.slot = sizeof(double);
            break;
        case Read::Binary:
            column.cType = SQL_C_BINARY;
            column.slot = size > 0 && size < static_cast<SQLULEN>(kSlotBytes)
                              ? static_cast<SQLLEN>(size)
                              : kSlotBytes;
            break;
        default:
            // Up to 4 bytes of UTF-8 a character, and the NUL.
            column.slot = size > 0 && size < static_cast<SQLULEN>(kSlotBytes / 4)
                              ? static_cast<SQLLEN>(size) * 4 + 1
                              : kSlotBytes;
            break;
    }
    return column;
}

class OdbcEngine : public Engine {
  public:
    ~OdbcEngine() override {
        Close();
        if (m_env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }

    const char* Name() const override { return "ODBC"; }

    // The server's own name for itself, as the connection found it.
    Dialect SqlDialect() const override {
        return m_connected && m_postgres ? Dialect::PostgreSQL : Dialect::Odbc;
    }

    int Connect(const std::string& database) override {
        Close();
        m_cancelled = false;
        m_connection = database;
        std::string failure;
        if (fault::ShouldFail(fault::Kind::Engine)) {
            failure = kInjected;
        } else if (m_env == SQL_NULL_HENV &&
                   (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env)) ||
                    !Succeeded(SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION,
                                             reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))) {
            failure = "the ODBC driver manager cannot start";
        } else if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc))) {
            failure = Diagnostics(SQL_HANDLE_ENV, m_env);
            m_dbc = SQL_NULL_HDBC;
        } else {
            SQLCHAR out[1024];
            SQLSMALLINT outLength = 0;
            std::string text = database;
            const SQLRETURN rc =
                SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                 static_cast<SQLSMALLINT>(text.size()), out, sizeof out, &outLength,
                                 SQL_DRIVER_NOPROMPT);
            if (!Succeeded(rc)) {
                failure = Diagnostics(SQL_HANDLE_DBC, m_dbc);
                SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
                m_dbc = SQL_NULL_HDBC;
            } else {
                m_connected = true;
                failure = KeepNothing();
            }
        }
        if (!failure.empty()) {
            if (m_cancelled) failure = kCancelled;
            const std::string message = "cannot connect to the data source " +
                                        MaskedConnectionString(database) + ": " +
                                        WithoutPasswords(failure, database);
            Close();
            return TW_RAISE(-1, message.c_str());
        }
        return TW_EXIT();
    }

    int Close() override {
        Finish();
        if (m_dbc != SQL_NULL_HDBC) {
            if (m_connected) SQLDisconnect(m_dbc);
            SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        }
        m_dbc = SQL_NULL_HDBC;
        m_connected = false;
        return 0;
    }

    int Tables(std::vector<std::string>& tables) override {
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        TW_RETURN_IF_ERROR(NewStatement());
        std::string types = "TABLE,VIEW";
        SQLRETURN rc = SQLTables(m_stmt, nullptr, 0, nullptr, 0, Chars("%"), SQL_NTS,
                                 reinterpret_cast<SQLCHAR*>(types.data()), SQL_NTS);
        TW_RETURN_IF_ERROR(Check(rc, SQL_HANDLE_STMT));
        TW_RETURN_IF_ERROR(
            ReadCatalogue([&](std::vector<Value>& row) { tables.push_back(row[2].bytes); }, 3));
        return TW_EXIT();
    }

    int Columns(const std::string& table, std::vector<CatalogueColumn>& columns) override {
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        TW_RETURN_IF_ERROR(NewStatement());
        // The table's name is a pattern: its "_" and "%" are escaped.
        SQLCHAR escape[8] = {};
        SQLSMALLINT length = 0;
        SQLGetInfo(m_dbc, SQL_SEARCH_PATTERN_ESCAPE, escape, sizeof escape, &length);
        std::string pattern;
        for (char ch : table) {
            if ((ch == '_' || ch == '%') && escape[0] != '\0')
                pattern += reinterpret_cast<const char*>(escape);
            pattern += ch;
        }
        SQLRETURN rc =
            SQLColumns(m_stmt, nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(pattern.data()),
                       SQL_NTS, Chars("%"), SQL_NTS);
        TW_RETURN_IF_ERROR(Check(rc, SQL_HANDLE_STMT));
        TW_RETURN_IF_ERROR(ReadCatalogue(
            [&](std::vector<Value>& row) {
                // Another table that the pattern matched (without an escape).
                if (row[2].bytes != table) return;
                const char* listed = TypeNameOf(static_cast<SQLSMALLINT>(row[4].integer));
                columns.push_back(CatalogueColumn{row[3].bytes, listed ? listed : row[5].bytes});
            },
            6));
        return TW_EXIT();
    }

    int Prepare(const std::string& text, int& placeholders) override {
        Finish();
        placeholders = 0;
        if (!m_connected) return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        TW_RETURN_IF_ERROR(CheckStatement(text, SqlDialect()));
        TW_RETURN_IF_ERROR(NewStatement());
        TW_RETURN_IF_ERROR(BeginRun());
        std::string copy = text;
        const SQLRETURN rc = SQLPrepare(m_stmt, reinterpret_cast<SQLCHAR*>(copy.data()),
                                        static_cast<SQLINTEGER>(copy.size()));
        TW_RETURN_IF_ERROR(Check(rc, SQL_HANDLE_STMT));
        SQLSMALLINT count = 0;
        TW_RETURN_IF_ERROR(Check(SQLNumParams(m_stmt, &count), SQL_HANDLE_STMT));
        placeholders = count;
        return TW_EXIT();
    }

    int Bind(int index, const Value& value, TWDB_DataType type) override {
        if (m_stmt == SQL_NULL_HSTMT)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        m_parameters.emplace_back();
        Parameter& p = m_parameters.back();
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLSMALLINT sqlType = SQL_VARCHAR;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLPOINTER buffer = nullptr;
        SQLLEN bufferLength = 0;
        switch (value.kind) {
            case Value::Kind::Null:
                p.indicator = SQL_NULL_DATA;
                size = 1;
                break;
            case Value::Kind::Integer:
                if (type == TWDB_Bool) {
                    p.bit = value.integer != 0 ? 1 : 0;
                    cType = SQL_C_BIT;
                    sqlType = SQL_BIT;
                    buffer = &p.bit;
                } else {
                    p.integer = value.integer;
                    cType = SQL_C_SBIGINT;
                    sqlType = SQL_BIGINT;
                    buffer = &p.integer;
                    size = 19;
                }
                break;
            case Value::Kind::Real:
                p.real = value.real;
                cType = SQL_C_DOUBLE;
                sqlType = SQL_DOUBLE;
                buffer = &p.real;
                size = 15;
                break;
            case Value::Kind::Text:
            case Value::Kind::Blob: {
                p.bytes = value.bytes;
                p.indicator = static_cast<SQLLEN>(p.bytes.size());
                buffer = p.bytes.data();
                bufferLength = p.indicator;
                size = std::max<SQLULEN>(p.bytes.size(), 1);
                if (value.kind == Value::Kind::Blob) {
                    cType = SQL_C_BINARY;
                    sqlType = SQL_VARBINARY;
                    break;
                }
                if (type != TWDB_Time) break;
                SQL_TIMESTAMP_STRUCT time;
                const SQLSMALLINT timeType = TimeOf(value.bytes, time);
                if (timeType == SQL_TYPE_DATE) {
                    p.date = SQL_DATE_STRUCT{time.year, time.month, time.day};
                    cType = SQL_C_TYPE_DATE;
                    buffer = &p.date;
                    size = 10;
                } else if (timeType == SQL_TYPE_TIME) {
                    p.time = SQL_TIME_STRUCT{time.hour, time.minute, time.second};
                    cType = SQL_C_TYPE_TIME;
                    buffer = &p.time;
                    size = 8;
                } else if (timeType == SQL_TYPE_TIMESTAMP) {
                    p.timestamp = time;
                    cType = SQL_C_TYPE_TIMESTAMP;
                    buffer = &p.timestamp;
                    size = 29;
                    digits = 9;
                } else {
                    break;
                }
                sqlType = timeType;
                p.indicator = 0;
                bufferLength = 0;
                break;
            }
        }
        const SQLRETURN rc =
            SQLBindParameter(m_stmt, static_cast<SQLUSMALLINT>(index), SQL_PARAM_INPUT, cType,
                             sqlType, size, digits, buffer, bufferLength, &p.indicator);
        TW_RETURN_IF_ERROR(Check(rc, SQL_HANDLE_STMT));
        return TW_EXIT();
    }

    int Execute() override {
        if (m_stmt == SQL_NULL_HSTMT)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_timeout);
        const SQLRETURN rc = SQLExecute(m_stmt);
        if (rc != SQL_NO_DATA) TW_RETURN_IF_ERROR(Check(rc, SQL_HANDLE_STMT));
        TW_RETURN_IF_ERROR(DescribeColumns());
        TW_RETURN_IF_ERROR(BindColumns());
        return TW_EXIT();
    }

    int Step(bool& row) override {
        row = false;
        if (m_stmt == SQL_NULL_HSTMT)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        if (m_names.empty()) return TW_EXIT();
        if (++m_row < m_fetched) {
            row = true;
            return TW_EXIT();
        }
        m_row = 0;
        m_fetched = 0;
        // The limit bounds the whole statement, not each block of rows.
        if (m_timeout > 0 && std::chrono::steady_clock::now() > m_deadline)
            return TW_RAISE(-1, TimeRanOut().c_str());
        const SQLRETURN rc = SQLFetch(m_stmt);
        if (rc == SQL_NO_DATA) return TW_EXIT();
        TW_RETURN_IF_ERROR(Check(rc, SQL_HANDLE_STMT));
        if (m_bound.empty()) {
            m_fetched = 1;
        } else {
            // A row the driver could not convert is a failure, not a row.
            for (SQLULEN i = 0; i < m_fetched; ++i) {
                if (m_status[i] == SQL_ROW_ERROR)
                    TW_RETURN_IF_ERROR(Check(SQL_ERROR, SQL_HANDLE_STMT));
            }
        }
        row = m_fetched > 0;
        return TW_EXIT();
    }

    int ColumnCount() const override { return static_cast<int>(m_names.size()); }

    std::string ColumnName(int column) const override {
        return column >= 0 && column < ColumnCount() ? m_names[static_cast<std::size_t>(column)]
                                                     : "";
    }

    int Column(int column, Value& value) override {
        if (m_stmt == SQL_NULL_HSTMT || column < 0 || column >= ColumnCount())
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        const std::size_t index = static_cast<std::size_t>(column);
        if (m_bound.empty()) {
            TW_RETURN_IF_ERROR(Get(static_cast<SQLUSMALLINT>(column + 1), m_reads[index], value));
            return TW_EXIT();
        }
        TW_RETURN_IF_ERROR(Take(index, value));
        return TW_EXIT();
    }

    int Finish() override {
        {
            const std::lock_guard<std::mutex> lock(m_cancelling);
            if (m_stmt != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
            m_stmt = SQL_NULL_HSTMT;
        }
        // Whatever the statement did is undone.
        if (m_connected) SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK);
        m_parameters.clear();
        m_names.clear();
        m_reads.clear();
        m_sizes.clear();
        m_bound.clear();
        m_status.clear();
        m_row = 0;
        m_fetched = 0;
        return 0;
    }

    int SetTimeout(unsigned seconds) override {
        m_timeout = seconds;
        return TW_EXIT();
    }

    void Cancel() override {
        m_cancelled = true;
        const std::lock_guard<std::mutex> lock(m_cancelling);
        if (m_stmt != SQL_NULL_HSTMT) SQLCancel(m_stmt);
    }

  private:
    static SQLCHAR* Chars(const char* text) {
        return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text));
    }

    // Every diagnostic record of handle, "[SQLSTATE] message", joined by "; ".
    static std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
        std::string text;
        for (SQLSMALLINT record = 1;; ++record) {
            SQLCHAR state[6] = {};
            SQLINTEGER native = 0;
            SQLCHAR message[2048] = {};
            SQLSMALLINT length = 0;
            const SQLRETURN rc = SQLGetDiagRec(type, handle, record, state, &native, message,
                                               sizeof message, &length);
            if (!Succeeded(rc)) break;
            std::string line = reinterpret_cast<const char*>(message);
            for (char& ch : line) {
                if (ch == '\r' || ch == '\n' || ch == '\t') ch = ' ';
            }
            while (!line.empty() && (line.back() == ' ' || line.back() == ';'))
                line.pop_back();
            if (!text.empty()) text += "; ";
            text += "[" + std::string(reinterpret_cast<const char*>(state)) + "] " + line;
        }
        return text.empty() ? "the driver gives no reason" : text;
    }

    int Check(SQLRETURN rc, SQLSMALLINT type) {
        if (Succeeded(rc)) return TW_EXIT();
        if (rc == SQL_INVALID_HANDLE) return TW_RAISE(-1, "the driver was given an invalid handle");
        const SQLHANDLE handle = type == SQL_HANDLE_STMT ? SQLHANDLE(m_stmt) : SQLHANDLE(m_dbc);
        const std::string reason = Diagnostics(type, handle);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        // The server's "statement timeout" or the driver's own.
        if (m_timeout > 0 && (reason.find("[57014]") != std::string::npos ||
                              reason.find("[HYT00]") != std::string::npos))
            return TW_RAISE(-1, TimeRanOut().c_str());
        return TW_RAISE(-1, WithoutPasswords(reason, m_connection).c_str());
    }

    std::string TimeRanOut() const {
        return "the time ran out: the statement took longer than the limit of " +
               std::to_string(m_timeout) + " seconds";
    }

    int NewStatement() {
        Finish();
        if (!m_connected) return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        const std::lock_guard<std::mutex> lock(m_cancelling);
        if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt))) {
            m_stmt = SQL_NULL_HSTMT;
            return TW_RAISE(-1, Diagnostics(SQL_HANDLE_DBC, m_dbc).c_str());
        }
        if (m_timeout > 0) {
            // A driver without a query timeout is still bound by the
            // deadline that Step keeps.
            SQLSetStmtAttr(m_stmt, SQL_ATTR_QUERY_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_timeout)), 0);
        }
        return TW_EXIT();
    }

    // Runs sql on a statement of its own and gives the first column of its
    // first row in value (when given). The driver's text on failure, "" on
    // success.
    std::string Direct(const char* sql, std::string* value = nullptr) {
        if (fault::ShouldFail(fault::Kind::Engine)) return kInjected;
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt)))
            return Diagnostics(SQL_HANDLE_DBC, m_dbc);
        std::string failure;
        SQLRETURN rc = SQLExecDirect(stmt, Chars(sql), SQL_NTS);
        if (Succeeded(rc) && value != nullptr) {
            char text[256] = {};
            SQLLEN indicator = 0;
            rc = SQLFetch(stmt);
            if (Succeeded(rc)) rc = SQLGetData(stmt, 1, SQL_C_CHAR, text, sizeof text, &indicator);
            if (Succeeded(rc)) *value = indicator == SQL_NULL_DATA ? "" : text;
        }
        if (!Succeeded(rc)) {
            failure = rc == SQL_NO_DATA ? std::string("no row from ") + sql
                                        : Diagnostics(SQL_HANDLE_STMT, stmt);
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return failure;
    }

    // Sets the new connection up so that nothing a statement does is kept;
    // the reason for a refusal, "" when it is set.
    std::string KeepNothing() {
        SQLCHAR dbms[64] = {};
        SQLSMALLINT length = 0;
        m_postgres = Succeeded(SQLGetInfo(m_dbc, SQL_DBMS_NAME, dbms, sizeof dbms, &length)) &&
                     std::strcmp(reinterpret_cast<const char*>(dbms), "PostgreSQL") == 0;
        std::string failure;
        if (m_postgres) {
            // In autocommit still, so that the setting outlives the
            // transactions rolled back later.
            failure = Direct(kReadOnlySession);
            std::string count;
            if (failure.empty()) failure = Direct(kServerFileRights, &count);
            if (failure.empty() && count != "0") {
                return kServerFileRightsRefused;
            }
            if (!failure.empty()) return failure;
        } else {
            // A driver that knows read-only connections is told; the
            // rollback at the end of each statement does the rest.
            SQLSetConnectAttr(m_dbc, SQL_ATTR_ACCESS_MODE,
                              reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
        }
        if (fault::ShouldFail(fault::Kind::Engine)) return kInjected;
        if (!Succeeded(SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0))) {
            return "the connection cannot run without committing (manual commit mode): " +
                   Diagnostics(SQL_HANDLE_DBC, m_dbc);
        }
        return "";
    }

    // Starts the statement's transaction, with the statement m_stmt newly
    // made: read-only on PostgreSQL, checked, and the time limit set.
    int BeginRun() {
        if (!m_postgres) return TW_EXIT();
        // The first statement of the transaction the driver begins.
        std::string failure = Direct("SET TRANSACTION READ ONLY");
        if (failure.empty() && m_timeout > 0) {
            const std::string limit =
                "SET LOCAL statement_timeout = " +
                std::to_string(static_cast<unsigned long long>(m_timeout) * 1000);
            failure = Direct(limit.c_str());
        }
        std::string readOnly;
        if (failure.empty()) failure = Direct("SHOW transaction_read_only", &readOnly);
        if (!failure.empty()) return TW_RAISE(-1, WithoutPasswords(failure, m_connection).c_str());
        if (readOnly != "on") {
            return TW_RAISE(-1,
                            "the server does not run the statement's transaction read-only: the "
                            "statement is not run");
        }
        return TW_EXIT();
    }

    int DescribeColumns() {
        SQLSMALLINT count = 0;
        TW_RETURN_IF_ERROR(Check(SQLNumResultCols(m_stmt, &count), SQL_HANDLE_STMT));
        for (SQLUSMALLINT column = 1; column <= count; ++column) {
            SQLCHAR name[512] = {};
            SQLSMALLINT length = 0;
            SQLSMALLINT type = 0;
            SQLULEN size = 0;
            SQLSMALLINT digits = 0;
            SQLSMALLINT nullable = 0;
            TW_RETURN_IF_ERROR(Check(SQLDescribeCol(m_stmt, column, name, sizeof name, &length,
                                                    &type, &size, &digits, &nullable),
                                     SQL_HANDLE_STMT));
            m_names.emplace_back(reinterpret_cast<const char*>(name));
            m_reads.push_back(ReadOf(type));
            m_sizes.push_back(size);
        }
        return TW_EXIT();
    }

    // The value of column in the current row, read in pieces when long.
    int Get(SQLUSMALLINT column, Read read, Value& value) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQL_SUCCESS;
        if (read == Read::Integer) {
            SQLBIGINT number = 0;
            rc = SQLGetData(m_stmt, column, SQL_C_SBIGINT, &number, 0, &indicator);
            value.kind = Value::Kind::Integer;
            value.integer = number;
        } else if (read == Read::Real) {
            double number = 0;
            rc = SQLGetData(m_stmt, column, SQL_C_DOUBLE, &number, 0, &indicator);
            value.kind = Value::Kind::Real;
            value.real = number;
        } else {
            const bool text = read != Read::Binary;
            value.kind = text ? Value::Kind::Text : Value::Kind::Blob;
            value.bytes.clear();
            char piece[8192];
            // A text piece ends with a NUL that is not part of the value.
            const std::size_t room = text ? sizeof piece - 1 : sizeof piece;
            for (;;) {
                rc = SQLGetData(m_stmt, column, text ? SQL_C_CHAR : SQL_C_BINARY, piece,
                                sizeof piece, &indicator);
                if (rc == SQL_NO_DATA) {
                    rc = SQL_SUCCESS;
                    break;
                }
                if (!Succeeded(rc) || indicator == SQL_NULL_DATA) break;
                const std::size_t got =
                    indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room
                        ? room
                        : static_cast<std::size_t>(indicator);
                value.bytes.append(piece, got);
                if (rc == SQL_SUCCESS) break;
            }
        }
        TW_RETURN_IF_ERROR(Check(rc, SQL_HANDLE_STMT));
        if (indicator == SQL_NULL_DATA) {
            value.kind = Value::Kind::Null;
        } else {
            Shape(read, value);
        }
        return TW_EXIT();
    }

    // A text as its column's type reads: without the blanks that pad a
    // fixed-width text, a decimal as a number where one holds it.
    static void Shape(Read read, Value& value) {
        if (read == Read::FixedText) {
            value.bytes.erase(value.bytes.find_last_not_of(' ') + 1);
        } else if (read == Read::Decimal) {
            ReadDecimal(value);
        }
    }

    // Binds every column of the result to a buffer of kBlockRows rows. A
    // driver that cannot read a bound value again with SQLGetData, or not in
    // a block of rows, gets no buffers: its rows are fetched one at a time
    // and every value read with SQLGetData.
    int BindColumns() {
        if (m_names.empty()) return TW_EXIT();
        SQLUINTEGER extensions = 0;
        const SQLUINTEGER needed = SQL_GD_ANY_COLUMN | SQL_GD_BLOCK | SQL_GD_BOUND;
        if (!Succeeded(SQLGetInfo(m_dbc, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions,
                                  nullptr)) ||
            (extensions & needed) != needed)
            return TW_EXIT();
        SQLULEN rows = 0;
        if (!Succeeded(SQLSetStmtAttr(m_stmt, SQL_ATTR_ROW_ARRAY_SIZE,
                                      reinterpret_cast<SQLPOINTER>(kBlockRows), 0)) ||
            !Succeeded(SQLGetStmtAttr(m_stmt, SQL_ATTR_ROW_ARRAY_SIZE, &rows, 0, nullptr)) ||
            rows == 0 || rows > kBlockRows) {
            SQLSetStmtAttr(m_stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
            return TW_EXIT();
        }
        m_status.assign(rows, SQL_ROW_NOROW);
        TW_RETURN_IF_ERROR(
            Check(SQLSetStmtAttr(m_stmt, SQL_ATTR_ROW_BIND_TYPE,
                                 reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
                  SQL_HANDLE_STMT));
        TW_RETURN_IF_ERROR(Check(
            SQLSetStmtAttr(m_stmt, SQL_ATTR_ROW_STATUS_PTR, m_status.data(), 0), SQL_HANDLE_STMT));
        TW_RETURN_IF_ERROR(Check(SQLSetStmtAttr(m_stmt, SQL_ATTR_ROWS_FETCHED_PTR, &m_fetched, 0),
                                 SQL_HANDLE_STMT));
        m_bound.reserve(m_reads.size());
        for (std::size_t i = 0; i < m_reads.size(); ++i) {
            BoundColumn column = SlotFor(m_reads[i], m_sizes[i]);
            column.data.resize(rows * static_cast<SQLULEN>(column.slot));
            column.indicators.resize(rows);
            m_bound.push_back(std::move(column));
            BoundColumn& bound = m_bound.back();
            TW_RETURN_IF_ERROR(
                Check(SQLBindCol(m_stmt, static_cast<SQLUSMALLINT>(i + 1), bound.cType,
                                 bound.data.data(), bound.slot, bound.indicators.data()),
                      SQL_HANDLE_STMT));
        }
        return TW_EXIT();
    }

    // The value of column in row m_row of the block fetched.
    int Take(std::size_t column, Value& value) {
        const BoundColumn& bound = m_bound[column];
        const SQLLEN indicator = bound.indicators[m_row];
        const char* data = bound.data.data() + m_row * static_cast<SQLULEN>(bound.slot);
        const Read read = m_reads[column];
        if (indicator == SQL_NULL_DATA) {
            value.kind = Value::Kind::Null;
        } else if (read == Read::Integer) {
            SQLBIGINT number = 0;
            std::memcpy(&number, data, sizeof number);
            value.kind = Value::Kind::Integer;
            value.integer = number;
        } else if (read == Read::Real) {
            value.kind = Value::Kind::Real;
            std::memcpy(&value.real, data, sizeof value.real);
        } else {
            const bool text = read != Read::Binary;
            // Room for the value: a text's slot ends with a NUL.
            const SQLLEN room = text ? bound.slot - 1 : bound.slot;
            if (indicator == SQL_NO_TOTAL || indicator > room) {
                // Cut off: read again from its first byte.
                TW_RETURN_IF_ERROR(Check(SQLSetPos(m_stmt, static_cast<SQLSETPOSIROW>(m_row + 1),
                                                   SQL_POSITION, SQL_LOCK_NO_CHANGE),
                                         SQL_HANDLE_STMT));
                TW_RETURN_IF_ERROR(Get(static_cast<SQLUSMALLINT>(column + 1), read, value));
                return TW_EXIT();
            }
            value.kind = text ? Value::Kind::Text : Value::Kind::Blob;
            value.bytes.assign(data, static_cast<std::size_t>(indicator));
            Shape(read, value);
        }
        return TW_EXIT();
    }

    // Reads every row of the catalogue function's result, its first columns
    // columns, and hands each to take; the statement is finished after it.
    template <typename Take>
    int ReadCatalogue(Take take, int columns) {
        std::vector<Value> row(static_cast<std::size_t>(columns));
        for (;;) {
            const SQLRETURN rc = SQLFetch(m_stmt);
            if (rc == SQL_NO_DATA) break;
            TW_RETURN_IF_ERROR(Check(rc, SQL_HANDLE_STMT));
            for (int column = 0; column < columns; ++column) {
                const Read read = column == 4 ? Read::Integer : Read::Text;
                TW_RETURN_IF_ERROR(Get(static_cast<SQLUSMALLINT>(column + 1), read,
                                       row[static_cast<std::size_t>(column)]));
            }
            take(row);
        }
        Finish();
        return TW_EXIT();
    }

    std::string m_connection;
    bool m_postgres = false;
    unsigned m_timeout = 0;
    std::chrono::steady_clock::time_point m_deadline;
    // Cancel comes from another thread: the flag, and the statement handle
    // it cancels, which is made and freed under the lock.
    std::atomic<bool> m_cancelled{false};
    std::mutex m_cancelling;
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    // Deque: a parameter's buffers stay where they are as more are bound.
    std::deque<Parameter> m_parameters;
    std::vector<std::string> m_names;
    std::vector<Read> m_reads;
    std::vector<SQLULEN> m_sizes;
    // The bound buffers, one a column, and the block fetched into them: its
    // rows' status, their number and the current one.
    std::vector<BoundColumn> m_bound;
    std::vector<SQLUSMALLINT> m_status;
    SQLULEN m_fetched = 0;
    SQLULEN m_row = 0;
};

}  // namespace

std::unique_ptr<Engine> MakeOdbcEngine() {
    return std::make_unique<OdbcEngine>();
}

}  // namespace sql
}  // namespace twfile

#else  // built without ODBC

namespace twfile {
namespace sql {

std::unique_ptr<Engine> MakeOdbcEngine() {
    return nullptr;
}

}  // namespace sql
}  // namespace twfile

#endif

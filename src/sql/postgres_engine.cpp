// The PostgreSQL engine: every line that knows libpq is in this file.
//
// Nothing the engine runs is ever kept. The session's transactions are
// read-only, a role that a read-only transaction does not bind (a superuser,
// one that may read or write the server's files) is refused, and each
// statement runs in a transaction of its own begun READ ONLY and rolled back
// when it ends. A statement is checked before it is sent, and is sent
// through the extended protocol, where the server itself refuses a second
// statement; its values are bound, typed, never written into its text. Rows
// come one at a time (single-row mode), so memory stays flat however many
// there are.
#include <twfile/sql/engine.h>

#ifdef TWFILE_SQL_WITH_LIBPQ

#include <libpq-fe.h>

#include <twfile/host/status.h>
#include <twfile/sql/postgres_target.h>
#include <twfile/sql/statement.h>
#include "platform/fault.h"
#include "sql/decimal_value.h"
#include "sql/lexer.h"
#include "sql/server_roles.h"

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#define TW_SOURCE "TWPostgres"

namespace twfile {
namespace sql {

namespace {

namespace fault = win32::fault;

// A call the fault switch fails behaves as libpq's failure to allocate.
constexpr const char* kInjected = "out of memory";
constexpr const char* kCancelled = "the statement was cancelled";
// How a target that is a connection string starts.
const std::string kTarget = "postgres:";

// The type OIDs of the catalogue (pg_type.h), those the engine reads or binds.
enum Oid : unsigned {
    kBool = 16,
    kBytea = 17,
    kChar = 18,
    kName = 19,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestamptz = 1184,
    kTimetz = 1266,
    kNumeric = 1700,
};

// The listed type name of a column's type (the names the schema maps to
// data types), or "" for a type the list lacks: its values are text,
// unchecked.
const char* TypeNameOf(unsigned oid) {
    switch (oid) {
        case kInt2:
            return "SMALLINT";
        case kInt4:
        case kOid:
            return "INTEGER";
        case kInt8:
            return "BIGINT";
        case kBool:
            return "BOOLEAN";
        case kFloat4:
            return "REAL";
        case kFloat8:
            return "DOUBLE";
        case kNumeric:
            return "NUMERIC";
        case kText:
            return "TEXT";
        case kVarchar:
        case kName:
            return "VARCHAR";
        case kBpchar:
        case kChar:
            return "CHAR";
        case kDate:
            return "DATE";
        case kTime:
        case kTimetz:
            return "TIME";
        case kTimestamp:
        case kTimestamptz:
            return "TIMESTAMP";
        case kBytea:
            return "BLOB";
        default:
            return "";
    }
}

// The type a time value is bound as, from the ISO 8601 text the statement
// gives it: a date, a time or a timestamp; 0 (the server's choice) for
// anything else.
unsigned TimeOid(const std::string& text) {
    const auto digits = [&](std::size_t at, std::size_t count) {
        for (std::size_t i = at; i < at + count; ++i) {
            if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        }
        return true;
    };
    const bool date = digits(0, 4) && text.size() >= 10 && text[4] == '-' && text[7] == '-';
    if (date) return text.size() == 10 ? kDate : kTimestamp;
    if (digits(0, 2) && text.size() >= 8 && text[2] == ':') return kTime;
    return 0;
}

// A bytea value in the server's hex output, "\x0aff...", as its bytes.
bool HexBytes(const char* text, int length, std::string& bytes) {
    bytes.clear();
    if (length < 2 || text[0] != '\\' || text[1] != 'x' || length % 2 != 0) return false;
    bytes.reserve(static_cast<std::size_t>(length - 2) / 2);
    const auto nibble = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    for (int i = 2; i < length; i += 2) {
        const int high = nibble(text[i]);
        const int low = nibble(text[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

class PostgresEngine : public Engine {
  public:
    ~PostgresEngine() override { Close(); }

    const char* Name() const override { return "PostgreSQL"; }
    Dialect SqlDialect() const override { return Dialect::PostgreSQL; }

    int Connect(const std::string& database) override {
        Close();
        m_cancelled = false;
        m_password.clear();
        m_target = database;
        if (fault::ShouldFail(fault::Kind::Engine)) return Refused(kInjected);
        PGconn* connection = PQconnectdb(database.c_str());
        if (connection == nullptr) return Refused(kInjected);
        {
            const std::lock_guard<std::mutex> lock(m_cancelling);
            m_conn = connection;
        }
        if (const char* password = PQpass(m_conn)) m_password = password;
        if (PQstatus(m_conn) != CONNECTION_OK) return Refused(Flat(PQerrorMessage(m_conn)));
        std::string failure;
        if (PQsetClientEncoding(m_conn, "UTF8") != 0) failure = Flat(PQerrorMessage(m_conn));
        // Dates and times in ISO 8601 whatever the server's own setting.
        if (failure.empty()) failure = Command("SET DateStyle = 'ISO, YMD'");
        if (failure.empty()) failure = Command(kReadOnlySession);
        std::string count;
        if (failure.empty()) failure = Command(kServerFileRights, &count);
        if (failure.empty() && count != "0") failure = kServerFileRightsRefused;
        if (failure.empty()) {
            const std::lock_guard<std::mutex> lock(m_cancelling);
            m_cancel = PQgetCancel(m_conn);
            if (m_cancel == nullptr) failure = kInjected;
        }
        if (!failure.empty()) return Refused(failure);
        return TW_EXIT();
    }

    int Close() override {
        Finish();
        const std::lock_guard<std::mutex> lock(m_cancelling);
        if (m_cancel != nullptr) PQfreeCancel(m_cancel);
        m_cancel = nullptr;
        if (m_conn != nullptr) PQfinish(m_conn);
        m_conn = nullptr;
        m_tables.clear();
        return 0;
    }

    // The tables and views the search path reaches, by their names alone,
    // then those of every other schema but the system's, by "schema.name".
    int Tables(std::vector<std::string>& tables) override {
        TW_RETURN_IF_ERROR(Ready());
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        PGresult* result = PQexec(
            m_conn,
            "SELECT CASE WHEN pg_catalog.pg_table_is_visible(c.oid) THEN c.relname "
            "ELSE n.nspname || '.' || c.relname END, c.oid "
            "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
            "WHERE c.relkind IN ('r', 'v', 'm', 'p', 'f') "
            "AND n.nspname NOT IN ('pg_catalog', 'information_schema') "
            "AND n.nspname NOT LIKE 'pg\\_toast%' AND n.nspname NOT LIKE 'pg\\_temp%' "
            "ORDER BY NOT pg_catalog.pg_table_is_visible(c.oid), n.nspname, c.relname");
        TW_RETURN_IF_ERROR(Succeeded(result, PGRES_TUPLES_OK));
        m_tables.clear();
        for (int row = 0; row < PQntuples(result); ++row) {
            tables.emplace_back(PQgetvalue(result, row, 0));
            m_tables.emplace_back(tables.back(), PQgetvalue(result, row, 1));
        }
        PQclear(result);
        return TW_EXIT();
    }

    int Columns(const std::string& table, std::vector<CatalogueColumn>& columns) override {
        TW_RETURN_IF_ERROR(Ready());
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        std::string oid;
        for (const auto& known : m_tables) {
            if (known.first == table) oid = known.second;
        }
        if (oid.empty()) return TW_EXIT();
        const char* values[] = {oid.c_str()};
        PGresult* result = PQexecParams(
            m_conn,
            "SELECT a.attname, a.atttypid, t.typbasetype FROM pg_catalog.pg_attribute a "
            "JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
            "WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped "
            "ORDER BY a.attnum",
            1, nullptr, values, nullptr, nullptr, 0);
        TW_RETURN_IF_ERROR(Succeeded(result, PGRES_TUPLES_OK));
        for (int row = 0; row < PQntuples(result); ++row) {
            // A domain's values are those of the type it is made from.
            const unsigned base = Number(PQgetvalue(result, row, 2));
            const unsigned type = base != 0 ? base : Number(PQgetvalue(result, row, 1));
            columns.push_back(CatalogueColumn{PQgetvalue(result, row, 0), TypeNameOf(type)});
        }
        PQclear(result);
        return TW_EXIT();
    }

    // The text is checked, its "?" placeholders made $1, $2..., and the
    // statement parsed by the server in the statement's own read-only
    // transaction, so that an error of the text or of a name shows before
    // anything runs.
    int Prepare(const std::string& text, int& placeholders) override {
        Finish();
        placeholders = 0;
        TW_RETURN_IF_ERROR(Ready());
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        TW_RETURN_IF_ERROR(CheckStatement(text, Dialect::PostgreSQL));
        std::vector<Token> tokens;
        TW_RETURN_IF_ERROR(Lex(text, Dialect::PostgreSQL, tokens));
        m_text.clear();
        int own = 0;
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const Token& token = tokens[i];
            const std::string_view piece(text.data() + token.offset, token.size);
            if (token.kind == Token::Kind::Symbol && piece == "?") {
                m_text += "$" + std::to_string(++placeholders);
                continue;
            }
            // "$1" of the text's own: a placeholder no value is bound to.
            if (token.kind == Token::Kind::Symbol && piece == "$" && i + 1 < tokens.size() &&
                tokens[i + 1].kind == Token::Kind::Word &&
                tokens[i + 1].offset == token.offset + 1 && text[tokens[i + 1].offset] >= '0' &&
                text[tokens[i + 1].offset] <= '9')
                ++own;
            m_text += piece;
        }
        TW_RETURN_IF_ERROR(Begin());
        PGresult* result = PQprepare(m_conn, "", m_text.c_str(), 0, nullptr);
        if (placeholders + own > 0 && TypedWhenBound(result)) {
            PQclear(result);
            TW_RETURN_IF_ERROR(Restart());
        } else {
            TW_RETURN_IF_ERROR(Succeeded(result, PGRES_COMMAND_OK));
            PQclear(result);
        }
        m_prepared = true;
        placeholders += own;
        return TW_EXIT();
    }

    int Bind(int index, const Value& value, TWDB_DataType type) override {
        if (!m_prepared) return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        if (index < 1) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
        const std::size_t at = static_cast<std::size_t>(index - 1);
        if (m_values.size() <= at) {
            m_values.resize(at + 1);
            m_types.resize(at + 1, 0);
            m_nulls.resize(at + 1, true);
            m_formats.resize(at + 1, 0);
        }
        m_nulls[at] = value.kind == Value::Kind::Null;
        m_formats[at] = 0;
        switch (value.kind) {
            case Value::Kind::Null:
                m_values[at].clear();
                m_types[at] = 0;
                break;
            case Value::Kind::Integer:
                m_values[at] = type == TWDB_Bool ? (value.integer != 0 ? "true" : "false")
                                                 : std::to_string(value.integer);
                m_types[at] = type == TWDB_Bool ? kBool : kInt8;
                break;
            case Value::Kind::Real: {
                char text[64];
                const auto written = std::to_chars(text, text + sizeof text, value.real);
                m_values[at].assign(text, written.ptr);
                m_types[at] = kFloat8;
                break;
            }
            case Value::Kind::Text:
                m_values[at] = value.bytes;
                m_types[at] = type == TWDB_Time ? TimeOid(value.bytes) : 0;
                break;
            case Value::Kind::Blob:
                m_values[at] = value.bytes;
                m_types[at] = kBytea;
                m_formats[at] = 1;
                break;
        }
        return TW_EXIT();
    }

    int Execute() override {
        if (!m_prepared) return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        const std::size_t count = m_values.size();
        std::vector<const char*> values(count);
        std::vector<int> lengths(count);
        for (std::size_t i = 0; i < count; ++i) {
            values[i] = m_nulls[i] ? nullptr : m_values[i].data();
            lengths[i] = static_cast<int>(m_values[i].size());
        }
        std::vector<::Oid> types(m_types.begin(), m_types.end());
        if (PQsendQueryParams(m_conn, m_text.c_str(), static_cast<int>(count), types.data(),
                              values.data(), lengths.data(), m_formats.data(), 0) != 1)
            return TW_RAISE(-1, Hidden(Flat(PQerrorMessage(m_conn))).c_str());
        m_sent = true;
        PQsetSingleRowMode(m_conn);
        // The first result tells the columns: a row, the end of none, or
        // the statement's failure.
        TW_RETURN_IF_ERROR(Next());
        if (m_row == nullptr) return TW_EXIT();
        const int columns = PQnfields(m_row);
        for (int column = 0; column < columns; ++column) {
            m_names.emplace_back(PQfname(m_row, column));
            m_columnTypes.push_back(PQftype(m_row, column));
        }
        m_pending = PQresultStatus(m_row) == PGRES_SINGLE_TUPLE;
        return TW_EXIT();
    }

    int Step(bool& row) override {
        row = false;
        if (!m_sent) return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        if (m_pending) {
            // The row Execute read for its columns.
            m_pending = false;
            row = true;
            return TW_EXIT();
        }
        if (m_row == nullptr || PQresultStatus(m_row) != PGRES_SINGLE_TUPLE) return TW_EXIT();
        TW_RETURN_IF_ERROR(Next());
        row = m_row != nullptr && PQresultStatus(m_row) == PGRES_SINGLE_TUPLE;
        return TW_EXIT();
    }

    int ColumnCount() const override { return static_cast<int>(m_names.size()); }

    std::string ColumnName(int column) const override {
        return column >= 0 && column < ColumnCount() ? m_names[static_cast<std::size_t>(column)]
                                                     : "";
    }

    int Column(int column, Value& value) override {
        if (m_row == nullptr || column < 0 || column >= ColumnCount() ||
            PQresultStatus(m_row) != PGRES_SINGLE_TUPLE)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, kInjected);
        if (PQgetisnull(m_row, 0, column)) {
            value.kind = Value::Kind::Null;
            return TW_EXIT();
        }
        const char* text = PQgetvalue(m_row, 0, column);
        int length = PQgetlength(m_row, 0, column);
        const char* end = text + length;
        switch (m_columnTypes[static_cast<std::size_t>(column)]) {
            case kInt2:
            case kInt4:
            case kInt8:
            case kOid:
                value.kind = Value::Kind::Integer;
                if (std::from_chars(text, end, value.integer).ptr == end) return TW_EXIT();
                break;
            case kBool:
                value.kind = Value::Kind::Integer;
                value.integer = text[0] == 't' ? 1 : 0;
                return TW_EXIT();
            case kFloat4:
            case kFloat8:
                value.kind = Value::Kind::Real;
                if (std::from_chars(text, end, value.real).ptr == end) return TW_EXIT();
                // "Infinity", "-Infinity" and "NaN".
                value.real = std::strtod(text, nullptr);
                return TW_EXIT();
            case kNumeric:
                value.kind = Value::Kind::Text;
                value.bytes.assign(text, static_cast<std::size_t>(length));
                ReadDecimal(value);
                return TW_EXIT();
            case kBpchar:
                // Without the blanks that pad it, which comparisons do not count either.
                while (length > 0 && text[length - 1] == ' ')
                    --length;
                end = text + length;
                break;
            case kBytea:
                value.kind = Value::Kind::Blob;
                if (HexBytes(text, length, value.bytes)) return TW_EXIT();
                break;
            default:
                break;
        }
        value.kind = Value::Kind::Text;
        value.bytes.assign(text, static_cast<std::size_t>(length));
        return TW_EXIT();
    }

    int Finish() override {
        const bool rowsLeft =
            m_sent && m_row != nullptr && PQresultStatus(m_row) == PGRES_SINGLE_TUPLE;
        if (m_row != nullptr) PQclear(m_row);
        m_row = nullptr;
        if (m_conn != nullptr) {
            if (m_sent) {
                // Rows that are not wanted: the server is told to stop
                // sending them, and what came is passed over.
                if (rowsLeft && m_cancel != nullptr) {
                    char ignored[256];
                    PQcancel(m_cancel, ignored, sizeof ignored);
                }
                while (PGresult* rest = PQgetResult(m_conn))
                    PQclear(rest);
            }
            // Whatever the statement did is undone; a rollback that a late
            // cancel request stopped is tried again.
            for (int attempt = 0; m_begun && attempt < 2; ++attempt) {
                PGresult* result = PQexec(m_conn, "ROLLBACK");
                m_begun = PQresultStatus(result) != PGRES_COMMAND_OK;
                PQclear(result);
            }
        }
        m_begun = false;
        m_sent = false;
        m_prepared = false;
        m_pending = false;
        m_values.clear();
        m_types.clear();
        m_nulls.clear();
        m_formats.clear();
        m_names.clear();
        m_columnTypes.clear();
        return 0;
    }

    int SetTimeout(unsigned seconds) override {
        m_timeout = seconds;
        return TW_EXIT();
    }

    void Cancel() override {
        m_cancelled = true;
        const std::lock_guard<std::mutex> lock(m_cancelling);
        if (m_cancel != nullptr) {
            char ignored[256];
            PQcancel(m_cancel, ignored, sizeof ignored);
        }
    }

  private:
    // Whether result failed only for want of the placeholders' types (the
    // type of "- $1", or of $1 alone, is not certain before a value is
    // bound): the statement is parsed again with its values, typed.
    static bool TypedWhenBound(const PGresult* result) {
        const char* state =
            result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (state == nullptr) return false;
        for (const char* typeOnly : {"42P18", "42725", "42883", "42804"}) {
            if (std::strcmp(state, typeOnly) == 0) return true;
        }
        return false;
    }

    static unsigned Number(const char* text) {
        return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
    }

    // A message of libpq on one line.
    static std::string Flat(const char* message) {
        std::string text = message != nullptr ? message : "";
        for (char& ch : text) {
            if (ch == '\r' || ch == '\n' || ch == '\t') ch = ' ';
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text.empty() ? "libpq gives no reason" : text;
    }

    std::string Hidden(const std::string& text) const { return WithoutPassword(text, m_password); }

    // The connection failed or was refused: it is closed and the reason
    // raised.
    int Refused(const std::string& failure) {
        const std::string message = "cannot connect to the PostgreSQL server " +
                                    MaskedPostgresTarget(kTarget + m_target) + ": " +
                                    (m_cancelled ? std::string(kCancelled) : Hidden(failure));
        Close();
        return TW_RAISE(-1, message.c_str());
    }

    int Ready() {
        if (m_conn == nullptr)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        return TW_EXIT();
    }

    // Runs sql, a statement of the engine's own, and gives the first value of
    // its first row in value (when given). The failure's text, "" on success.
    std::string Command(const char* sql, std::string* value = nullptr) {
        if (fault::ShouldFail(fault::Kind::Engine)) return kInjected;
        PGresult* result = PQexec(m_conn, sql);
        const ExecStatusType status = PQresultStatus(result);
        std::string failure;
        if (status == PGRES_TUPLES_OK && value != nullptr && PQntuples(result) > 0) {
            *value = PQgetvalue(result, 0, 0);
        } else if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            failure = ResultText(result);
        }
        PQclear(result);
        return failure;
    }

    // The statement's transaction: read-only, with its time limit.
    int Begin() {
        std::string failure = Command("BEGIN READ ONLY");
        m_begun = failure.empty();
        if (failure.empty() && m_timeout > 0) {
            const std::string limit =
                "SET LOCAL statement_timeout = " +
                std::to_string(static_cast<unsigned long long>(m_timeout) * 1000);
            failure = Command(limit.c_str());
        }
        if (!failure.empty()) return TW_RAISE(-1, Reason(failure).c_str());
        return TW_EXIT();
    }

    // A failed parse ends the transaction: a new one is begun.
    int Restart() {
        PQclear(PQexec(m_conn, "ROLLBACK"));
        m_begun = false;
        TW_RETURN(Begin());
    }

    // The server's failure as the ODBC engine words it: "[SQLSTATE]
    // SEVERITY: message", or libpq's own text.
    std::string ResultText(const PGresult* result) const {
        if (result == nullptr) return Flat(PQerrorMessage(m_conn));
        const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
        const char* severity = PQresultErrorField(result, PG_DIAG_SEVERITY);
        const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
        if (state == nullptr || primary == nullptr) return Flat(PQresultErrorMessage(result));
        return "[" + std::string(state) + "] " + (severity ? severity : "ERROR") + ": " +
               Flat(primary);
    }

    // The text of a failure as raised: cancelled, out of time, or the
    // server's words without the password.
    std::string Reason(const std::string& failure) const {
        if (m_cancelled) return kCancelled;
        if (m_timeout > 0 && failure.compare(0, 7, "[57014]") == 0)
            return "the time ran out: the statement took longer than the limit of " +
                   std::to_string(m_timeout) + " seconds";
        return Hidden(failure);
    }

    // Raises the result's failure unless its status is expected; the result
    // is cleared then.
    int Succeeded(PGresult* result, ExecStatusType expected) {
        if (result != nullptr && PQresultStatus(result) == expected) return TW_EXIT();
        const std::string failure = ResultText(result);
        PQclear(result);
        return TW_RAISE(-1, Reason(failure).c_str());
    }

    // The next result of the statement sent into m_row: a row, the end
    // (PGRES_TUPLES_OK, or null once every result was read), or a failure.
    int Next() {
        if (m_row != nullptr) PQclear(m_row);
        m_row = PQgetResult(m_conn);
        if (m_row == nullptr) return TW_EXIT();
        const ExecStatusType status = PQresultStatus(m_row);
        if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) return TW_EXIT();
        // Any other result: a failure, or a statement that gave no rows,
        // which the check lets through only as a query.
        const std::string failure = status == PGRES_COMMAND_OK
                                        ? std::string("the statement gave no rows")
                                        : ResultText(m_row);
        PQclear(m_row);
        m_row = nullptr;
        return TW_RAISE(-1, Reason(failure).c_str());
    }

    PGconn* m_conn = nullptr;
    std::string m_target;
    std::string m_password;
    unsigned m_timeout = 0;
    // Cancel comes from another thread: the flag, and the cancel object,
    // made and freed under the lock.
    std::atomic<bool> m_cancelled{false};
    std::mutex m_cancelling;
    PGcancel* m_cancel = nullptr;
    // The catalogue's tables as Tables named them, with their OIDs.
    std::vector<std::pair<std::string, std::string>> m_tables;
    // The statement: its text with $n placeholders, its values, and where it
    // stands.
    std::string m_text;
    std::vector<std::string> m_values;
    std::vector<unsigned> m_types;
    std::vector<bool> m_nulls;
    std::vector<int> m_formats;
    bool m_begun = false;
    bool m_prepared = false;
    bool m_sent = false;
    bool m_pending = false;
    PGresult* m_row = nullptr;
    std::vector<std::string> m_names;
    std::vector<unsigned> m_columnTypes;
};

}  // namespace

std::unique_ptr<Engine> MakePostgresEngine() {
    return std::make_unique<PostgresEngine>();
}

}  // namespace sql
}  // namespace twfile

#else  // built without libpq

namespace twfile {
namespace sql {

std::unique_ptr<Engine> MakePostgresEngine() {
    return nullptr;
}

}  // namespace sql
}  // namespace twfile

#endif

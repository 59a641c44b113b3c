// The SQLite engine: every line that knows SQLite is in this file.
//
// The database is opened read-only, and an authorizer lets a statement do
// nothing but read: no ATTACH, no PRAGMA but the catalogue's table_info, and
// only the functions listed here, which read and compute.
#include <twfile/sql/engine.h>

#ifdef TWFILE_SQL_WITH_SQLITE

#include <sqlite3.h>

#include <twfile/host/status.h>
#include <twfile/sql/statement.h>
#include "platform/fault.h"
#include "sql/lexer.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#ifdef _WIN32
#include "platform/win32/windows.h"
#endif

#define TW_SOURCE "TWSQLite"

namespace twfile {
namespace sql {

namespace {

namespace fault = win32::fault;

// A call the fault switch fails behaves as SQLite's own failure to allocate.
constexpr int kInjected = SQLITE_NOMEM;

// SQLite takes file names in UTF-8. Names here are the system's: on Windows
// in the ANSI code page, as the file calls and the command line have them,
// so they are converted; elsewhere they are bytes, passed on as they are.
// False when the name cannot be converted.
bool SystemNameToUtf8(std::string& name) {
#ifdef _WIN32
    if (name.empty()) return true;
    const int size = static_cast<int>(name.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, name.data(), size, nullptr, 0);
    if (wide <= 0) return false;
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, name.data(), size, &text[0], wide) != wide) return false;
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &utf8[0], bytes, nullptr, nullptr) !=
        bytes)
        return false;
    name = std::move(utf8);
#else
    (void)name;
#endif
    return true;
}

// The functions a statement may call: SQLite's own scalar, aggregate,
// window, date and time, math and JSON functions, which compute from their
// arguments. Left out, among others: load_extension, fts3_tokenizer (which
// hands out a pointer into the process) and the compile-time option
// queries. Each name has a blank before and after it.
constexpr const char kFunctions[] =
    " -> ->> abs acos acosh asin asinh atan atan2 atanh avg ceil ceiling char coalesce "
    "concat concat_ws cos cosh count cume_dist date datetime degrees dense_rank exp "
    "first_value floor format glob group_concat hex ifnull iif instr json json_array "
    "json_array_length json_each json_error_position json_extract json_group_array "
    "json_group_object json_insert json_object json_patch json_quote json_remove "
    "json_replace json_set json_tree json_type json_valid julianday lag last_value lead "
    "length like likelihood likely ln log log10 log2 lower ltrim max min mod nth_value "
    "ntile nullif octet_length percent_rank pi pow power printf quote radians random "
    "randomblob rank replace round row_number rtrim sign sin sinh sqrt strftime "
    "string_agg substr substring sum tan tanh time timediff total trim trunc typeof "
    "unhex unicode unixepoch unlikely upper zeroblob ";

bool IsListedFunction(const char* name) {
    std::string word = " ";
    for (const char* p = name != nullptr ? name : ""; *p != '\0'; ++p) {
        if (*p == ' ') return false;
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    return word.size() > 1 && std::strstr(kFunctions, (word + " ").c_str()) != nullptr;
}

// How often, in virtual machine instructions, a running statement looks at
// the clock and at a cancel.
constexpr int kProgressSteps = 1000;

class SQLiteEngine : public Engine {
  public:
    ~SQLiteEngine() override { Close(); }

    const char* Name() const override { return "SQLite"; }
    Dialect SqlDialect() const override { return Dialect::SQLite; }

    int Connect(const std::string& database) override {
        Close();
        m_cancelled = false;
        m_database = database;
        // A name that would read as a URI is a file name here.
        std::string path = database;
        if (path.compare(0, 5, "file:") == 0) path = "./" + path;
        int rc = fault::ShouldFail(fault::Kind::Engine) ? kInjected : SQLITE_OK;
        if (rc == SQLITE_OK && !SystemNameToUtf8(path)) rc = SQLITE_CANTOPEN;
        if (rc == SQLITE_OK) {
            sqlite3* db = nullptr;
            rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
            const std::lock_guard<std::mutex> lock(m_cancelling);
            m_db = db;
        }
        if (rc == SQLITE_OK) {
            sqlite3_extended_result_codes(m_db, 1);
            // Nothing the statement holds may change the database file, and
            // nothing the file holds runs with more than the statement's
            // rights.
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, nullptr);
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
            sqlite3_set_authorizer(m_db, Authorize, this);
            sqlite3_progress_handler(m_db, kProgressSteps, Progress, this);
            // The file must be a database that can be read now: its
            // catalogue is read once (a locked or foreign file fails here).
            sqlite3_stmt* probe = nullptr;
            rc =
                sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
            if (rc == SQLITE_OK) rc = sqlite3_step(probe) == SQLITE_ROW ? SQLITE_OK : SQLITE_ERROR;
            sqlite3_finalize(probe);
        }
        if (rc != SQLITE_OK) {
            const std::string message = "cannot open the database " + m_database + ": " + Text(rc);
            Close();
            return TW_RAISE(-1, message.c_str());
        }
        return TW_EXIT();
    }

    int Close() override {
        Finish();
        const std::lock_guard<std::mutex> lock(m_cancelling);
        if (m_db != nullptr) sqlite3_close_v2(m_db);
        m_db = nullptr;
        return 0;
    }

    int Tables(std::vector<std::string>& tables) override {
        int placeholders = 0;
        TW_RETURN_IF_ERROR(
            Prepare("SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
                    "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid",
                    placeholders));
        Value name;
        for (bool row = false; Step(row) >= 0 && row;) {
            TW_RETURN_IF_ERROR(Column(0, name));
            tables.push_back(name.bytes);
        }
        Finish();
        TW_RETURN_IF_ERROR(0);
        return TW_EXIT();
    }

    int Columns(const std::string& table, std::vector<CatalogueColumn>& columns) override {
        int placeholders = 0;
        TW_RETURN_IF_ERROR(Prepare("SELECT name, type FROM pragma_table_info(?)", placeholders));
        TW_RETURN_IF_ERROR(Bind(1, Value::Text(table), TWDB_String));
        Value name;
        Value type;
        for (bool row = false; Step(row) >= 0 && row;) {
            TW_RETURN_IF_ERROR(Column(0, name));
            TW_RETURN_IF_ERROR(Column(1, type));
            columns.push_back(CatalogueColumn{name.bytes, type.bytes});
        }
        Finish();
        TW_RETURN_IF_ERROR(0);
        return TW_EXIT();
    }

    int Prepare(const std::string& text, int& placeholders) override {
        Finish();
        placeholders = 0;
        if (m_db == nullptr)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        TW_RETURN_IF_ERROR(CheckStatement(text, Dialect::SQLite));
        const char* tail = nullptr;
        m_denied.clear();
        m_deadline = Clock::time_point::max();
        int rc = fault::ShouldFail(fault::Kind::Engine) ? kInjected : SQLITE_OK;
        if (rc == SQLITE_OK) {
            rc = sqlite3_prepare_v2(m_db, text.c_str(), static_cast<int>(text.size()), &m_stmt,
                                    &tail);
        }
        if (rc != SQLITE_OK && !m_denied.empty()) {
            Finish();
            return TW_RAISE(-1, m_denied.c_str());
        }
        if (rc != SQLITE_OK) return TW_RAISE(-1, Text(rc).c_str());
        if (m_stmt == nullptr) return TW_RAISE(-1, "the statement is empty");
        // SQLite's own reading agrees: nothing but blanks and comments after
        // the statement, which only reads.
        if (!OnlyBlanks(tail, text.c_str() + text.size())) {
            Finish();
            return TW_RAISE(-1, "the text holds more than one statement");
        }
        if (sqlite3_stmt_readonly(m_stmt) == 0) {
            Finish();
            return TW_RAISE(-1,
                            "the statement would change the database: only statements that read "
                            "are run");
        }
        placeholders = sqlite3_bind_parameter_count(m_stmt);
        return TW_EXIT();
    }

    int Bind(int index, const Value& value, TWDB_DataType) override {
        if (m_stmt == nullptr)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        int rc = fault::ShouldFail(fault::Kind::Engine) ? kInjected : SQLITE_OK;
        if (rc == SQLITE_OK) {
            switch (value.kind) {
                case Value::Kind::Null:
                    rc = sqlite3_bind_null(m_stmt, index);
                    break;
                case Value::Kind::Integer:
                    rc = sqlite3_bind_int64(m_stmt, index, value.integer);
                    break;
                case Value::Kind::Real:
                    rc = sqlite3_bind_double(m_stmt, index, value.real);
                    break;
                case Value::Kind::Text:
                    rc = sqlite3_bind_text64(m_stmt, index, value.bytes.data(), value.bytes.size(),
                                             SQLITE_TRANSIENT, SQLITE_UTF8);
                    break;
                case Value::Kind::Blob:
                    rc = sqlite3_bind_blob64(m_stmt, index, value.bytes.data(), value.bytes.size(),
                                             SQLITE_TRANSIENT);
                    break;
            }
        }
        if (rc != SQLITE_OK) return TW_RAISE(-1, Text(rc).c_str());
        return TW_EXIT();
    }

    // sqlite3_step runs the statement: the time limit counts from here.
    int Execute() override {
        if (m_stmt == nullptr)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        m_deadline = m_timeout > 0 ? Clock::now() + std::chrono::seconds(m_timeout)
                                   : Clock::time_point::max();
        return TW_EXIT();
    }

    int Step(bool& row) override {
        row = false;
        if (m_stmt == nullptr)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (m_cancelled) return TW_RAISE(-1, kCancelled);
        if (Clock::now() > m_deadline) return TW_RAISE(-1, TimeRanOut().c_str());
        const int rc = fault::ShouldFail(fault::Kind::Engine) ? kInjected : sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            row = true;
        } else if (rc == SQLITE_INTERRUPT && m_cancelled) {
            return TW_RAISE(-1, kCancelled);
        } else if (rc == SQLITE_INTERRUPT && Clock::now() > m_deadline) {
            return TW_RAISE(-1, TimeRanOut().c_str());
        } else if ((rc & 0xFF) == SQLITE_AUTH && !m_denied.empty()) {
            return TW_RAISE(-1, m_denied.c_str());
        } else if (rc != SQLITE_DONE) {
            return TW_RAISE(-1, Text(rc).c_str());
        }
        return TW_EXIT();
    }

    int ColumnCount() const override {
        return m_stmt != nullptr ? sqlite3_column_count(m_stmt) : 0;
    }

    std::string ColumnName(int column) const override {
        const char* name = m_stmt != nullptr ? sqlite3_column_name(m_stmt, column) : nullptr;
        return name != nullptr ? name : "";
    }

    int Column(int column, Value& value) override {
        if (m_stmt == nullptr)
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) return TW_RAISE(-1, Text(kInjected).c_str());
        switch (sqlite3_column_type(m_stmt, column)) {
            case SQLITE_INTEGER:
                value.kind = Value::Kind::Integer;
                value.integer = sqlite3_column_int64(m_stmt, column);
                break;
            case SQLITE_FLOAT:
                value.kind = Value::Kind::Real;
                value.real = sqlite3_column_double(m_stmt, column);
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                const bool text = sqlite3_column_type(m_stmt, column) == SQLITE_TEXT;
                const void* bytes =
                    text ? static_cast<const void*>(sqlite3_column_text(m_stmt, column))
                         : sqlite3_column_blob(m_stmt, column);
                const int size = sqlite3_column_bytes(m_stmt, column);
                if (bytes == nullptr && size > 0) return TW_RAISE(-1, Text(SQLITE_NOMEM).c_str());
                value.kind = text ? Value::Kind::Text : Value::Kind::Blob;
                value.bytes.assign(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
                break;
            }
            default:
                value.kind = Value::Kind::Null;
                break;
        }
        return TW_EXIT();
    }

    int Finish() override {
        // sqlite3_finalize repeats the last step's error, which is already
        // reported: its result is not one of its own.
        if (m_stmt != nullptr) sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        return 0;
    }

    int SetTimeout(unsigned seconds) override {
        m_timeout = seconds;
        return TW_EXIT();
    }

    void Cancel() override {
        m_cancelled = true;
        const std::lock_guard<std::mutex> lock(m_cancelling);
        if (m_db != nullptr) sqlite3_interrupt(m_db);
    }

  private:
    using Clock = std::chrono::steady_clock;

    static constexpr const char* kCancelled = "the statement was cancelled";

    std::string TimeRanOut() const {
        return "the time ran out: the statement took longer than the limit of " +
               std::to_string(m_timeout) + " seconds";
    }

    // Lets a statement read and compute, nothing else; says why it refuses.
    // A pragma is read as a table, "pragma_" and its name: of them only the
    // catalogue's table_info is let in. SQLite itself writes the catalogue
    // of its connection (never the file) when a statement first reads a
    // table-valued function such as json_each.
    static int Authorize(void* self, int action, const char* first, const char* second, const char*,
                         const char*) {
        auto& engine = *static_cast<SQLiteEngine*>(self);
        const std::string object = first != nullptr ? first : "";
        switch (action) {
            case SQLITE_SELECT:
            case SQLITE_RECURSIVE:
                return SQLITE_OK;
            case SQLITE_READ:
                if (object.compare(0, 7, "pragma_") != 0 || object == "pragma_table_info")
                    return SQLITE_OK;
                engine.m_denied = "the pragma " + object.substr(7) +
                                  " is not run: only statements that read are run";
                return SQLITE_DENY;
            case SQLITE_UPDATE:
                if (object == "sqlite_master" || object == "sqlite_schema") return SQLITE_OK;
                break;
            case SQLITE_FUNCTION:
                if (IsListedFunction(second)) return SQLITE_OK;
                engine.m_denied = std::string("the function ") + (second ? second : "") +
                                  " is not one a statement may call: only reading functions run";
                return SQLITE_DENY;
            case SQLITE_PRAGMA:
                // What pragma_table_info runs.
                if (object == "table_info") return SQLITE_OK;
                engine.m_denied = "the pragma " + object +
                                  " is not run: only statements that "
                                  "read are run";
                return SQLITE_DENY;
            case SQLITE_ATTACH:
            case SQLITE_DETACH:
                engine.m_denied =
                    "the statement attaches or detaches a database: only the database given is "
                    "read";
                return SQLITE_DENY;
            default:
                break;
        }
        engine.m_denied =
            "the statement would change the database: only statements that read are run";
        return SQLITE_DENY;
    }

    // Stops a statement that runs past its time or is cancelled.
    static int Progress(void* self) {
        const auto& engine = *static_cast<const SQLiteEngine*>(self);
        return engine.m_cancelled || Clock::now() > engine.m_deadline ? 1 : 0;
    }

    // The engine's text for rc: the connection's message when it has one
    // for this failure, else the text of the code.
    std::string Text(int rc) const {
        if (m_db != nullptr && (sqlite3_extended_errcode(m_db) & 0xFF) == (rc & 0xFF))
            return sqlite3_errmsg(m_db);
        return sqlite3_errstr(rc);
    }

    // Whether [p, end) holds nothing but blanks, comments and ";".
    static bool OnlyBlanks(const char* p, const char* end) {
        if (p == nullptr) return false;
        std::vector<Token> tokens;
        if (!ReadTokens(std::string_view(p, static_cast<std::size_t>(end - p)), Dialect::SQLite,
                        tokens)
                 .empty())
            return false;
        for (const Token& token : tokens) {
            if (token.kind != Token::Kind::Blank && token.kind != Token::Kind::Comment &&
                !(token.kind == Token::Kind::Symbol && p[token.offset] == ';'))
                return false;
        }
        return true;
    }

    std::string m_database;
    unsigned m_timeout = 0;
    Clock::time_point m_deadline = Clock::time_point::max();
    // Why the authorizer refused the statement being prepared.
    std::string m_denied;
    // Cancel comes from another thread: the flag, and the connection it
    // interrupts, which is opened and closed under the lock.
    std::atomic<bool> m_cancelled{false};
    std::mutex m_cancelling;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

}  // namespace

std::unique_ptr<Engine> MakeSQLiteEngine() {
    return std::make_unique<SQLiteEngine>();
}

}  // namespace sql
}  // namespace twfile

#else  // built without SQLite

namespace twfile {
namespace sql {

std::unique_ptr<Engine> MakeSQLiteEngine() {
    return nullptr;
}

}  // namespace sql
}  // namespace twfile

#endif

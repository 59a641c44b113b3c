// The SQLite engine: every line that knows SQLite is in this file.
#include <twfile/sql/engine.h>

#ifdef TWFILE_SQL_WITH_SQLITE

#include <sqlite3.h>

#include <twfile/host/status.h>
#include <twfile/sql/statement.h>
#include "platform/fault.h"
#include "sql/lexer.h"

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

class SQLiteEngine : public Engine {
  public:
    ~SQLiteEngine() override { Close(); }

    const char* Name() const override { return "SQLite"; }
    Dialect SqlDialect() const override { return Dialect::SQLite; }

    int Connect(const std::string& database) override {
        Close();
        m_database = database;
        // A name that would read as a URI is a file name here.
        std::string path = database;
        if (path.compare(0, 5, "file:") == 0) path = "./" + path;
        int rc = fault::ShouldFail(fault::Kind::Engine) ? kInjected : SQLITE_OK;
        if (rc == SQLITE_OK && !SystemNameToUtf8(path)) rc = SQLITE_CANTOPEN;
        if (rc == SQLITE_OK) {
            rc = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        }
        if (rc == SQLITE_OK) {
            sqlite3_extended_result_codes(m_db, 1);
            // Nothing the statement holds may change the database file.
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
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
            TW_RAISE(-1, message.c_str());
        }
        TW_EXIT();
    }

    int Close() override {
        Finish();
        if (m_db != nullptr) sqlite3_close_v2(m_db);
        m_db = nullptr;
        return 0;
    }

    int Tables(std::vector<std::string>& tables) override {
        int placeholders = 0;
        TW_PASS_ON(
            Prepare("SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
                    "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid",
                    placeholders));
        Value name;
        for (bool row = false; Step(row) >= 0 && row;) {
            TW_PASS_ON(Column(0, name));
            tables.push_back(name.bytes);
        }
        Finish();
        TW_PASS_ON(0);
        TW_EXIT();
    }

    int Columns(const std::string& table, std::vector<CatalogueColumn>& columns) override {
        int placeholders = 0;
        TW_PASS_ON(Prepare("SELECT name, type FROM pragma_table_info(?)", placeholders));
        TW_PASS_ON(Bind(1, Value::Text(table), TWDB_String));
        Value name;
        Value type;
        for (bool row = false; Step(row) >= 0 && row;) {
            TW_PASS_ON(Column(0, name));
            TW_PASS_ON(Column(1, type));
            columns.push_back(CatalogueColumn{name.bytes, type.bytes});
        }
        Finish();
        TW_PASS_ON(0);
        TW_EXIT();
    }

    int Prepare(const std::string& text, int& placeholders) override {
        Finish();
        placeholders = 0;
        if (m_db == nullptr) TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        TW_PASS_ON(CheckStatement(text, Dialect::SQLite));
        const char* tail = nullptr;
        int rc = fault::ShouldFail(fault::Kind::Engine) ? kInjected : SQLITE_OK;
        if (rc == SQLITE_OK) {
            rc = sqlite3_prepare_v2(m_db, text.c_str(), static_cast<int>(text.size()), &m_stmt,
                                    &tail);
        }
        if (rc != SQLITE_OK) TW_RAISE(-1, Text(rc).c_str());
        if (m_stmt == nullptr) TW_RAISE(-1, "the statement is empty");
        // SQLite's own reading agrees: nothing but blanks and comments after
        // the statement, which only reads.
        if (!OnlyBlanks(tail, text.c_str() + text.size())) {
            Finish();
            TW_RAISE(-1, "the text holds more than one statement");
        }
        if (sqlite3_stmt_readonly(m_stmt) == 0) {
            Finish();
            TW_RAISE(-1,
                     "the statement would change the database: only statements that read "
                     "are run");
        }
        placeholders = sqlite3_bind_parameter_count(m_stmt);
        TW_EXIT();
    }

    int Bind(int index, const Value& value, TWDB_DataType) override {
        if (m_stmt == nullptr) TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
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
        if (rc != SQLITE_OK) TW_RAISE(-1, Text(rc).c_str());
        TW_EXIT();
    }

    // sqlite3_step runs the statement.
    int Execute() override {
        if (m_stmt == nullptr) TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        TW_EXIT();
    }

    int Step(bool& row) override {
        row = false;
        if (m_stmt == nullptr) TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        const int rc = fault::ShouldFail(fault::Kind::Engine) ? kInjected : sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            row = true;
        } else if (rc != SQLITE_DONE) {
            TW_RAISE(-1, Text(rc).c_str());
        }
        TW_EXIT();
    }

    int ColumnCount() const override {
        return m_stmt != nullptr ? sqlite3_column_count(m_stmt) : 0;
    }

    std::string ColumnName(int column) const override {
        const char* name = m_stmt != nullptr ? sqlite3_column_name(m_stmt, column) : nullptr;
        return name != nullptr ? name : "";
    }

    int Column(int column, Value& value) override {
        if (m_stmt == nullptr) TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        if (fault::ShouldFail(fault::Kind::Engine)) TW_RAISE(-1, Text(kInjected).c_str());
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
                if (bytes == nullptr && size > 0) TW_RAISE(-1, Text(SQLITE_NOMEM).c_str());
                value.kind = text ? Value::Kind::Text : Value::Kind::Blob;
                value.bytes.assign(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
                break;
            }
            default:
                value.kind = Value::Kind::Null;
                break;
        }
        TW_EXIT();
    }

    int Finish() override {
        // sqlite3_finalize repeats the last step's error, which is already
        // reported: its result is not one of its own.
        if (m_stmt != nullptr) sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        return 0;
    }

  private:
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

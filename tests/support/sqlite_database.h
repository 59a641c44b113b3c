// Real SQLite databases for the tests of the SQL layer and its commands.
#ifndef TWFILE_TESTS_SQLITE_DATABASE_H
#define TWFILE_TESTS_SQLITE_DATABASE_H

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace twtest {

// A connection that the test holds open (to lock the database, say).
class Database {
  public:
    // Opens path, creating it, and runs script on it.
    explicit Database(const std::string& path, const std::string& script = "") {
        if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK)
            throw std::runtime_error("cannot make " + path);
        Exec(script);
    }
    ~Database() { sqlite3_close(m_db); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Exec(const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message != nullptr ? message : "?";
            sqlite3_free(message);
            throw std::runtime_error("SQL failed: " + text);
        }
    }

  private:
    sqlite3* m_db = nullptr;
};

// Makes the database at path from script.
inline void MakeDatabase(const std::string& path, const std::string& script) {
    Database(path, script);
}

}  // namespace twtest

#endif  // TWFILE_TESTS_SQLITE_DATABASE_H

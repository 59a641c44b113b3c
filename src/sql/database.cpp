#include <twfile/sql/data_source.h>
#include <twfile/sql/database.h>
#include <twfile/sql/postgres_target.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <twfile/host/status.h>

#ifdef _WIN32
#include <io.h>
#ifndef O_CLOEXEC
#define O_CLOEXEC _O_NOINHERIT
#endif
#define O_NONBLOCK 0
#define O_NOCTTY 0
#else
#include <unistd.h>
#endif
#ifndef O_BINARY
#define O_BINARY 0
#endif

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

std::unique_ptr<Engine> Refuse(const std::string& message) {
    static_cast<void>(TW_RAISE(-1, message.c_str()));
    return nullptr;
}

std::unique_ptr<Engine> Missing(const std::string& database, const char* what) {
    return Refuse(ShownDatabase(database) + ": this program was built without " + what);
}

}  // namespace

bool IsOdbcDatabase(const std::string& database) {
    return database.compare(0, 5, "odbc:") == 0;
}

bool IsServerDatabase(const std::string& database) {
    return IsOdbcDatabase(database) || IsPostgresTarget(database);
}

bool IsSQLiteFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_BINARY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    char header[16] = {};
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const bool whole = regular && ::read(fd, header, sizeof header) == sizeof header;
    ::close(fd);
    return whole && std::memcmp(header, "SQLite format 3\0", sizeof header) == 0;
}

std::string ShownDatabase(const std::string& database) {
    if (IsOdbcDatabase(database)) return "odbc:" + MaskedConnectionString(database.substr(5));
    if (IsPostgresTarget(database)) return MaskedPostgresTarget(database);
    return database;
}

std::unique_ptr<Engine> OpenDatabase(const std::string& database, const std::string& dataSource,
                                     const std::string& password) {
    std::unique_ptr<Engine> engine;
    std::string target = database;
    if (IsOdbcDatabase(database)) {
        target = database.substr(5);
        if (target.empty()) {
            if (dataSource.empty()) {
                return Refuse(
                    "odbc: alone takes the data source the document names, and it names none "
                    "(its DATABASE member is empty)");
            }
            // The document names the data source; where it is and who
            // connects come from the user's own configuration alone.
            if (DataSourceConnection(dataSource, target) < 0) return nullptr;
        }
        engine = MakeOdbcEngine();
        if (!engine) return Missing(database, "ODBC");
        target = WithPassword(target, password);
    } else if (IsPostgresTarget(database)) {
        // The document's database is its name alone, taken only when the
        // target names none.
        if (PostgresConnection(database, dataSource, target) < 0) return nullptr;
        engine = MakePostgresEngine();
        if (!engine) return Missing(database, "libpq");
    } else {
        struct stat info {};
        if (::stat(database.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                return Refuse(database +
                              ": no such database file (a database is opened, never made)");
            }
        } else if (!S_ISREG(info.st_mode)) {
            return Refuse(database + ": not a regular file (a directory, pipe, device or socket)");
        }
        engine = MakeSQLiteEngine();
        if (!engine) return Missing(database, "SQLite");
    }
    // The engine's message names the database.
    if (engine->Connect(target) < 0) return nullptr;
    return engine;
}

}  // namespace sql
}  // namespace twfile

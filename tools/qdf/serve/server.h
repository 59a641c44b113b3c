// qdf serve's server: a folder of documents and, when given, a database,
// served on one address to the page built into qdf and to scripts, through
// the JSON API of the folder's documents.
#ifndef QDF_SERVE_SERVER_H
#define QDF_SERVE_SERVER_H

#include <cstddef>
#include <memory>
#include <string>

#include <twfile/json/encoding.h>

namespace qdf {
namespace serve {

struct Settings {
    std::string folder = ".";
    // The database of runs and checks; empty for none.
    std::string database;
    twfile::json::Encoding encoding = twfile::json::Encoding::Windows1252;
    // The address to listen on.
    std::string host = "127.0.0.1";
    // The secret of the printed address; made at random when empty.
    std::string token;
    // The largest request body taken, in bytes.
    std::size_t maxBody = std::size_t{256} << 20;
    // The requests served at a time.
    int threads = 8;
};

// Whether host is a loopback address (or "localhost").
inline bool IsLoopbackHost(const std::string& host) {
    return host == "127.0.0.1" || host == "::1" || host == "localhost";
}

// Whether this qdf can serve (it was built with cpp-httplib).
extern const bool kServing;
// What a qdf that cannot serve says.
constexpr char kWithoutServerText[] = "this qdf was built without cpp-httplib: it cannot serve";

class Server {
  public:
    // Throws Failure(kExitUsage) when the folder is not one, or when this qdf
    // cannot serve.
    explicit Server(const Settings& settings);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds the address on port, 0 for a free one; gives the port. Throws
    // Failure(kExitUsage) when the address cannot be had.
    int Bind(int port);
    // Serves until Stop; false when it could not.
    bool Listen();
    // Ends Listen, cancelling the runs under way. Safe from another thread.
    void Stop();

    // The address to open: http://HOST:PORT/?token=TOKEN.
    std::string Address() const;
    const std::string& Token() const;

  private:
    struct State;
    std::unique_ptr<State> m;
};

}  // namespace serve
}  // namespace qdf

#endif  // QDF_SERVE_SERVER_H

// qdf serve in a qdf built without cpp-httplib (a cross build for Windows):
// the command is there and says that it cannot serve.
#include "commands.h"
#include "serve/server.h"

namespace qdf {
namespace serve {

const bool kServing = false;

struct Server::State {};

Server::Server(const Settings&) {
    throw Failure(kExitUsage, kWithoutServerText);
}

Server::~Server() = default;

int Server::Bind(int) {
    return -1;
}

bool Server::Listen() {
    return false;
}

void Server::Stop() {}

std::string Server::Address() const {
    return "";
}

const std::string& Server::Token() const {
    static const std::string none;
    return none;
}

}  // namespace serve
}  // namespace qdf

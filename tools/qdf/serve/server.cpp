#include "serve/server.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <thread>

#include <httplib.h>

#include "commands.h"
#include "serve/access.h"
#include "serve/page.h"
#include "serve/site.h"

namespace qdf {
namespace serve {

const bool kServing = true;

namespace {

// The documents' paths in routes: a path inside the folder that ends in
// .qdf, of any case.
constexpr char kDocument[] = R"(/api/documents/(.+\.[qQ][dD][fF]))";

using Handler = void (*)(Site&, const httplib::Request&, httplib::Response&);

// What an answer that the server itself refuses says.
std::string ReasonOf(int status) {
    switch (status) {
        case 400:
            return "the request cannot be read";
        case 404:
            return "no such page or API";
        case 405:
            return "the API does not take this method here";
        case 413:
            return "the request is too large";
        case 414:
            return "the address is too long";
        default:
            return "the request failed (HTTP " + std::to_string(status) + ")";
    }
}

bool TakesBody(const std::string& method) {
    return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE";
}

}  // namespace

struct Server::State {
    explicit State(const Settings& settings)
        : settings(settings), site(settings.folder, settings.database, settings.encoding) {}

    Settings settings;
    Site site;
    std::unique_ptr<Access> access;
    httplib::Server http;
    socket_t listeningSocket = INVALID_SOCKET;
    int port = 0;
    std::atomic<bool> listening{false};
    std::atomic<bool> stopped{false};

    // Every handler: its refusals, and any other failure, answered as JSON.
    httplib::Server::Handler Guarded(Handler handler) {
        return [this, handler](const httplib::Request& request, httplib::Response& response) {
            try {
                handler(site, request, response);
            } catch (const Refusal& refusal) {
                AnswerRefusal(response, refusal);
            } catch (const Failure& failure) {
                AnswerRefusal(response, Refusal(StatusOf(failure.status()), failure.what()));
            } catch (const std::exception& error) {
                AnswerRefusal(response, Refusal(500, error.what()));
            }
        };
    }

    // What every request passes before its route: the Host, the body's
    // size, and for the API the session and, for a change, the Origin.
    httplib::Server::HandlerResponse Gate(const httplib::Request& request,
                                          httplib::Response& response) {
        const auto refuse = [&](int status, const std::string& message) {
            AnswerRefusal(response, Refusal(status, message));
            return httplib::Server::HandlerResponse::Handled;
        };
        if (!access->HostAllowed(request))
            return refuse(403, "the Host header does not name this server");
        if (TakesBody(request.method)) {
            if (request.get_header_value("Transfer-Encoding").find("chunked") != std::string::npos)
                return refuse(411, "a request body needs its Content-Length");
            const std::string length = request.get_header_value("Content-Length");
            if (length.size() > 19 || std::strtoull(length.c_str(), nullptr, 10) > settings.maxBody)
                return refuse(413, "the request body is larger than " +
                                       std::to_string(settings.maxBody) + " bytes");
        }
        if (request.path.rfind("/api/", 0) != 0) return httplib::Server::HandlerResponse::Unhandled;
        if (!access->Authenticated(request))
            return refuse(401, "no session: open the address that qdf serve printed");
        if (request.method != "GET" && request.method != "HEAD" && !access->OriginAllowed(request))
            return refuse(403, "the request does not come from this server's page");
        return httplib::Server::HandlerResponse::Unhandled;
    }

    void Home(const httplib::Request& request, httplib::Response& response) {
        if (request.has_param("token")) {
            if (!access->IsToken(request.get_param_value("token"))) {
                AnswerRefusal(response, Refusal(403,
                                                "not this server's token: open the address that "
                                                "qdf serve printed"));
                return;
            }
            response.status = 303;
            response.set_header("Location", "/");
            response.set_header("Set-Cookie", access->SessionCookie());
            return;
        }
        File("index.html", response);
    }

    void File(const std::string& name, httplib::Response& response) {
        for (const PageFile* file = kPageFiles; file->name != nullptr; ++file) {
            if (name == file->name) {
                response.status = 200;
                response.set_content(reinterpret_cast<const char*>(file->bytes), file->size,
                                     MediaType(file->name));
                return;
            }
        }
        AnswerRefusal(response, Refusal(404, name + ": no such file"));
    }

    void Route() {
        http.set_pre_routing_handler(
            [this](const httplib::Request& request, httplib::Response& response) {
                return Gate(request, response);
            });
        http.set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
            SetCommonHeaders(response);
        });
        http.set_error_handler(httplib::Server::HandlerWithResponse(
            [](const httplib::Request&, httplib::Response& response) {
                if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
                AnswerRefusal(response, Refusal(response.status, ReasonOf(response.status)));
                return httplib::Server::HandlerResponse::Handled;
            }));
        http.set_exception_handler(
            [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
                AnswerRefusal(response, Refusal(500, "the request failed"));
            });
        http.Get("/", [this](const httplib::Request& request, httplib::Response& response) {
            Home(request, response);
        });
        http.Get(R"(/([A-Za-z0-9_-]+\.[a-z]+))",
                 [this](const httplib::Request& request, httplib::Response& response) {
                     File(request.matches[1], response);
                 });
        http.Get("/api/documents", Guarded(ListDocuments));
        http.Get(std::string(kDocument) + "/params", Guarded(DocumentParameters));
        http.Get(std::string(kDocument) + "/sql", Guarded(DocumentSql));
        http.Get(std::string(kDocument) + "/diagram\\.svg", Guarded(DocumentDiagram));
        http.Post(std::string(kDocument) + "/run", Guarded(RunDocument));
        http.Get(kDocument, Guarded(ReadDocument));
        http.Put(kDocument, Guarded(WriteDocument));
        http.Post("/api/check", Guarded(CheckRequest));
        http.set_payload_max_length(settings.maxBody);
        const int threads = settings.threads;
        http.new_task_queue = [threads] {
            return new httplib::ThreadPool(static_cast<std::size_t>(threads));
        };
    }
};

Server::Server(const Settings& settings) : m(std::make_unique<State>(settings)) {}

Server::~Server() = default;

int Server::Bind(int port) {
    const std::string& host = m->settings.host;
    // cpp-httplib listens with a backlog of 5 connections: clients beyond
    // that wait a second for the system to try again. The socket listens
    // again, with the system's own bound.
    State& state = *m;
    m->http.set_socket_options([&state](socket_t socket) {
        state.listeningSocket = socket;
        httplib::default_socket_options(socket);
    });
    m->port =
        port == 0 ? m->http.bind_to_any_port(host) : (m->http.bind_to_port(host, port) ? port : -1);
    if (m->port < 0) {
        throw Failure(kExitUsage, host + (port == 0 ? "" : ":" + std::to_string(port)) +
                                      ": cannot listen there (" + std::strerror(errno) + ")");
    }
    if (m->listeningSocket != INVALID_SOCKET) ::listen(m->listeningSocket, SOMAXCONN);
    m->access = std::make_unique<Access>(m->settings.token, host, m->port);
    m->Route();
    return m->port;
}

bool Server::Listen() {
    m->listening = true;
    if (m->stopped) return true;
    return m->http.listen_after_bind();
}

void Server::Stop() {
    {
        const std::lock_guard<std::mutex> lock(m->site.running);
        m->site.stopping = true;
        for (twfile::sql::Engine* engine : m->site.engines)
            engine->Cancel();
    }
    m->stopped = true;
    // cpp-httplib's stop does nothing before its loop runs: a Listen that
    // has begun is waited for (a Listen still to come sees stopped).
    if (!m->listening) return;
    for (int i = 0; i < 2000 && !m->http.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m->http.stop();
}

std::string Server::Address() const {
    const std::string& host = m->settings.host;
    const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return "http://" + shown + ":" + std::to_string(m->port) + "/?token=" + Token();
}

const std::string& Server::Token() const {
    return m->access->token();
}

}  // namespace serve
}  // namespace qdf

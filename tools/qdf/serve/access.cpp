#include "serve/access.h"

#include <random>
#include <utility>

#include "serve/server.h"

namespace qdf {
namespace serve {

namespace {

constexpr char kCookie[] = "qdf_session";

// Compares in a time that does not depend on where the texts differ.
bool SameSecret(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char differ = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    return differ == 0;
}

bool IsWildcard(const std::string& host) {
    return host == "0.0.0.0" || host == "::" || host.empty();
}

// Whether name is an address written as numbers: IPv4's digits and dots, or
// IPv6's in brackets.
bool IsNumericAddress(const std::string& name) {
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        return name.find_first_not_of("0123456789abcdefABCDEF:.", 1) == name.size() - 1;
    return !name.empty() && name.find_first_not_of("0123456789.") == std::string::npos;
}

// host as a Host header writes it: IPv6 in brackets.
std::string HostName(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

// The value of the cookie named name in the Cookie header, or empty.
std::string CookieValue(const std::string& header, const std::string& name) {
    std::size_t start = 0;
    while (start < header.size()) {
        std::size_t end = header.find(';', start);
        if (end == std::string::npos) end = header.size();
        std::size_t first = header.find_first_not_of(' ', start);
        if (first < end) {
            const std::size_t equals = header.find('=', first);
            if (equals < end && header.compare(first, equals - first, name) == 0)
                return header.substr(equals + 1, end - equals - 1);
        }
        start = end + 1;
    }
    return "";
}

}  // namespace

std::string RandomSecret() {
    std::random_device device;
    static const char kHex[] = "0123456789abcdef";
    std::string secret;
    for (int i = 0; i < 8; ++i) {
        const std::uint32_t word = device();
        for (int shift = 0; shift < 32; shift += 4)
            secret += kHex[(word >> shift) & 15];
    }
    return secret;
}

Access::Access(std::string token, std::string host, int port)
    : m_token(token.empty() ? RandomSecret() : std::move(token)),
      m_session(RandomSecret()),
      m_host(std::move(host)),
      m_port(port) {}

bool Access::HostAllowed(const httplib::Request& request) const {
    const std::string header = request.get_header_value("Host");
    const std::string port = ":" + std::to_string(m_port);
    if (header.size() <= port.size() ||
        header.compare(header.size() - port.size(), port.size(), port) != 0)
        return false;
    const std::string name = header.substr(0, header.size() - port.size());
    if (name == HostName(m_host)) return true;
    if (IsLoopbackHost(m_host))
        return name == "localhost" || name == "127.0.0.1" || name == "[::1]";
    return IsWildcard(m_host) && IsNumericAddress(name);
}

bool Access::BearerGiven(const httplib::Request& request) const {
    const std::string header = request.get_header_value("Authorization");
    constexpr char kBearer[] = "Bearer ";
    return header.rfind(kBearer, 0) == 0 && IsToken(header.substr(sizeof kBearer - 1));
}

bool Access::Authenticated(const httplib::Request& request) const {
    return BearerGiven(request) ||
           SameSecret(CookieValue(request.get_header_value("Cookie"), kCookie), m_session);
}

bool Access::OriginAllowed(const httplib::Request& request) const {
    if (!request.has_header("Origin")) return BearerGiven(request);
    // The Host header is this server's (HostAllowed): the page's own origin
    // names it.
    return request.get_header_value("Origin") == "http://" + request.get_header_value("Host");
}

bool Access::IsToken(const std::string& text) const {
    return SameSecret(text, m_token);
}

std::string Access::SessionCookie() const {
    return std::string(kCookie) + "=" + m_session + "; Path=/; HttpOnly; SameSite=Strict";
}

void SetCommonHeaders(httplib::Response& response) {
    response.set_header("Content-Security-Policy",
                        "default-src 'none'; script-src 'self'; style-src 'self'; "
                        "img-src 'self' data:; connect-src 'self'; base-uri 'none'; "
                        "form-action 'self'; frame-ancestors 'none'");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("X-Frame-Options", "DENY");
    response.set_header("Cache-Control", "no-store");
}

}  // namespace serve
}  // namespace qdf

// Who may use the server: the one-time token that qdf serve prints, traded
// for a session cookie; the Host a request names (against DNS rebinding);
// the Origin of a write; and the headers every answer carries.
#ifndef QDF_SERVE_ACCESS_H
#define QDF_SERVE_ACCESS_H

#include <string>

#include <httplib.h>

namespace qdf {
namespace serve {

class Access {
  public:
    // token: the secret the printed address carries, made at random when
    // empty. host: the address the server listens on; port: its port.
    Access(std::string token, std::string host, int port);

    const std::string& token() const { return m_token; }

    // Whether the request's Host header names this server: its address or,
    // on a loopback address, "localhost", with the port. A server on every
    // address (0.0.0.0, ::) takes any address written as numbers, never a
    // name, which a rebinding attack would need.
    bool HostAllowed(const httplib::Request& request) const;

    // Whether the request carries the session cookie or, as
    // "Authorization: Bearer TOKEN", the token.
    bool Authenticated(const httplib::Request& request) const;

    // Whether a request that changes something comes from this server's own
    // page: its Origin is this server's; a request without Origin only with
    // the token as Bearer (a script, which no browser page can be).
    bool OriginAllowed(const httplib::Request& request) const;

    // Whether text is the token.
    bool IsToken(const std::string& text) const;

    // The Set-Cookie header value that opens a session.
    std::string SessionCookie() const;

  private:
    bool BearerGiven(const httplib::Request& request) const;

    std::string m_token;
    std::string m_session;
    std::string m_host;
    int m_port;
};

// Sets the headers every answer carries: the content security policy (no
// inline script or style, nothing from elsewhere, no framing), no sniffing
// of content types, no referrer, no caching of the API's answers.
void SetCommonHeaders(httplib::Response& response);

// A secret of 32 random bytes, as 64 hexadecimal digits.
std::string RandomSecret();

}  // namespace serve
}  // namespace qdf

#endif  // QDF_SERVE_ACCESS_H

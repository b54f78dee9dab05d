// Who may use the dashboard. On a loopback address it answers only requests
// addressed to that loopback name (a page of another site that resolves its
// name to 127.0.0.1 gets nothing). On any other address every request
// carries the token: a header, or the cookie a first visit with ?token= in
// the address sets. Requests from another site's page are refused, reads as
// well as changes (a link from elsewhere may still open the page itself).
// Behind a TLS proxy (--behind-proxy) only the proxy's addresses are
// answered, and the host and scheme it forwards are the page's own.
// With users (--users) a request of the API carries a user's login in place
// of the token, whose role the route table allows it, and a change carries
// the login's CSRF token too.
#ifndef VANDREL_WEB_GUARD_H
#define VANDREL_WEB_GUARD_H

#include <httplib.h>

#include <string>

#include "proxy_ranges.h"

namespace vdweb {

class Accounts;

struct Access {
    bool loopback = true;  // on a loopback address, not behind a proxy
    std::string token;     // required when not loopback
    int port = 0;
    bool tls = false;      // served over TLS
    ProxyRanges proxies;   // the proxy's ranges, if behind one
    Accounts *accounts = nullptr;  // with users (--users), in place of the token
};

// Cookies are sent over HTTPS only when the browser reaches it by HTTPS.
inline bool SecureCookies(const Access &access) { return access.tls || !access.proxies.Empty(); }

bool IsLoopback(const std::string &host);

// A token of 128 random bits, as 32 hexadecimal digits.
std::string NewToken();

// The server's pre-routing handler: Unhandled lets the request through,
// Handled has answered it (401, 403, or the redirect that sets the cookie).
httplib::Server::HandlerResponse Guard(const Access &access, const httplib::Request &req, httplib::Response &res);

}  // namespace vdweb

#endif

// web: the dashboard, a page served by the tool itself (127.0.0.1:8080 by
// default) with the devices table, one device's settings, operations on many
// devices, sessions, a JSON API and Prometheus metrics.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "codec/codec.h"
#include "commands.h"
#include "connections.h"
#include "dashboard.h"
#include "guard.h"
#include "http_json.h"
#include "interrupt.h"
#include "json_read.h"
#include "options.h"
#include "ready_notify.h"
#include "searcher.h"
#include "status.h"
#include "tls.h"

#include <sys/resource.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vdcli {

namespace {

using vdweb::Access;

constexpr char kDefaultListen[] = "127.0.0.1:8080";
constexpr char kTokenVariable[] = "VANDREL_WEB_TOKEN";
constexpr long long kDefaultSearchEverySeconds = 10;
constexpr time_t kTimeoutSeconds = 5;
// The library wakes an idle connection's thread every 10 ms to see whether
// its time is up: idle connections are let go soon.
constexpr time_t kKeepAliveSeconds = 2;
constexpr long long kDefaultSessionIdleSeconds = 1800;
constexpr long long kDefaultSessionMaxSeconds = 43200;

bool ParseListen(const std::string &text, std::string &host, int &port) {
    const size_t colon = text.rfind(':');
    long long number = 0;
    if (colon == std::string::npos || colon == 0 || !ParseNumber(text.substr(colon + 1), 1, 65535, number)) return false;
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    port = int(number);
    return true;
}

// The token every request carries off loopback: --token (which every
// local user sees in the process list), else the first line of
// --token-file, else VANDREL_WEB_TOKEN, else a new one; made tells which.
bool TokenOf(const Args &args, const Printer &out, Access &access, bool &made, int &status) {
    const char *env = std::getenv(kTokenVariable);
    std::string source = "--token", error;
    if (args.Has("--token")) {
        access.token = args.Value("--token");
    } else if (args.Has("--token-file")) {
        source = "--token-file";
        if (!ReadInput(args.Value("--token-file"), "token file", access.token, error))
            return (status = out.Fail(error, 0, kExitUsage)), false;
        access.token = access.token.substr(0, access.token.find_first_of("\r\n"));
    } else if (env) {
        source = kTokenVariable;
        access.token = env;
    }
    // Workers need it not.
    unsetenv(kTokenVariable);
    made = !args.Has("--token") && !args.Has("--token-file") && !env;
    if (made) access.token = access.loopback ? "" : vdweb::NewToken();
    if (!made && access.token.size() < 16)
        return (status = out.Fail(source + " takes at least 16 characters", 0, kExitUsage)), false;
    return true;
}

// Where and how it serves: TLS (--tls-cert, --tls-key), or behind a TLS
// proxy (--behind-proxy), or in clear on loopback only; the server, or null
// after saying why not.
std::unique_ptr<httplib::Server> ServerFor(const Args &args, const Printer &out, const std::string &host,
                                           Access &access, int &status) {
    const auto refuse = [&](const std::vector<std::string> &lines) {
        status = out.Fail(lines, 0, kExitUsage);
        return nullptr;
    };
    std::string bad;
    if (args.Has("--behind-proxy") && !access.proxies.Parse(args.Value("--behind-proxy"), bad))
        return refuse({"--behind-proxy takes address ranges such as 198.18.0.0/15,10.1.2.3: '" + bad + "' is not one"});
    access.tls = args.Has("--tls-cert") || args.Has("--tls-key");
    access.loopback = vdweb::IsLoopback(host) && access.proxies.Empty();
    if (access.tls != (args.Has("--tls-cert") && args.Has("--tls-key")))
        return refuse({"--tls-cert and --tls-key go together"});
    if (!vdweb::IsLoopback(host) && !access.tls && access.proxies.Empty())
        return refuse({"refusing to serve " + host + " without TLS: the token and device passwords would cross the "
                       "network in clear",
                       "give --tls-cert FILE --tls-key FILE, or --behind-proxy RANGES when a TLS proxy at those "
                       "addresses serves it"});
    if (!access.tls) {
        auto server = std::make_unique<vdweb::BoundedServer>();
        server->UncapAddresses(access.proxies);
        return server;
    }
    // OpenSSL writes to the socket with write(), which a client that has
    // gone would answer with SIGPIPE, ending the dashboard.
    signal(SIGPIPE, SIG_IGN);
    std::string error = "TLS cannot be set up";
    auto server = std::make_unique<vdweb::BoundedTlsServer>([&](SSL_CTX &ctx) {
        return vdweb::LoadTls(ctx, args.Value("--tls-cert"), args.Value("--tls-key"), error);
    });
    if (!server->is_valid()) return refuse({error});
    server->UncapAddresses(access.proxies);
    return server;
}

// With --users: the accounts that stand in for the token, or null after
// saying why not.
std::unique_ptr<vdweb::Accounts> AccountsFor(const Args &args, const Printer &out, const Access &access,
                                             int &status) {
    const auto refuse = [&](const std::string &why) {
        status = out.Fail(why, 0, kExitUsage);
        return nullptr;
    };
    if (args.Has("--token") || args.Has("--token-file")) return refuse("--users takes the place of a token");
    if (args.Has("--login-header") && access.proxies.Empty())
        return refuse("--login-header needs --behind-proxy: only the proxy's addresses may name the user");
    long long idle = 0, most = 0;
    if (!NumberOf(args, out, "--session-idle", 1, 31536000, "a number of seconds from 1 to 31536000", idle, status,
                  kDefaultSessionIdleSeconds) ||
        !NumberOf(args, out, "--session-max", 1, 31536000, "a number of seconds from 1 to 31536000", most, status,
                  kDefaultSessionMaxSeconds))
        return nullptr;
    unsetenv(kTokenVariable);
    auto accounts = std::make_unique<vdweb::Accounts>(
        args.Value("--users"), args.Value("--login-header"), access.proxies,
        vdweb::SessionLimits{std::chrono::seconds(idle), std::chrono::seconds(most)});
    std::string error;
    if (!accounts->Start(error)) return (status = out.Fail(error, 0, kExitFailed)), nullptr;
    if (accounts->Users() == 0)
        out.Note("vandrel web: " + args.Value("--users") + " has no users yet: add them with 'vandrel web users add " +
                 "NAME --role ROLE --users " + args.Value("--users") + "'");
    return accounts;
}

void Configure(httplib::Server &server, vdweb::Dashboard &d, const Access &access) {
    server.new_task_queue = [] { return new vdweb::ThreadPerConnection; };
    server.set_read_timeout(kTimeoutSeconds);
    server.set_write_timeout(kTimeoutSeconds);
    server.set_keep_alive_timeout(kKeepAliveSeconds);
    // The largest body is a firmware image; JSON bodies are held to less.
    server.set_payload_max_length(vd::kMaxImageBytes);
    server.set_pre_routing_handler(
        [access](const httplib::Request &req, httplib::Response &res) { return vdweb::Guard(access, req, res); });
    // Every answer, errors too: a browser takes each as the type it is sent as.
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"}});
    server.set_error_handler([](const httplib::Request &, httplib::Response &res) {
        if (!res.body.empty()) return;
        vdweb::SendError(res, res.status, res.status == 404   ? "no such page or API"
                                          : res.status == 413 ? "the request is too large"
                                                              : "malformed request");
    });
    server.set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
        vdweb::SendError(res, 500, "the request could not be served");
    });
    vdweb::AddPageRoutes(server, d);
    vdweb::AddFleetRoutes(server, d);
    vdweb::AddDeviceRoutes(server, d);
    vdweb::AddRulesRoutes(server, d);
    vdweb::AddBatchRoutes(server, d);
    vdweb::AddRolloutRoutes(server, d);
    vdweb::AddSessionRoutes(server, d);
    vdweb::AddPrometheusRoutes(server, d);
    if (d.accounts) vdweb::AddLoginRoutes(server, d, vdweb::SecureCookies(access));
}

// A thread per connection, a thousand clients at once: the process is set
// up for many connections before the first.
void FitForManyConnections() {
#if defined(__GLIBC__)
    // A thread per connection would otherwise get an arena of its own.
    mallopt(M_ARENA_MAX, 2);
#endif
    // A thousand clients at once need more descriptors than the usual 1024.
    rlimit files {};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
}

// Opens the fleet database, and starts the devices table from its inventory.
void RestoreTable(const Args &args, const Printer &out, vdweb::Dashboard &d) {
    d.memory.Open(args, out);
    std::vector<vdweb::SeenDevice> known;
    std::string error;
    if (!d.memory.Known(known, error)) out.Note("vandrel web: warning: the devices known before are lost: " + error);
    d.fleet.Restore(known, std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::system_clock::now().time_since_epoch()).count());
}

// --drift-plan FILE and --drift-every SECONDS: the plan checked on a schedule.
bool DriftOf(const Args &args, const Printer &out, vdweb::DriftWatch &drift, int &status) {
    long long every = 0;
    if (!NumberOf(args, out, "--drift-every", 1, 86400, "a number of seconds from 1 to 86400", every, status,
                  vdweb::kDefaultDriftEverySeconds))
        return false;
    if (!args.Has("--drift-plan") && args.Has("--drift-every"))
        return (status = out.Fail("--drift-every needs --drift-plan", 0, kExitUsage)), false;
    if (!args.Has("--drift-plan")) return true;
    std::error_code ec;
    const std::filesystem::path plan = std::filesystem::absolute(args.Value("--drift-plan"), ec);
    if (ec || !std::ifstream(plan))
        return (status = out.Fail("--drift-plan: cannot read " + args.Value("--drift-plan"), 0, kExitUsage)), false;
    drift.Watch(plan.string(), int(every));
    return true;
}

// Searches and serves until Ctrl-C; the exit status.
int Serve(httplib::Server &server, vdweb::Dashboard &dashboard, int every, const Printer &out) {
    vdweb::Searcher searcher(dashboard.fleet, dashboard.counters, dashboard.events, dashboard.memory, every);
    searcher.Start();
    dashboard.drift.Start(dashboard.workers, dashboard.memory, dashboard.events, dashboard.counters);
    CatchInterrupt();
    std::atomic<bool> ended{false};
    std::thread watch([&] {
        while (!Interrupted() && !ended) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        dashboard.events.Stop();
        server.stop();
    });
    const bool served = server.listen_after_bind();
    ended = true;
    watch.join();
    searcher.Stop();
    dashboard.drift.Stop();
    return served && Interrupted() ? kExitInterrupted : out.Fail("the server stopped", 0, kExitFailed);
}

int RunWeb(const Args &args, const Printer &out) {
    std::string host;
    int port = 0;
    if (!ParseListen(args.Value("--listen", kDefaultListen), host, port))
        return out.Fail("--listen takes ADDRESS:PORT, such as 127.0.0.1:8080", 0, kExitUsage);
    long long every = 0;
    int status = 0;
    if (!NumberOf(args, out, "--search-every", 1, 3600, "a number of seconds from 1 to 3600", every, status,
                  kDefaultSearchEverySeconds))
        return status;
    long long forget = 0, most = 0;
    if (!NumberOf(args, out, "--forget-after", 1, 31536000, "a number of seconds from 1 to 31536000", forget, status,
                  vdweb::kDefaultForgetAfterSeconds) ||
        !NumberOf(args, out, "--max-devices", 1, 1000000, "a number from 1 to 1000000", most, status,
                  vdweb::kDefaultMaxDevices))
        return status;
    Access access;
    access.port = port;
    const std::unique_ptr<httplib::Server> server = ServerFor(args, out, host, access, status);
    bool made = false;
    std::unique_ptr<vdweb::Accounts> accounts;
    if (!server) return status;
    if (args.Has("--users") ? !(accounts = AccountsFor(args, out, access, status))
                            : !TokenOf(args, out, access, made, status))
        return status;
    access.accounts = accounts.get();
    FitForManyConnections();
    vdweb::Dashboard dashboard;
    dashboard.accounts = accounts.get();
    dashboard.fleet.ForgetAfter(forget);
    dashboard.fleet.MaxDevices(size_t(most));
    if (!DriftOf(args, out, dashboard.drift, status)) return status;
    RestoreTable(args, out, dashboard);
    Configure(*server, dashboard, access);
    vdweb::Backlog backlog;
    backlog.Watch(*server);
    errno = 0;
    if (!server->bind_to_port(host, port)) {
        // A port in use is most often another dashboard's.
        const std::string why = errno == EADDRINUSE ? ": the port is in use (another vandrel web?)"
                                : errno != 0        ? std::string(": ") + std::strerror(errno)
                                                    : "";
        return out.Fail("cannot listen on " + host + ":" + std::to_string(port) + why, 0, kExitFailed);
    }
    backlog.Widen();
    const std::string url = (access.tls ? "https://" : "http://") +
                            (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
                            std::to_string(port) + "/";
    // A token of the user's own is not repeated where logs keep it.
    out.Note("vandrel web: serving " + url + (access.loopback || !made || accounts ? "" : "?token=" + access.token));
    vdweb::NotifyReady();
    return Serve(*server, dashboard, int(every), out);
}

}  // namespace

std::vector<Command> WebCommands() {
    CommandDef web;
    web.name = "web";
    web.synopsis = "";
    web.summary = "the dashboard: a web page with the devices, their settings and operations";
    web.options = {{"--listen", "ADDR:PORT", "where to serve (default 127.0.0.1:8080)"},
                   InterfaceOption(),
                   {"--token", "TEXT", "the token every request must carry off loopback (default: a new one)"},
                   {"--token-file", "FILE", "the token as the first line of FILE, kept out of the process list"},
                   {"--tls-cert", "FILE", "serve HTTPS with this certificate (PEM, the chain after it)"},
                   {"--tls-key", "FILE", "the certificate's private key (PEM)"},
                   {"--behind-proxy", "RANGES", "a TLS proxy at these addresses (CIDR, comma-separated) serves it"},
                   {"--users", "FILE", "users log in (see 'vandrel web users'), in place of the token"},
                   {"--login-header", "NAME", "behind the proxy, the header in which it names the logged-in user"},
                   {"--session-idle", "SECONDS", "a login unused this long ends (default 1800)"},
                   {"--session-max", "SECONDS", "a login ends this long after it began, however used (default 43200)"},
                   {"--search-every", "SECONDS", "how often the devices table is searched anew (default 10)"},
                   {"--forget-after", "SECONDS", "a device not seen for this long leaves the table (default 3600)"},
                   {"--max-devices", "N", "the most devices the table holds; more are left out (default 100000)"},
                   {"--drift-plan", "FILE", "check whether the devices hold this plan of apply, on a schedule"},
                   {"--drift-every", "SECONDS", "how often the drift plan is checked (default 600)"},
                   {"--db", "PATH", "the fleet database (default: VANDREL_DB, else the service's state folder)"},
                   {"--no-db", "", "run without the fleet database (also VANDREL_DB=off)"}};
    web.details =
        "Serves the dashboard until Ctrl-C. The devices table is filled by a search\n"
        "every --search-every seconds, a broadcast on the local network: run it only\n"
        "where that is fine. On a loopback address anyone on this machine may use it;\n"
        "on any other address every request carries the token, made and printed once\n"
        "at start unless given ('?token=TOKEN' in the address sets a cookie, or the\n"
        "header 'Authorization: Bearer TOKEN'). A token of your own is best given by\n"
        "--token-file or VANDREL_WEB_TOKEN: every local user sees --token in the\n"
        "process list. Device passwords pass through to the devices and are never\n"
        "stored or shown. Off loopback it serves only over TLS: its own (--tls-cert,\n"
        "--tls-key), or a proxy's (--behind-proxy), whose addresses alone it answers.\n"
        "With --users FILE, people log in as the users of FILE, each with a role\n"
        "(viewer, operator, admin; see 'vandrel web users add --help'), on loopback\n"
        "too, and scripts send a user's API token as 'Authorization: Bearer TOKEN'.\n"
        "It remembers the devices and the writes in the fleet database (--db; by\n"
        "default $STATE_DIRECTORY/fleet.db under systemd, else as the tool's): the\n"
        "table starts from it, and GET /api/audit reads the writes. With --drift-plan\n"
        "it runs 'vandrel drift FILE' every --drift-every seconds: the table's drift\n"
        "column, GET /api/drift and the metric vandrel_config_drift show the verdict.\n";
    web.maxPositionals = 0;
    std::vector<Command> all = {{web, RunWeb}};
    for (Command &c : WebUserCommands()) all.push_back(std::move(c));
    return all;
}

}  // namespace vdcli

// The page's own files, embedded in the tool, and /metrics.
#include <cstring>

#include "dashboard.h"
#include "http_json.h"
#include "page_files.h"

namespace vdweb {

namespace {

const char *ContentType(const std::string &path) {
    const auto ends = [&](const char *suffix) {
        const size_t n = std::strlen(suffix);
        return path.size() >= n && path.compare(path.size() - n, n, suffix) == 0;
    };
    if (ends(".html")) return "text/html; charset=utf-8";
    if (ends(".css")) return "text/css; charset=utf-8";
    if (ends(".js")) return "text/javascript; charset=utf-8";
    if (ends(".svg")) return "image/svg+xml";
    return "application/octet-stream";
}

}  // namespace

void AddPageRoutes(httplib::Server &server, Dashboard &d) {
    for (size_t i = 0; i < kPageFileCount; ++i) {
        const PageFile &f = kPageFiles[i];
        const std::string path = std::strcmp(f.path, "/index.html") == 0 ? "/" : f.path;
        server.Get(path, [f](const httplib::Request &, httplib::Response &res) {
            res.set_header("Content-Security-Policy", "default-src 'self'; frame-ancestors 'none'");
            res.set_content(reinterpret_cast<const char *>(f.data), f.size, ContentType(f.path));
        });
    }
    server.Get("/metrics", [&d](const httplib::Request &, httplib::Response &res) {
        auto text = std::make_shared<std::string>(d.counters.Render(d.fleet));
        d.drift.Render(*text);
        d.memory.RenderRollout(*text);
        SendUncompressed(res, text, "text/plain; version=0.0.4; charset=utf-8");
    });
}

}  // namespace vdweb

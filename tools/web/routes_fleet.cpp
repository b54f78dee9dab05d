// The devices table and the operations, as documents and as a stream of
// server-sent events that pushes each change to the page.
#include "dashboard.h"
#include "http_json.h"

namespace vdweb {

namespace {

// A stream sends a comment this often, so that a closed page is noticed.
constexpr int kKeepAliveMs = 15000;

struct StreamState {
    uint64_t generation = 0, devices = ~uint64_t(0);
    std::string operations;
};

bool Send(httplib::DataSink &sink, const std::string &event, const std::string &data) {
    const std::string text = "event: " + event + "\ndata: " + data + "\n\n";
    return sink.write(text.data(), text.size());
}

// Waits for a change and sends it; false ends the stream.
bool Pump(Dashboard &d, StreamState &s, httplib::DataSink &sink) {
    if (s.devices != ~uint64_t(0)) s.generation = d.events.Wait(s.generation, kKeepAliveMs);
    if (d.events.Stopped() || !sink.is_writable()) return false;
    bool sent = false;
    const uint64_t devices = d.fleet.Generation();
    if (devices != s.devices) {
        s.devices = devices;
        // Only the news: the page fetches the table, which a browser reads
        // many times faster than one event of megabytes.
        if (!Send(sink, "devices", std::to_string(devices))) return false;
        sent = true;
    }
    const std::string operations = vdcli::JsonText(vdcli::WithDeviceBytes(d.operations.All()));
    if (operations != s.operations) {
        s.operations = operations;
        if (!Send(sink, "operations", operations)) return false;
        sent = true;
    }
    return sent || sink.write(": still here\n\n", 14);
}

}  // namespace

void AddFleetRoutes(httplib::Server &server, Dashboard &d) {
    server.Get("/api/devices", [&d](const httplib::Request &, httplib::Response &res) {
        SendUncompressed(res, d.fleet.Table(), "application/json");
    });
    server.Get("/api/events", [&d](const httplib::Request &, httplib::Response &res) {
        std::shared_ptr<void> place = d.events.Subscribe();
        if (!place) return SendError(res, 503, "too many event streams are open; try again later");
        res.set_header("Cache-Control", "no-store");
        auto state = std::make_shared<StreamState>();
        res.set_chunked_content_provider("text/event-stream", [&d, state, place](size_t, httplib::DataSink &sink) {
            return Pump(d, *state, sink);
        });
    });
    server.Get("/api/status", [&d](const httplib::Request &, httplib::Response &res) {
        SendJson(res, 200, d.counters.Searches());
    });
    server.Get("/api/operations", [&d](const httplib::Request &, httplib::Response &res) {
        SendJson(res, 200, d.operations.All());
    });
    server.Get(R"(/api/operations/(\d{1,9}))", [&d](const httplib::Request &req, httplib::Response &res) {
        const JsonValue state = d.operations.State(std::stoi(req.matches[1]));
        if (state.is_null()) return SendError(res, 404, "no such operation");
        SendJson(res, 200, state);
    });
}

}  // namespace vdweb

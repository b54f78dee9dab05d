// The devices table and the operations, as documents and as a stream of
// server-sent events that pushes each change to the page.
#include "dashboard.h"
#include "http_json.h"
#include "options.h"
#include "time_text.h"

namespace vdweb {

namespace {

// A stream sends a comment this often, so that a closed page is noticed.
constexpr int kKeepAliveMs = 15000;
// The audit rows one answer holds: the newest, by default and at most.
constexpr long long kDefaultAuditRows = 1000, kMaxAuditRows = 10000;

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

// ?device=ADDRESS&since=TIME&limit=N, as 'history --json' answers them;
// only the newest N rows, and "cut" tells whether there were more.
void Audit(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    JsonValue asked = JsonValue::object();
    for (const auto &p : req.params) asked[p.first] = p.second;
    if (!CheckFields(asked, {{"device", Kind::Text}, {"since", Kind::Text}, {"limit", Kind::Text}}, res)) return;
    vdfleet::AuditQuery query;
    const std::string device = req.get_param_value("device"), since = req.get_param_value("since");
    long long limit = kDefaultAuditRows;
    if (req.has_param("limit") && !vdcli::ParseNumber(req.get_param_value("limit"), 1, kMaxAuditRows, limit))
        return SendError(res, 400, "limit= takes a number from 1 to " + std::to_string(kMaxAuditRows));
    query.limit = size_t(limit) + 1;
    if (!device.empty() && !IsAddress(device)) return SendError(res, 400, "device= takes an IP or MAC address");
    if (!device.empty()) query.device = TableAddress(device);
    if (!since.empty() && !vdcli::ParseSince(since, vdfleet::Now(), query.since))
        return SendError(res, 400, "since= takes 30m, 2h, 7d or a UTC date such as 2026-12-07T07:30");
    std::vector<vdfleet::AuditRow> rows;
    std::string error;
    if (!d.memory.Audit(query, rows, error)) return SendError(res, d.memory.On() ? 500 : 404, error);
    const bool cut = rows.size() > size_t(limit);
    if (cut) rows.erase(rows.begin());
    JsonValue writes = JsonValue::array();
    for (const vdfleet::AuditRow &r : rows)
        writes.push_back({{"time", vdcli::IsoTime(r.time)}, {"actor", r.actor}, {"channel", r.channel},
                          {"device", r.device}, {"mac", r.mac}, {"key", r.key}, {"before", r.before},
                          {"after", r.after}, {"confirmed", r.confirmed}, {"operation", r.operation}});
    // The rows hold device texts as their bytes, which JsonText spells.
    res.set_content(vdcli::JsonText(JsonValue::object({{"writes", writes}, {"cut", cut}})), "application/json");
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
    server.Get("/api/audit", [&d](const httplib::Request &req, httplib::Response &res) { Audit(d, req, res); });
    server.Get("/api/drift", [&d](const httplib::Request &, httplib::Response &res) {
        SendJson(res, 200, d.drift.State());
    });
}

}  // namespace vdweb

// Prometheus's conventions beyond /metrics: the multi-target exporter's
// /probe, which reads one device when Prometheus scrapes it, and HTTP
// service discovery (/sd), which lists the devices the searches found as
// targets for it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "commands.h"
#include "dashboard.h"
#include "device_batch.h"
#include "http_json.h"

namespace vdweb {

namespace {

// Prometheus's default scrape timeout, when the header does not give one.
constexpr double kDefaultScrapeSeconds = 10;
// Left of the scrape's time for the answer to reach Prometheus.
constexpr double kAnswerMarginSeconds = 0.5;
constexpr double kLeastProbeSeconds = 0.5;

// How long the device's read may take: the scrape's timeout less a margin.
int ProbeLimitMs(const httplib::Request &req) {
    const std::string header = req.get_header_value("X-Prometheus-Scrape-Timeout-Seconds");
    char *rest = nullptr;
    double seconds = std::strtod(header.c_str(), &rest);
    if (header.empty() || *rest || !(seconds > 0)) seconds = kDefaultScrapeSeconds;
    seconds = std::max(seconds - kAnswerMarginSeconds, kLeastProbeSeconds);
    seconds = std::min(seconds, vdcli::kItemDeadlineMs / 1000.0);
    return int(seconds * 1000);
}

void Gauge(std::string &out, const char *name, const char *help, const std::string &value) {
    AppendFamily(out, name, "gauge", help);
    out += std::string(name) + " " + value + "\n";
}

// The probe's answer: whether the read succeeded, how long it took, and
// the device as it answered.
std::string ProbeMetrics(const ToolReply &r, double seconds, const std::string &family, const std::string &version) {
    std::string out;
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", seconds);
    Gauge(out, "probe_success", "1 when the device answered a read of its settings, else 0", r.status == 0 ? "1" : "0");
    Gauge(out, "probe_duration_seconds", "how long the probe took", duration);
    if (r.status != 0) return out;
    const JsonValue settings = r.doc.value("settings", JsonValue::object());
    const JsonValue name = settings.is_object() ? settings.value("NAME", JsonValue()) : JsonValue();
    AppendFamily(out, "vandrel_probe_device_info", "gauge",
                 "the probed device's type, family, version and name (always 1)");
    out += "vandrel_probe_device_info{type=\"" + std::to_string(r.doc.value("type", 0)) + "\",family=\"" + family +
           "\",version=\"";
    AppendLabelValue(out, version);
    out += "\",name=\"";
    AppendLabelValue(out, name.is_string() ? name.get<std::string>() : "");
    out += "\"} 1\n";
    Gauge(out, "vandrel_probe_settings", "how many settings the read gave", std::to_string(settings.size()));
    return out;
}

void Probe(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    const std::string target = req.get_param_value("target");
    if (!IsAddress(target)) return SendError(res, 400, "target= takes a device's IP address or MAC");
    // A family A device is addressed by IP, a family B device by MAC.
    const std::string family = target.find(':') == std::string::npos ? "a" : "b";
    const std::string module = req.get_param_value("module");
    if (!module.empty() && module != "family_a" && module != "family_b")
        return SendError(res, 400, "module= is family_a or family_b");
    if (!module.empty() && module != "family_" + family)
        return SendError(res, 400, "module " + module + " probes devices by " + (family == "a" ? "MAC" : "IP") +
                                       ": the target's address says family " + (family == "a" ? "A" : "B"));
    std::vector<std::string> words = {"show", target};
    if (const int type = d.fleet.TypeOf(target)) words.insert(words.end(), {"--type", std::to_string(type)});
    const auto started = std::chrono::steady_clock::now();
    // Read in this process, in a place of the workers', as the device view reads.
    vdcli::Hosted hosted;
    hosted.limitMs = ProbeLimitMs(req);
    const ToolReply r = RunHere(d.workers, d.memory.Recorded(words, ""), hosted);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    d.counters.Operation("probe", r.status == 0 ? "ok" : "failed");
    if (r.status == 0) d.fleet.NoteName(target, r.doc);
    SendUncompressed(res,
                     std::make_shared<const std::string>(
                         ProbeMetrics(r, took.count(), family == "a" ? "A" : "B", d.fleet.VersionOf(target))),
                     "text/plain; version=0.0.4; charset=utf-8");
}

// A device's text as a label's value: cut and spelled as in /metrics (a
// byte outside UTF-8 as the character that stands for it), so that the
// labels of both match; the JSON writer escapes it.
std::string Label(const std::string &text) { return text.substr(0, LabelLength(text)); }

// One target group per device: its labels are its own.
std::string Targets(const Fleet &fleet) {
    JsonValue groups = JsonValue::array();
    fleet.ForEach([&](const SeenDevice &device) {
        const bool byMac = device.family == "B";
        groups.push_back({{"targets", {byMac ? device.mac : device.ip}},
                          {"labels",
                           {{"type", std::to_string(device.type)},
                            {"family", Label(device.family)},
                            {"version", Label(device.version)},
                            {"name", Label(device.name)}}}});
    });
    return groups.dump(-1, ' ', false, JsonValue::error_handler_t::replace);
}

}  // namespace

void AddPrometheusRoutes(httplib::Server &server, Dashboard &d) {
    server.Get("/probe", [&d](const httplib::Request &req, httplib::Response &res) { Probe(d, req, res); });
    server.Get("/sd", [&d](const httplib::Request &, httplib::Response &res) {
        SendUncompressed(res, std::make_shared<const std::string>(Targets(d.fleet)), "application/json");
    });
}

}  // namespace vdweb

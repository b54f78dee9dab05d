#include "metrics.h"

#include <cstdio>

namespace vdweb {

namespace {

std::string Escaped(const std::string &value) {
    std::string out;
    for (char c : value) {
        if (c == '\\' || c == '"') out += '\\';
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return out;
}

void Family(std::string &out, const char *name, const char *type, const char *help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

std::string DeviceLabels(const SeenDevice &d) {
    return "ip=\"" + Escaped(d.ip) + "\",mac=\"" + Escaped(d.mac) + "\",type=\"" + std::to_string(d.type) +
           "\",family=\"" + Escaped(d.family) + "\"";
}

}  // namespace

void Counters::Searched(double seconds, int64_t endMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_searches;
    m_lastSearchSeconds = seconds;
    m_lastSearchEndMs = endMs;
}

JsonValue Counters::Searches() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return {{"searches", m_searches}, {"last_search_seconds", m_lastSearchSeconds}, {"last_search_end_ms", m_lastSearchEndMs}};
}

void Counters::Operation(const std::string &kind, const std::string &result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_operations[{kind, result}];
}

std::string Counters::Render(const Fleet &fleet) const {
    // One text, written in three passes over the fleet: three texts joined
    // would hold a crowd's metrics twice.
    std::string out;
    Family(out, "vandrel_device_up", "gauge", "1 when the device answered the latest searches, else 0");
    fleet.ForEach([&](const SeenDevice &d) {
        out += "vandrel_device_up{" + DeviceLabels(d) + "} " + (d.Online() ? "1\n" : "0\n");
    });
    Family(out, "vandrel_device_info", "gauge", "the device's version and name (always 1)");
    fleet.ForEach([&](const SeenDevice &d) {
        out += "vandrel_device_info{" + DeviceLabels(d) + ",version=\"" + Escaped(d.version) + "\",name=\"" +
               Escaped(d.name) + "\"} 1\n";
    });
    Family(out, "vandrel_device_last_seen_timestamp_seconds", "gauge", "when the device last answered a search");
    fleet.ForEach([&](const SeenDevice &d) {
        out += "vandrel_device_last_seen_timestamp_seconds{" + DeviceLabels(d) + "} " + std::to_string(d.lastSeen) + "\n";
    });
    std::lock_guard<std::mutex> lock(m_mutex);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", m_lastSearchSeconds);
    Family(out, "vandrel_search_duration_seconds", "gauge", "how long the latest search took");
    out += std::string("vandrel_search_duration_seconds ") + seconds + "\n";
    Family(out, "vandrel_searches_total", "counter", "searches sent since the start");
    out += "vandrel_searches_total " + std::to_string(m_searches) + "\n";
    Family(out, "vandrel_operations_total", "counter", "operations on devices, by kind and result");
    for (const auto &o : m_operations)
        out += "vandrel_operations_total{kind=\"" + Escaped(o.first.first) + "\",result=\"" + Escaped(o.first.second) +
               "\"} " + std::to_string(o.second) + "\n";
    return out;
}

}  // namespace vdweb

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

std::string Text(const JsonValue &d, const char *key) {
    if (!d.contains(key)) return "";
    return d[key].is_string() ? d[key].get<std::string>() : d[key].dump();
}

void Family(std::string &out, const char *name, const char *type, const char *help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

std::string DeviceLabels(const SeenDevice &d) {
    return "ip=\"" + Escaped(Text(d.answer, "ip")) + "\",mac=\"" + Escaped(Text(d.answer, "mac")) + "\",type=\"" +
           Escaped(Text(d.answer, "type")) + "\",family=\"" + Escaped(Text(d.answer, "family")) + "\"";
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
    std::string up, info, seen;
    Family(up, "vandrel_device_up", "gauge", "1 when the device answered the latest searches, else 0");
    Family(info, "vandrel_device_info", "gauge", "the device's version and name (always 1)");
    Family(seen, "vandrel_device_last_seen_timestamp_seconds", "gauge", "when the device last answered a search");
    fleet.ForEach([&](const SeenDevice &d) {
        const std::string labels = DeviceLabels(d);
        up += "vandrel_device_up{" + labels + "} " + (d.Online() ? "1\n" : "0\n");
        info += "vandrel_device_info{" + labels + ",version=\"" + Escaped(Text(d.answer, "version")) + "\",name=\"" +
                Escaped(d.name) + "\"} 1\n";
        seen += "vandrel_device_last_seen_timestamp_seconds{" + labels + "} " + std::to_string(d.lastSeen) + "\n";
    });
    std::string out = up + info + seen;
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

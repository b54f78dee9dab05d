#include "metrics.h"

#include <cstdio>

namespace vdweb {

size_t LabelLength(const std::string &value) {
    if (value.size() <= kMaxLabelBytes) return value.size();
    size_t n = kMaxLabelBytes;
    while (n > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80) --n;
    return n;
}

void AppendLabelValue(std::string &out, const std::string &value) {
    const size_t length = LabelLength(value);
    for (size_t i = 0; i < length; ++i) {
        const char c = value[i];
        if (c == '\\' || c == '"') out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
}

void AppendFamily(std::string &out, const char *name, const char *type, const char *help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

namespace {

// name{ip="...",mac="...",type="...",family="..." with the brace left open.
void AppendDevice(std::string &out, const char *name, const SeenDevice &d) {
    out += name;
    out += "{ip=\"";
    AppendLabelValue(out, d.ip);
    out += "\",mac=\"";
    AppendLabelValue(out, d.mac);
    out += "\",type=\"";
    out += std::to_string(d.type);
    out += "\",family=\"";
    AppendLabelValue(out, d.family);
    out += '"';
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

void Counters::Wire(const JsonValue &wire) {
    if (!wire.is_object()) return;
    const auto count = [&](const char *key) {
        const auto it = wire.find(key);
        return it != wire.end() && it->is_number_unsigned() ? it->get<uint64_t>() : uint64_t(0);
    };
    const uint64_t resent = count("resent"), duplicates = count("duplicates");
    std::lock_guard<std::mutex> lock(m_mutex);
    m_resent += resent;
    m_duplicates += duplicates;
}

std::string Counters::Render(const Fleet &fleet) const {
    // One text, written in three passes over the fleet: three texts joined
    // would hold a crowd's metrics twice.
    std::string out;
    AppendFamily(out, "vandrel_device_up", "gauge", "1 when the device answered the latest searches, else 0");
    fleet.ForEach([&](const SeenDevice &d) {
        AppendDevice(out, "vandrel_device_up", d);
        out += d.Online() ? "} 1\n" : "} 0\n";
    });
    AppendFamily(out, "vandrel_device_info", "gauge", "the device's version and name (always 1)");
    fleet.ForEach([&](const SeenDevice &d) {
        AppendDevice(out, "vandrel_device_info", d);
        out += ",version=\"";
        AppendLabelValue(out, d.version);
        out += "\",name=\"";
        AppendLabelValue(out, d.name);
        out += "\"} 1\n";
    });
    AppendFamily(out, "vandrel_device_last_seen_timestamp_seconds", "gauge", "when the device last answered a search");
    fleet.ForEach([&](const SeenDevice &d) {
        AppendDevice(out, "vandrel_device_last_seen_timestamp_seconds", d);
        out += "} ";
        out += std::to_string(d.lastSeen);
        out += '\n';
    });
    AppendFamily(out, "vandrel_devices_dropped_total", "counter",
           "new devices a search found while the table was full, left out");
    out += "vandrel_devices_dropped_total " + std::to_string(fleet.Dropped()) + "\n";
    std::lock_guard<std::mutex> lock(m_mutex);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", m_lastSearchSeconds);
    AppendFamily(out, "vandrel_search_duration_seconds", "gauge", "how long the latest search took");
    out += std::string("vandrel_search_duration_seconds ") + seconds + "\n";
    AppendFamily(out, "vandrel_searches_total", "counter", "searches sent since the start");
    out += "vandrel_searches_total " + std::to_string(m_searches) + "\n";
    AppendFamily(out, "vandrel_operations_total", "counter", "operations on devices, by kind and result");
    for (const auto &o : m_operations) {
        out += "vandrel_operations_total{kind=\"";
        AppendLabelValue(out, o.first.first);
        out += "\",result=\"";
        AppendLabelValue(out, o.first.second);
        out += "\"} " + std::to_string(o.second) + "\n";
    }
    AppendFamily(out, "vandrel_requests_resent_total", "counter",
                 "requests the bulk operations and drift checks sent a device again, its answer not having come");
    out += "vandrel_requests_resent_total " + std::to_string(m_resent) + "\n";
    AppendFamily(out, "vandrel_duplicate_replies_total", "counter",
                 "answers the bulk operations and drift checks heard again, adding nothing");
    out += "vandrel_duplicate_replies_total " + std::to_string(m_duplicates) + "\n";
    return out;
}

}  // namespace vdweb

// What the dashboard counts, and /metrics: the devices and the searches and
// operations, in the Prometheus text format.
#ifndef VANDREL_WEB_METRICS_H
#define VANDREL_WEB_METRICS_H

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "fleet.h"

namespace vdweb {

// How much of a device's text goes in a label: kMaxLabelBytes, cut before
// a character that would not fit whole.
size_t LabelLength(const std::string &value);
// The value, so cut, escaped for the text format (appended in place: a
// crowd's metrics are a few megabytes of short pieces).
void AppendLabelValue(std::string &out, const std::string &value);
// A metric's HELP and TYPE lines.
void AppendFamily(std::string &out, const char *name, const char *type, const char *help);

class Counters {
public:
    // A search took seconds and ended at endMs (Unix time, milliseconds).
    void Searched(double seconds, int64_t endMs);
    // {"searches", "last_search_seconds", "last_search_end_ms"}.
    JsonValue Searches() const;
    // One operation on one device: kind ("set", "apply", "restart", ...) and
    // its result ("ok", "failed", "refused", ...).
    void Operation(const std::string &kind, const std::string &result);
    // What the wire made the dashboard's fleet operations do twice: requests
    // sent again and answers heard again.
    // wire is {"resent": N, "duplicates": M}, as a fleet of the tool gives it.
    void Wire(const JsonValue &wire);
    std::string Render(const Fleet &fleet) const;

private:
    mutable std::mutex m_mutex;
    uint64_t m_searches = 0;
    double m_lastSearchSeconds = 0;
    int64_t m_lastSearchEndMs = 0;
    std::map<std::pair<std::string, std::string>, uint64_t> m_operations;
    uint64_t m_resent = 0;
    uint64_t m_duplicates = 0;
};

}  // namespace vdweb

#endif

#include "fleet.h"

#include <set>

namespace vdweb {

namespace {

std::string Text(const JsonValue &d, const char *key) {
    return d.contains(key) && d[key].is_string() ? d[key].get<std::string>() : "";
}

int Number(const JsonValue &d, const char *key) {
    return d.contains(key) && d[key].is_number_integer() ? d[key].get<int>() : 0;
}

// MAC addresses are compared as the tool prints them, in capitals.
std::string Upper(std::string text) {
    for (char &c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

void Fleet::Update(const JsonValue &found, int64_t now) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::set<std::string> answered;
    if (found.is_array())
        for (const JsonValue &d : found) {
            if (!d.is_object()) continue;
            const std::string key = Text(d, "ip") + " " + Text(d, "mac");
            SeenDevice &seen = m_devices[key];
            seen.ip = Text(d, "ip");
            seen.mac = Text(d, "mac");
            seen.family = Text(d, "family");
            seen.version = Text(d, "version");
            seen.type = Number(d, "type");
            seen.code2 = Number(d, "code2");
            seen.port = Number(d, "port");
            seen.lastSeen = now;
            seen.missed = 0;
            answered.insert(key);
        }
    for (auto &d : m_devices)
        if (!answered.count(d.first)) ++d.second.missed;
    ++m_generation;
    m_table.reset();
}

const SeenDevice *Fleet::FindLocked(const std::string &address) const {
    const std::string wanted = Upper(address);
    for (const auto &d : m_devices)
        if (d.second.ip == address || Upper(d.second.mac) == wanted) return &d.second;
    return nullptr;
}

void Fleet::SetName(const std::string &address, const std::string &name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    SeenDevice *d = const_cast<SeenDevice *>(FindLocked(address));
    if (!d || d->name == name) return;
    d->name = name;
    ++m_generation;
    m_table.reset();
}

int Fleet::TypeOf(const std::string &address) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const SeenDevice *d = FindLocked(address);
    return d ? d->type : 0;
}

std::string Fleet::VersionOf(const std::string &address) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const SeenDevice *d = FindLocked(address);
    return d ? d->version : "";
}

std::shared_ptr<const std::string> Fleet::Table() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_table) return m_table;
    // Written row by row: the whole table as one JSON value would take
    // many times the text's memory.
    std::string text = "[";
    for (const auto &d : m_devices) {
        const SeenDevice &s = d.second;
        const JsonValue row = {{"ip", s.ip}, {"mac", s.mac}, {"type", s.type}, {"family", s.family},
                               {"version", s.version}, {"code2", s.code2}, {"port", s.port}, {"name", s.name},
                               {"last_seen", s.lastSeen}, {"online", s.Online()}};
        text += (text.size() > 1 ? "," : "") + row.dump(-1, ' ', false, JsonValue::error_handler_t::replace);
    }
    m_table = std::make_shared<const std::string>(text + "]");
    return m_table;
}

uint64_t Fleet::Generation() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

}  // namespace vdweb

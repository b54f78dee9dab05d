#include "fleet.h"

#include <set>

namespace vdweb {

namespace {

std::string Text(const JsonValue &d, const char *key) {
    return d.contains(key) && d[key].is_string() ? d[key].get<std::string>() : "";
}

std::string KeyOf(const JsonValue &d) { return Text(d, "ip") + " " + Text(d, "mac"); }

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
            const std::string key = KeyOf(d);
            SeenDevice &seen = m_devices[key];
            seen.answer = d;
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
        if (Text(d.second.answer, "ip") == address || Upper(Text(d.second.answer, "mac")) == wanted) return &d.second;
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
    const JsonValue d = Find(address);
    return d.contains("type") && d["type"].is_number_integer() ? d["type"].get<int>() : 0;
}

JsonValue Fleet::Find(const std::string &address) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const SeenDevice *d = FindLocked(address);
    return d ? d->answer : JsonValue();
}

std::shared_ptr<const std::string> Fleet::Table() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_table) return m_table;
    JsonValue list = JsonValue::array();
    for (const auto &d : m_devices) {
        JsonValue row = d.second.answer;
        row["name"] = d.second.name;
        row["last_seen"] = d.second.lastSeen;
        row["online"] = d.second.Online();
        list.push_back(std::move(row));
    }
    m_table = std::make_shared<const std::string>(list.dump(-1, ' ', false, JsonValue::error_handler_t::replace));
    return m_table;
}

uint64_t Fleet::Generation() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

}  // namespace vdweb

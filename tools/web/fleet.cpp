#include "fleet.h"

#include <iterator>
#include <utility>

#include "device.h"

namespace vdweb {

namespace {

std::string Text(const JsonValue &d, const char *key) {
    return d.contains(key) && d[key].is_string() ? d[key].get<std::string>() : "";
}

int Number(const JsonValue &d, const char *key) {
    return d.contains(key) && d[key].is_number_integer() ? d[key].get<int>() : 0;
}

// A text of the tool's answers as a JSON string, as SendJson writes it.
std::string Quoted(const std::string &text) {
    return vdcli::JsonText(JsonValue(vdcli::DeviceBytes(text)));
}

// MAC addresses are compared as the tool prints them, in capitals.
std::string Upper(std::string text) {
    for (char &c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

void Fleet::Update(const JsonValue &found, int64_t now) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_generation;
    if (found.is_array())
        for (const JsonValue &d : found) {
            if (!d.is_object()) continue;
            const std::string key = Text(d, "ip") + " " + Text(d, "mac");
            auto it = m_devices.find(key);
            if (it == m_devices.end()) {
                if (m_devices.size() >= m_maxDevices) {
                    ++m_dropped;
                    continue;
                }
                it = m_devices.emplace(key, SeenDevice()).first;
            }
            SeenDevice &seen = it->second;
            seen.ip = Text(d, "ip");
            seen.mac = Text(d, "mac");
            seen.family = Text(d, "family");
            seen.version = Text(d, "version");
            seen.type = Number(d, "type");
            seen.code2 = Number(d, "code2");
            seen.port = Number(d, "port");
            seen.lastSeen = now;
            seen.answered = m_generation;
        }
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        SeenDevice &d = it->second;
        d.missed = d.answered == m_generation ? 0 : d.missed + 1;
        it = now - d.lastSeen > m_forgetAfter ? m_devices.erase(it) : std::next(it);
    }
    m_table.reset();
}

void Fleet::Restore(const std::vector<SeenDevice> &known, int64_t now) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (SeenDevice d : known) {
        if (now - d.lastSeen > m_forgetAfter || m_devices.size() >= m_maxDevices) continue;
        d.missed = kMissedForOffline;
        m_devices.emplace(d.ip + " " + d.mac, d);
    }
    ++m_generation;
    m_table.reset();
}

uint64_t Fleet::Dropped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
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

void Fleet::NoteName(const std::string &address, const JsonValue &doc) {
    if (doc.contains("settings") && doc["settings"].contains("NAME") && doc["settings"]["NAME"].is_string())
        SetName(address, doc["settings"]["NAME"].get<std::string>());
    if (doc.contains("changes") && doc["changes"].is_array())
        for (const JsonValue &c : doc["changes"])
            // A name the device cut is read back as "stored as ...".
            if (c.value("key", "") == "NAME" && c.value("result", "").compare(0, 6, "stored") == 0)
                SetName(address, c.value("stored", c.value("to", "")));
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

bool Fleet::Find(const std::string &address, SeenDevice &out) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const SeenDevice *d = FindLocked(address);
    if (d) out = *d;
    return d != nullptr;
}

std::shared_ptr<const std::string> Fleet::Table() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_table) return m_table;
    // Written row by row: the whole table as one JSON value would take many
    // times the text's memory.
    std::string text = "[";
    for (const auto &d : m_devices) {
        const SeenDevice &s = d.second;
        text += (text.size() > 1 ? ",{\"ip\":" : "{\"ip\":") + Quoted(s.ip) + ",\"mac\":" + Quoted(s.mac) +
                ",\"type\":" + std::to_string(s.type) + ",\"type_text\":" + Quoted(vdcli::DescribeType(s.type)) +
                ",\"family\":" + Quoted(s.family) + ",\"version\":" +
                Quoted(s.version) + ",\"code2\":" + std::to_string(s.code2) + ",\"port\":" + std::to_string(s.port) +
                ",\"name\":" + Quoted(s.name) + ",\"last_seen\":" + std::to_string(s.lastSeen) +
                ",\"online\":" + (s.Online() ? "true}" : "false}");
    }
    text += "]";
    m_table = std::make_shared<const std::string>(std::move(text));
    return m_table;
}

uint64_t Fleet::Generation() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

}  // namespace vdweb

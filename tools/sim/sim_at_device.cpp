#include "sim_at_device.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "sim_stream_server.h"

namespace vdsim {

namespace {

const char kOk[] = "\r\nOK\r\n";
const char kError[] = "\r\nERROR\r\n";
const char kCommandInvalid[] = "\r\n0_Command Invalid\r\n";
const char kNoLogin[] = "\r\n1_No Lgin\r\n";
const char kPasswordError[] = "\r\n2_Password Error\r\n";
const char kFormatError[] = "\r\n3_Parameter Format Error\r\n";
const char kNumberError[] = "\r\n4_Parameter Number Error\r\n";

bool IsHexKey(const std::string &key) {
    return key.find("_D1") != std::string::npos || key.find("_D2") != std::string::npos;
}

bool AllOf(const std::string &text, const char *set) {
    return !text.empty() && text.find_first_not_of(set) == std::string::npos;
}

std::vector<std::string> Fields(const std::string &text) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// What a write must look like: as many comma-separated fields as the value
// it replaces, numbers where it holds numbers, hex text for the hex keys.
const char *CheckWrite(const std::string &key, const std::string &old, const std::string &value) {
    const std::vector<std::string> was = Fields(old), now = Fields(value);
    if (was.size() != now.size()) return kNumberError;
    if (IsHexKey(key)) {
        const bool hex = value.compare(0, 2, "0x") == 0 && AllOf(value.substr(2), "0123456789abcdefABCDEF");
        return hex || value == "invalid" ? nullptr : kFormatError;
    }
    for (size_t i = 0; i < was.size(); ++i)
        if (AllOf(was[i], "0123456789") && !AllOf(now[i], "0123456789")) return kFormatError;
    return nullptr;
}

}  // namespace

AtDevice::AtDevice(AtDeviceSettings settings) : m_settings(std::move(settings)) {}

bool AtDevice::Start() {
    return m_service.Start(m_settings.address, m_settings.port,
                           [this](int listener, const std::atomic<bool> &stopping) { Serve(listener, stopping); });
}

void AtDevice::Stop() { m_service.Stop(); }

void AtDevice::Serve(int listener, const std::atomic<bool> &stopping) {
    StreamHandlers handlers;
    handlers.onAccept = [this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.clear();
        m_loggedIn = false;
        ++m_connections;
    };
    handlers.onBytes = [this](int client, const uint8_t *data, size_t len) {
        return OnBytes(client, reinterpret_cast<const char *>(data), len);
    };
    ServeOneClientAtATime(listener, stopping, handlers);
}

bool AtDevice::OnBytes(int client, const char *data, size_t len) {
    std::string answers;
    bool close = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.append(data, len);
        for (size_t end; !close && (end = m_pending.find("\r\n")) != std::string::npos;) {
            const std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 2);
            m_lines.push_back(line);
            if (m_hasRawAnswer) {
                m_hasRawAnswer = false;
                answers += m_rawAnswer;
            } else if (!m_silent) {
                answers += Answer(line, close);
            }
        }
    }
    // Each line is answered as it comes; answers to lines of one read leave
    // together, as the device's do.
    if (!answers.empty()) Send(client, answers);
    return close;
}

void AtDevice::Send(int client, const std::string &answer) {
    bool split;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        split = m_split;
    }
    const auto *bytes = reinterpret_cast<const uint8_t *>(answer.data());
    if (!split || answer.size() < 2) {
        SendAll(client, bytes, answer.size());
        return;
    }
    const size_t half = answer.size() / 2;
    SendAll(client, bytes, half);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    SendAll(client, bytes + half, answer.size() - half);
}

std::string AtDevice::Answer(const std::string &line, bool &close) {
    if (line == "AT") return m_loggedIn ? kOk : kError;
    if (line.compare(0, 3, "AT+") != 0) return kCommandInvalid;
    const std::string body = line.substr(3);
    const size_t eq = body.find('=');
    const bool query = eq == std::string::npos && !body.empty() && body.back() == '?';
    const std::string name = eq != std::string::npos ? body.substr(0, eq)
                             : query                 ? body.substr(0, body.size() - 1)
                                                     : body;
    const std::string value = eq != std::string::npos ? body.substr(eq + 1) : std::string();

    if (name == "MODE" || name == "ECHO") return kOk;
    if (name == "LOGIN") {
        m_loggedIn = value == m_settings.password;
        return m_loggedIn ? kOk : kPasswordError;
    }
    if (name == "RESET") {
        if (value != m_settings.password) return kPasswordError;
        close = true;  // the device restarts
        return kOk;
    }
    if (name == "EXIT" && !query && eq == std::string::npos) {
        close = true;
        return kOk;
    }
    return Setting(name, eq != std::string::npos ? &value : nullptr, query);
}

std::string AtDevice::Setting(const std::string &name, const std::string *value, bool query) {
    if (!query && !value) return kCommandInvalid;
    if (!m_loggedIn) return kNoLogin;
    const auto it = m_settings.values.find(name);
    if (it == m_settings.values.end()) return kCommandInvalid;
    if (query) return "\r\n+" + name + ":\"" + it->second + "\"\r\n" + kOk;
    if (const char *error = CheckWrite(name, it->second, *value)) return error;
    it->second = *value;
    return kOk;
}

void AtDevice::SetSilent(bool silent) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silent = silent;
}

void AtDevice::SetSplitReplies(bool split) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_split = split;
}

void AtDevice::ForgetLogin() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_loggedIn = false;
}

void AtDevice::AnswerNextLineWith(std::string raw) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hasRawAnswer = true;
    m_rawAnswer = std::move(raw);
}

std::vector<std::string> AtDevice::Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool AtDevice::WaitForLines(size_t count, int timeoutMs) const {
    for (int waited = 0;; waited += 10) {
        if (Lines().size() >= count) return true;
        if (waited >= timeoutMs) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string AtDevice::Value(const std::string &key) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_settings.values.find(key);
    return it == m_settings.values.end() ? std::string() : it->second;
}

int AtDevice::Connections() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections;
}

}  // namespace vdsim

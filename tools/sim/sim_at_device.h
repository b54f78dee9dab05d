// A simulated device that is configured over TCP with AT-style text commands:
// log in with its password, read and write its settings one key at a time,
// reset it or end the session. Answers as the real device does, including
// its numbered error texts, and can be made silent or split its answers.
#ifndef VANDREL_SIM_SIM_AT_DEVICE_H
#define VANDREL_SIM_SIM_AT_DEVICE_H

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim_net.h"

namespace vdsim {

struct AtDeviceSettings {
    std::string address = "127.0.0.1";
    uint16_t port = 8800;
    std::string password;
    // Settings as the device answers them; keys holding "_D1" or "_D2" keep
    // their values as hex text ("0x1A") or "invalid".
    std::map<std::string, std::string> values;
};

class AtDevice {
public:
    explicit AtDevice(AtDeviceSettings settings);
    ~AtDevice() { Stop(); }
    AtDevice(const AtDevice &) = delete;
    AtDevice &operator=(const AtDevice &) = delete;

    // Listens on address:port and serves one connection at a time (a new one
    // replaces the old). False when the port cannot be opened.
    bool Start();
    void Stop();

    // Silent: lines are recorded but neither answered nor carried out.
    void SetSilent(bool silent);
    // Each answer goes out in two segments, the second 30 ms after the first.
    void SetSplitReplies(bool split);
    // Drops the login of the current connection, as a device-side time-out.
    void ForgetLogin();
    // The next line is recorded but not carried out, and answered with
    // these bytes as they are.
    void AnswerNextLineWith(std::string raw);

    // Every line received, without its "\r\n", in order.
    std::vector<std::string> Lines() const;
    bool WaitForLines(size_t count, int timeoutMs) const;
    std::string Value(const std::string &key) const;
    int Connections() const;

private:
    void Serve(int listener, const std::atomic<bool> &stopping);
    // Records and answers the complete lines; true when the device closes
    // the connection after them.
    bool OnBytes(int client, const char *data, size_t len);
    // The answer to one line ("" for none); may ask for the connection to
    // be closed after it.
    std::string Answer(const std::string &line, bool &close);
    std::string Setting(const std::string &name, const std::string *value, bool query);
    void Send(int client, const std::string &answer);

    AtDeviceSettings m_settings;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::string m_pending;
    bool m_loggedIn = false;
    bool m_silent = false;
    bool m_split = false;
    bool m_hasRawAnswer = false;
    std::string m_rawAnswer;
    int m_connections = 0;
    TcpService m_service;
};

}  // namespace vdsim

#endif

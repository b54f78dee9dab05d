// AtSession: logs into one family B device over TCP and reads and writes its
// settings with AT-style text commands.
#ifndef VANDREL_AT_SESSION_AT_SESSION_H
#define VANDREL_AT_SESSION_AT_SESSION_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "at_session/at_reply.h"
#include "base/device_text.h"
#include "net/client_socket.h"

namespace vd {

class AtSession {
public:
    // Results are the export codes: 1, 0 and 101 to 108.
    int Login(int type, const char *host, uint32_t port, const char *password);
    // value has room for valueCap bytes.
    int GetValue(const char *key, char *value, size_t valueCap);
    // value is rewritten in place for "_D1"/"_D2" keys; it has room for
    // valueCap bytes.
    int SetValue(const char *key, char *value, size_t valueCap);
    int Reset();
    int Exit();

private:
    int SendCommand(const std::string &text);
    int ReadReply(char *value, size_t valueCap);
    LoginAnswer WaitForLoginAnswer(int timeoutMs);

    char m_password[kPasswordRoom] = {};
    net::ClientSocket m_connection;
};

}  // namespace vd

#endif

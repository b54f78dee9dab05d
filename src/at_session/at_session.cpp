#include "at_session/at_session.h"

#include <algorithm>

#include "at_session/at_hex_value.h"
#include "at_session/at_reply.h"
#include "codec/codec.h"
#include "base/sleep.h"
#include "vandrel.h"

namespace vd {

namespace {

// Login, read and write lines are built for a 204-byte line buffer (the
// terminator included); a longer line is not sent rather than cut, because a
// cut line would lose its "\r\n" and leave the device waiting.
constexpr size_t kLineRoom = 204;
constexpr int kLoginWaitMs = 4000;
constexpr int kLoginSettleMs = 500;
constexpr int kReplyWaitMs = 2000;
constexpr int kReplyRoom = 200;
constexpr int kLoginReadRoom = 2047;
constexpr int kStepMs = 10;
constexpr int kExitSettleMs = 100;

bool FitsLine(const std::string &line) { return line.size() < kLineRoom; }

// A line break inside a text would end the command early and start another.
bool SafeInLine(const char *text) { return FindControlByte(text) < 0; }

}  // namespace

int AtSession::Login(int type, const char *host, uint32_t port, const char *password) {
    if (!IsFamilyB(static_cast<uint8_t>(type))) return VD_WRONG_FAMILY;
    if (!SafeInLine(password)) return VD_PARAM_FORMAT;
    const std::string login = Format("AT+MODE=0\r\nAT+ECHO=0\r\nAT+LOGIN=%s\r\n", password);
    // Only a password of well over a hundred characters makes the lines too
    // long, and no device has one.
    if (!FitsLine(login)) return VD_WRONG_PASSWORD;
    if (!m_connection.Open(net::SocketType::Stream, host, port)) return VD_NO_CONNECTION;

    // The device answers each of the three lines; the first read holding an
    // "OK" is enough here, the check line below decides.
    SendCommand(login);
    if (WaitForLoginAnswer(kLoginWaitMs) != LoginAnswer::Ok) {
        m_connection.Disconnect();
        return VD_TIMEOUT;
    }
    Sleep(kLoginSettleMs);
    SendCommand("AT\r\n");
    const LoginAnswer check = WaitForLoginAnswer(kLoginWaitMs);
    if (check != LoginAnswer::Ok) {
        m_connection.Disconnect();
        return check == LoginAnswer::Error ? VD_WRONG_PASSWORD : VD_TIMEOUT;
    }
    // Kept for Reset; 19 characters at most, which keeps the reset line
    // within its 32 bytes.
    CopyText(m_password, sizeof m_password, password);
    return VD_OK;
}

int AtSession::GetValue(const char *key, char *value, size_t valueCap) {
    if (!SafeInLine(key)) return VD_PARAM_FORMAT;
    const std::string line = Format("AT+%s?\r\n", key);
    if (!FitsLine(line)) return VD_NOT_SENT;
    if (SendCommand(line) <= 0) {
        m_connection.Disconnect();
        return VD_NOT_SENT;
    }
    const int result = ReadReply(value, valueCap);
    std::string decimal;
    if (result == VD_OK && IsHexKey(key) && HexValueToDecimal(value, decimal))
        CopyText(value, valueCap, decimal);
    return result;
}

int AtSession::SetValue(const char *key, char *value, size_t valueCap) {
    if (!SafeInLine(key) || !SafeInLine(value)) return VD_PARAM_FORMAT;
    std::string hex;
    if (IsHexKey(key) && DecimalValueToHex(value, hex)) CopyText(value, valueCap, hex);
    const std::string line = Format("AT+%s=%s\r\n", key, OrEmpty(value));
    if (!FitsLine(line)) return VD_NOT_SENT;
    if (SendCommand(line) <= 0) {
        m_connection.Disconnect();
        return VD_NOT_SENT;
    }
    return ReadReply(nullptr, 0);
}

int AtSession::Reset() {
    // The device's answer is left queued; the next command's drain drops it.
    if (SendCommand(Format("AT+%s=%s\r\n", "RESET", m_password)) > 0) return VD_OK;
    m_connection.Disconnect();
    return VD_NOT_SENT;
}

int AtSession::Exit() {
    if (SendCommand("AT+EXIT\r\n") > 0) {
        Sleep(kExitSettleMs);
        m_connection.Disconnect();
        return VD_OK;
    }
    m_connection.Disconnect();
    return VD_NOT_SENT;
}

int AtSession::SendCommand(const std::string &text) {
    m_connection.DrainInput(0);
    return m_connection.SendData(text.data(), static_cast<int>(text.size()));
}

// Each read in the wait is judged on its own, as the device sends each answer
// in one piece; a read that says neither is dropped.
LoginAnswer AtSession::WaitForLoginAnswer(int timeoutMs) {
    char read[kLoginReadRoom + 1];
    for (int elapsed = 0;;) {
        const int got = m_connection.ReceiveTimed(read, kLoginReadRoom, nullptr, 0);
        if (got > 0) {
            read[got] = '\0';
            const LoginAnswer answer = JudgeLoginAnswer(read);
            if (answer != LoginAnswer::None) return answer;
        }
        elapsed += kStepMs;
        if (timeoutMs > 0) Sleep(kStepMs);
        if (elapsed >= timeoutMs) return LoginAnswer::None;
    }
}

int AtSession::ReadReply(char *value, size_t valueCap) {
    char buffer[kLineRoom];
    const int got = m_connection.ReceiveTimed(buffer, kReplyRoom, nullptr, kReplyWaitMs);
    // A failed read counts as no answer.
    if (got <= 0) return VD_TIMEOUT;
    const AtReply reply = ParseAtReply(buffer, std::min(got, kReplyRoom));
    if (reply.code == VD_OK && value) CopyText(value, valueCap, reply.value);
    return reply.code;
}

}  // namespace vd

#include "device_settings.h"

#include "status.h"
#include "vandrel.h"

namespace vdcli {

int ReadDevice(const Target &t) {
    return t.addr.isMac ? VD_GetDevInfoUDPbyMAC(t.addr.text.c_str(), t.type)
                        : VD_GetDevInfoUDPbyIP(t.addr.text.c_str(), t.type);
}

Pairs TakeAll() {
    Pairs pairs;
    for (;;) {
        char key[VD_KEY_LEN] = "", value[VD_VALUE_LEN] = "";
        if (VD_GetDevConfigUDP(key, value) != VD_OK || key[0] == '\0') return pairs;
        pairs.emplace_back(key, value);
    }
}

bool CheckReportedType(const Target &t, const Pairs &pairs, const Printer &out, int &exitStatus) {
    std::string reported;
    if (!FindPair(pairs, "TYPE", reported)) {
        char key[VD_KEY_LEN] = "TYPE", value[VD_VALUE_LEN] = "";
        if (VD_GetDevConfigUDP(key, value) == VD_OK) reported = value;
    }
    std::string why;
    if (TypeAgrees(t, reported, why)) return true;
    exitStatus = out.Fail(why, 0, kExitFailed);
    return false;
}

bool TypeAgrees(const Target &t, const std::string &reported, std::string &why) {
    char message[VR_MESSAGE_LEN] = "";
    if (VR_ReportedType(t.type, reported.c_str(), message, sizeof message) != 0) return true;
    why = t.addr.text + " " + message;
    return false;
}

bool FindPair(const Pairs &pairs, const std::string &key, std::string &value) {
    for (const auto &p : pairs)
        if (p.first == key) {
            value = p.second;
            return true;
        }
    return false;
}

bool IsIdentityKey(const std::string &key) { return VR_IsIdentityKey(key.c_str()) != 0; }

bool IsSecretKey(const std::string &key) { return VR_IsSecretKey(key.c_str()) != 0; }

std::string Shown(const std::string &key, const std::string &value, const char *mask) {
    return IsSecretKey(key) ? mask : value;
}

std::vector<Setting> CheckSettings(int type, const Pairs &current, const Pairs &wanted) {
    std::vector<Setting> out;
    for (const auto &w : wanted) {
        Setting s;
        s.key = w.first;
        s.value = w.second;
        s.shown = FindPair(current, s.key, s.current);
        char stored[VR_STORED_LEN] = "", problem[VR_MESSAGE_LEN] = "";
        s.verdict = VR_CheckSetting(type, s.key.c_str(), s.value.c_str(), s.shown ? s.current.c_str() : nullptr,
                                    stored, sizeof stored, problem, sizeof problem);
        s.stored = stored;
        s.problem = problem;
        // A password is only ever shown masked, read or not (a fleet's read
        // leaves it out, and its change is then always sent).
        if (IsSecretKey(s.key)) s.shown = true;
        // A NUL, which the check above does not see: the value ends there as a C string.
        if (s.verdict != VR_CONTROL && s.value.find('\0') != std::string::npos) {
            s.verdict = VR_CONTROL;
            s.problem = ControlRefusal(s.key, s.value);
        }
        out.push_back(s);
    }
    return out;
}

std::string ControlRefusal(const std::string &key, const std::string &value) {
    char message[VR_MESSAGE_LEN] = "";
    return VR_ControlRefusal(key.c_str(), value.data(), value.size(), message, sizeof message) == 1 ? message : "";
}

std::vector<std::string> KnownKeysHint(const Pairs &current) {
    std::vector<std::string> lines = {"the device's keys:", " "};
    for (const auto &p : current) {
        if (lines.back().size() + p.first.size() > 76) lines.push_back(" ");
        lines.back() += " " + p.first;
    }
    return lines;
}

}  // namespace vdcli

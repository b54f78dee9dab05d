#include "device_settings.h"

#include <algorithm>

#include "stored_value.h"
#include "vandrel.h"

namespace vdcli {

namespace {

struct IdentityKey {
    const char *key;
    const char *what;
};

const IdentityKey kIdentity[] = {
    {"TYPE", "the device's type code"},
    {"MAC", "the device's MAC address"},
    {"VERSION", "the device's firmware version"},
};

const IdentityKey *FindIdentity(const std::string &key) {
    for (const IdentityKey &k : kIdentity)
        if (key == k.key) return &k;
    return nullptr;
}

bool AllDigits(const std::string &text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Equal texts, or the same decimal number written with leading zeros.
bool SameValue(const std::string &a, const std::string &b) {
    if (a == b) return true;
    if (!AllDigits(a) || !AllDigits(b)) return false;
    const size_t za = std::min(a.find_first_not_of('0'), a.size() - 1);
    const size_t zb = std::min(b.find_first_not_of('0'), b.size() - 1);
    return a.compare(za, std::string::npos, b, zb, std::string::npos) == 0;
}

size_t EditDistance(const std::string &a, const std::string &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

}  // namespace

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

bool FindPair(const Pairs &pairs, const std::string &key, std::string &value) {
    for (const auto &p : pairs)
        if (p.first == key) {
            value = p.second;
            return true;
        }
    return false;
}

bool IsIdentityKey(const std::string &key) { return FindIdentity(key) != nullptr; }

std::vector<Setting> CheckSettings(int type, const Pairs &current, const Pairs &wanted) {
    using V = Setting::Verdict;
    std::vector<Setting> out;
    for (const auto &w : wanted) {
        Setting s;
        s.key = w.first;
        s.value = w.second;
        s.shown = FindPair(current, s.key, s.current);
        const StoredValue stored = PredictStored(type, s.key, s.value);
        s.stored = stored.text;
        s.holds = stored.holds;
        if (IsIdentityKey(s.key))
            s.verdict = V::Identity;
        else if (!stored.writable)
            s.verdict = s.shown ? V::ReadOnly : V::Unknown;
        else if (!SameValue(stored.text, s.value))
            s.verdict = V::Altered;
        else if (s.shown && SameValue(s.current, s.value))
            s.verdict = V::Unchanged;
        out.push_back(s);
    }
    return out;
}

std::string Problem(const Setting &s) {
    switch (s.verdict) {
    case Setting::Verdict::Change:
    case Setting::Verdict::Unchanged: return "";
    case Setting::Verdict::Altered:
        return s.key + "=" + s.value + ": the device would store '" + s.stored + "' (it takes " + s.holds + ")";
    case Setting::Verdict::Unknown: return s.key + ": not a key of this device";
    case Setting::Verdict::ReadOnly: return s.key + ": read only, the library never sends it";
    case Setting::Verdict::Identity: return s.key + ": " + FindIdentity(s.key)->what + " is not a setting";
    }
    return "";
}

std::string KnownKeysHint(const Pairs &current, const std::string &unknown) {
    std::string closest;
    size_t best = 3;  // more edits than this is no typing slip
    std::string list = " ";
    size_t column = 1;
    for (const auto &p : current) {
        const size_t d = EditDistance(p.first, unknown);
        if (d < best) {
            best = d;
            closest = p.first;
        }
        if (column + p.first.size() > 76) {
            list += "\n ";
            column = 1;
        }
        list += " " + p.first;
        column += p.first.size() + 1;
    }
    const std::string hint = closest.empty() ? "" : "did you mean " + closest + "? ";
    return hint + "the device's keys:\n" + list;
}

}  // namespace vdcli

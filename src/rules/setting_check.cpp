#include "rules/setting_check.h"

#include <algorithm>

#include "codec/codec.h"
#include "base/text.h"
#include "rules/key_meaning.h"
#include "rules/key_names.h"
#include "rules/stored_value.h"

namespace vd {

namespace {

bool AllDigits(const std::string &text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first control byte of text as "0x0A"; "" when there is none. A NUL
// is one too: as a C string the text would end there, cut unseen.
std::string ControlByte(const std::string &text) {
    const int c = FindControlByte(text);
    if (c < 0 && text.find('\0') == std::string::npos) return "";
    return Format("0x%02X", c < 0 ? 0 : c);
}

SettingCheck Refused(Verdict verdict, std::string message, std::string stored = "") {
    SettingCheck out;
    out.verdict = verdict;
    out.message = std::move(message);
    out.stored = std::move(stored);
    return out;
}

SettingCheck UnknownKey(int type, const std::string &key) {
    const std::string closest = ClosestKey(KeysOf(type), key);
    return Refused(Verdict::UnknownKey,
                   key + ": not a key of this device" + (closest.empty() ? "" : " (did you mean " + closest + "?)"));
}

}  // namespace

bool SameValue(const std::string &a, const std::string &b) {
    if (a == b) return true;
    if (!AllDigits(a) || !AllDigits(b)) return false;
    const size_t za = std::min(a.find_first_not_of('0'), a.size() - 1);
    const size_t zb = std::min(b.find_first_not_of('0'), b.size() - 1);
    return a.compare(za, std::string::npos, b, zb, std::string::npos) == 0;
}

SettingCheck CheckSetting(int type, const std::string &key, const std::string &value, const char *current) {
    if (!ControlByte(key).empty())
        return Refused(Verdict::Control, "the key holds a control character (" + ControlByte(key) + "): refused");
    if (!ControlByte(value).empty())
        return Refused(Verdict::Control,
                       key + ": the value holds a control character (" + ControlByte(value) + "): refused",
                       PredictStored(type, key, value).text);
    if (!IsFamilyA(type) && !IsFamilyB(type))
        return Refused(Verdict::UnknownType, "type " + std::to_string(type) + " is a device type of neither family");
    if (const char *what = IdentityOf(key)) return Refused(Verdict::Identity, key + ": " + what + " is not a setting");
    const StoredValue stored = PredictStored(type, key, value);
    if (!stored.writable) {
        if (current) return Refused(Verdict::ReadOnly, key + ": read only, the library never sends it");
        return UnknownKey(type, key);
    }
    const bool held = current && SameValue(current, value);
    KeyMeaning meaning;
    if (!held && FindMeaning(type, key, meaning)) {
        const std::string why = NotAllowed(meaning, value);
        if (!why.empty()) return Refused(Verdict::NotAllowed, key + "=" + value + ": " + why, stored.text);
    }
    if (!SameValue(stored.text, value))
        return Refused(Verdict::Altered,
                       IsSecretKey(key) ? key + ": the device would store another value (it takes " + stored.holds + ")"
                                        : key + "=" + value + ": the device would store '" + stored.text +
                                              "' (it takes " + stored.holds + ")",
                       stored.text);
    SettingCheck out;
    out.stored = stored.text;
    if (held) out.verdict = Verdict::Unchanged;
    return out;
}

std::string Takes(int type, const std::string &key) {
    KeyMeaning meaning;
    const std::string allowed = FindMeaning(type, key, meaning) ? AllowedText(meaning) : "";
    return allowed.empty() ? PredictStored(type, key, "").holds : allowed;
}

}  // namespace vd

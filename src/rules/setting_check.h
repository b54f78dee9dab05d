// The check of one setting before it is written: is it a key of the device,
// is the value one that makes sense for it, would the device store it as
// given, does the device already hold it. Every front end (the vandrel tool, the Python module, the dashboard)
// words a refusal with the message given here.
#ifndef VANDREL_RULES_SETTING_CHECK_H
#define VANDREL_RULES_SETTING_CHECK_H

#include <string>

namespace vd {

enum class Verdict {
    Change,       // sent; the device stores the value as given
    Unchanged,    // the device already holds it: nothing to send
    Altered,      // the device would store something else (cut, wrapped, not an address)
    UnknownKey,   // not a key of this device
    ReadOnly,     // the device shows it, the library never sends it
    Identity,     // the device's type code, MAC address or firmware version
    Control,      // a control character (a line break, ...) in the key or the value
    UnknownType,  // the type code is of neither family
    NotAllowed,   // stored as given, but outside the key's range or choices
};

struct SettingCheck {
    Verdict verdict = Verdict::Change;
    std::string stored;   // what a read shows after the write; "" for a key the device does not take
    std::string message;  // why it is not sent as it stands; "" for Change and Unchanged
};

// current is the device's value of key from a read, or null when the read
// did not show the key (or there was no read).
SettingCheck CheckSetting(int type, const std::string &key, const std::string &value, const char *current);

// What a device of this type takes for key ("a number from 5 to 8
// (bits)"), as the refusals word it; "" when it does not take the key.
std::string Takes(int type, const std::string &key);

// Equal texts, or the same decimal number written with leading zeros.
bool SameValue(const std::string &a, const std::string &b);

}  // namespace vd

#endif

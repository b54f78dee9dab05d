// A device's settings as key/value text: reading them through the library,
// and checking new values against them before anything is written.
#ifndef VANDREL_CLI_DEVICE_SETTINGS_H
#define VANDREL_CLI_DEVICE_SETTINGS_H

#include <string>
#include <utility>
#include <vector>

#include "device.h"
#include "vandrel_rules.h"

namespace vdcli {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Asks the device for its settings (by IP or by MAC); the library's code.
int ReadDevice(const Target &t);

// Whether the TYPE of the device's read (in pairs, else still held from the
// last read) agrees with t.type, which --type may have given: the device's
// own type wins, and a mismatch is reported naming both (false, with the
// exit status in exitStatus).
bool CheckReportedType(const Target &t, const Pairs &pairs, const Printer &out, int &exitStatus);
// The same judgement of a TYPE read (reported; "" agrees): false with the
// message, which names the device, in why.
bool TypeAgrees(const Target &t, const std::string &reported, std::string &why);

// Every pair of the last read, in the device's order ("PASS" included).
Pairs TakeAll();

// The value of key in pairs; false when it is not there.
bool FindPair(const Pairs &pairs, const std::string &key, std::string &value);

// One setting to write, judged against the device's last read.
struct Setting {
    std::string key, value;
    std::string current;  // the device's value, when it showed the key
    bool shown = false;   // whether it did; a secret key counts as shown (it is masked)
    std::string stored;   // what a read shows after the write
    int verdict = VR_CHANGE;
    std::string problem;  // why it is not sent as it stands ("" for a change, or none)
};

// Judges each wanted pair for a device of this type whose read gave current.
std::vector<Setting> CheckSettings(int type, const Pairs &current, const Pairs &wanted);

// Why key=value can never be sent, whatever the device: a control character
// (a line break would end an AT command and start another); "" when fine.
std::string ControlRefusal(const std::string &key, const std::string &value);

// The keys of current, for a message about an unknown key: its lines.
std::vector<std::string> KnownKeysHint(const Pairs &current);

// TYPE, MAC and VERSION: what the device is, not how it is set up.
bool IsIdentityKey(const std::string &key);

// PASS, the device's password: its value is never printed nor put in a
// document, but for the read a 'show --with-password' asks for. A change
// of it shows as kChangedSecret, a value read or refused as kHiddenSecret.
bool IsSecretKey(const std::string &key);
constexpr char kChangedSecret[] = "(changed)";
constexpr char kHiddenSecret[] = "(hidden)";
// value as it may be shown: masked (mask) when key holds a secret.
std::string Shown(const std::string &key, const std::string &value, const char *mask = kHiddenSecret);

}  // namespace vdcli

#endif

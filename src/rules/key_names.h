// The names of a device type's keys: which keys a read of it shows, which
// name what the device is rather than how it is set up, and the key a
// mistyped name was most likely meant to be.
#ifndef VANDREL_RULES_KEY_NAMES_H
#define VANDREL_RULES_KEY_NAMES_H

#include <string>
#include <vector>

namespace vd {

// The keys a read of a device of this type shows, in the device's order;
// empty for a code of neither family.
std::vector<std::string> KeysOf(int type);

// What TYPE, MAC or VERSION names ("the device's MAC address"); null for
// any other key.
const char *IdentityOf(const std::string &key);

// Whether key holds a secret (PASS, the device's password): its value is
// never echoed in a message, and front ends show it masked.
bool IsSecretKey(const std::string &key);

// The key of keys closest to name when it looks like a typing slip (at most
// two edits away); "" when none is.
std::string ClosestKey(const std::vector<std::string> &keys, const std::string &name);

}  // namespace vd

#endif

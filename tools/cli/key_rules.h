// A device type's keys with what each means, from the setting rules: the
// one list that 'vandrel keys' prints and the dashboard's rules route serves.
#ifndef VANDREL_CLI_KEY_RULES_H
#define VANDREL_CLI_KEY_RULES_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "json_text.h"

namespace vdcli {

struct KeyRule {
    std::string key, label, group, unit, description;
    std::string takes;  // as the refusals word it; "" for a key that is only shown
    bool readOnly = false, secret = false, off = false;
    bool range = false;  // a whole number from lowest to highest
    int64_t lowest = 0, highest = 0;
    std::vector<std::pair<int64_t, std::string>> choices;  // value, name
};

// The keys a read of a device of this type shows, in the device's order.
std::vector<KeyRule> KeyRulesOf(int type);

// The same as a JSON document: {"type", "family", "keys": [...]}.
JsonValue KeyRulesJson(int type);

}  // namespace vdcli

#endif

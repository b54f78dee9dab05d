// The plan of 'vandrel apply': which devices get which settings. A plan is
// JSON, or a text form with one device a line:
//
//   {"password": "P", "settings": {KEY: VALUE, ...},
//    "devices": [{"ip": "192.0.2.7", "settings": {...}},
//                {"mac": "02:56:44:00:00:0C", "password": "Q", "settings": {...}},
//                {"type": 17, "settings": {...}}]}
//
//   # a comment
//   password=P
//   192.0.2.7 NAME=pump-1 C1_BAUD=9
//   02:56:44:00:00:0C password=Q NAME="pump 2"
//   type=17 CANBAUD1=500000
//
// A device is named by IP or MAC address (with "type" the search for its
// type is skipped), or selected by type code alone: every device of that
// type that answers a search. The plan's password (a line of its own in the
// text form) serves every device without one. Settings given for the whole
// plan go to every device; a device's own win.
#ifndef VANDREL_CLI_PLAN_H
#define VANDREL_CLI_PLAN_H

#include <string>
#include <vector>

#include "device.h"
#include "device_settings.h"

namespace vdcli {

struct PlanEntry {
    std::string where;  // "line 3", "devices[2]": for messages
    bool hasAddress = false;
    Address addr;
    int type = 0;  // 0: not given
    bool hasPassword = false;
    std::string password;
    Pairs settings;
};

struct Plan {
    bool hasPassword = false;
    std::string password;
    Pairs settings;  // for every device
    std::vector<PlanEntry> entries;
};

// Parses JSON (text starting with '{') or the text form; false with a
// message that names the line (and column) or the entry.
bool ParsePlan(const std::string &text, Plan &plan, std::string &error);

}  // namespace vdcli

#endif

// The family A commands that travel as one item in a datagram: "RESETDEV"
// (A1 1B 01 d FF), "10TCTRLIO" (A1 23 01 d FF) and "RESETDEV10T"
// (A1 25 01 d FF, type 7 only), d being atoi of the parameter, low 8 bits.
#ifndef VANDREL_DEVICES_FAMILY_A_DATAGRAM_COMMAND_H
#define VANDREL_DEVICES_FAMILY_A_DATAGRAM_COMMAND_H

#include "devices/family_a/item_frame.h"

namespace vd {

// The padded packet of a datagram command (20 bytes); empty for a command
// that has none, or "RESETDEV10T" for another type than 7.
Packet BuildDatagramCommand(int type, const char *cmd, const char *param);

}  // namespace vd

#endif

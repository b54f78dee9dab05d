// A range of addresses that a search asks one by one ("198.18.5.0/24"), as
// every front end reads it: a broadcast does not cross a router, so a
// network behind one is searched address by address.
#ifndef VANDREL_RULES_ADDRESS_RANGE_H
#define VANDREL_RULES_ADDRESS_RANGE_H

#include <cstdint>
#include <string>

namespace vd {

// Wider ranges are refused: 65,536 addresses at the search's pace already
// take over a minute.
constexpr uint32_t kWidestRangePrefix = 16;

struct AddressRange {
    uint32_t first = 0;  // host order
    uint32_t count = 0;
};

// "A.B.C.D/N", decimal only, with N from 16 to 32; A.B.C.D may be any
// address of the range. False with why in message.
bool ParseAddressRange(const std::string &text, AddressRange &range, std::string &message);

}  // namespace vd

#endif

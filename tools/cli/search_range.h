// A search of a range of addresses ("198.18.5.0/24"): each address is asked
// in turn, since a broadcast does not cross a router. The range is read by
// the setting rules library (at most a /16), and the requests are paced so
// that a router in between resolves each address without being flooded.
#ifndef VANDREL_CLI_SEARCH_RANGE_H
#define VANDREL_CLI_SEARCH_RANGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "device.h"

namespace vdcli {

struct AddressRange {
    uint32_t first = 0;  // host order
    uint32_t count = 0;
};

constexpr int kRangePaceUs = 1000;  // between two requests

bool IsRange(const std::string &word);  // holds a '/'

// "A.B.C.D/N" with N from 16 to 32 (VR_AddressRange); false with the
// reason in error.
bool ParseRange(const std::string &word, AddressRange &range, std::string &error);

std::string AddressText(uint32_t address);

// Asks every address of the range, collecting answers while it goes, then
// waits waitMs for the last ones; Ctrl-C stops the asking and the wait.
// tally, when given, gets the number of addresses asked and of answers left
// out.
std::vector<FoundDevice> SearchRange(const AddressRange &range, int waitMs, SearchTally *tally = nullptr);

}  // namespace vdcli

#endif

// The fleet's member kinds, one maker per kind (sim_fleet.cpp dispatches on
// the entry's kind), and what they share for describing requests.
#ifndef VANDREL_SIM_SIM_FLEET_MEMBERS_H
#define VANDREL_SIM_SIM_FLEET_MEMBERS_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim_fleet.h"

namespace vdsim {

std::unique_ptr<FleetMember> MakeFamilyAMember(const FleetEntry &entry, std::string &error);
// Its device takes the broadcasts from hub.
std::unique_ptr<FleetMember> MakeFamilyBMember(const FleetEntry &entry, BroadcastHub &hub, std::string &error);
std::unique_ptr<FleetMember> MakeIoModuleMember(const FleetEntry &entry, std::string &error);
std::unique_ptr<FleetMember> MakeFirmwareMember(const FleetEntry &entry, std::string &error);
std::unique_ptr<FleetMember> MakeCrowdMember(const FleetEntry &entry, std::string &error);
std::unique_ptr<FleetMember> MakeDataFloodMember(const FleetEntry &entry, std::string &error);

// "address kind: what", the start of every log line of a member.
std::string LogLine(const std::string &address, const std::string &service, const std::string &what);

// Bytes as "A1 14 02" (at most max bytes, then "...").
std::string HexBytes(const std::vector<uint8_t> &bytes, size_t max = 12);

// A download packet (manifest or chunk) in words.
std::string DescribeFirmwarePacket(const std::vector<uint8_t> &packet);

// The items entries whose index is at or after next, then next moves on:
// the members keep their place in their peers' ever-growing records.
template <typename T>
std::vector<T> TakeNew(const std::vector<T> &all, size_t &next) {
    std::vector<T> fresh;
    for (; next < all.size(); ++next) fresh.push_back(all[next]);
    return fresh;
}

}  // namespace vdsim

#endif

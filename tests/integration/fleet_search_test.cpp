// Searches through the fleet interface: a broadcast that lists every device
// of a simulated fleet of both families once, whatever the repeats; a search
// for one device that ends at its answer, and does not wait for a write of
// that device; a search that nobody answers; the request on the wire; a peer
// that answers with endless distinct devices fills a bounded list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "integration/fleet_fixture.h"
#include "integration/support.h"
#include "sim_net.h"
#include "vandrel_fleet.h"

using namespace vdtest;

namespace {

// Every answer waiting, as "IP MAC TYPE"; repeated answers would repeat.
std::vector<std::string> TakeAll(VF_Fleet *fleet, VF_Op op) {
    std::vector<std::string> found;
    char ip[VD_IP_LEN], version[VD_VERSION_LEN], mac[VD_MAC_LEN];
    uint8_t type = 0;
    while (VF_TakeFound(fleet, op, ip, version, mac, &type, nullptr, nullptr) == VD_OK)
        found.push_back(std::string(ip) + " " + mac + " " + std::to_string(type));
    return found;
}

std::string Value(VF_Fleet *fleet, VF_Op op, const char *key) {
    char value[VD_VALUE_LEN] = "";
    VF_GetValue(fleet, op, key, value);
    return value;
}

TEST(FleetSearch, ABroadcastListsEveryDeviceOnceAndASearchForOneEndsAtItsAnswer) {
    SimFleet sim(8);
    std::set<std::string> expected;
    for (const auto &row : sim.rows) expected.insert(row.address + " " + row.mac + " " + row.type);
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    ASSERT_NE(fleet, nullptr);
    const auto start = Clock::now();
    const VF_Op all = VF_Search(fleet, nullptr, nullptr, 1000);
    ASSERT_EQ(VF_Wait(fleet, all, 3000), VD_OK);
    EXPECT_GE(Seconds(start), 0.99);
    const std::vector<std::string> found = TakeAll(fleet, all);
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), expected);
    EXPECT_EQ(found.size(), expected.size());
    EXPECT_EQ(Value(fleet, all, "REQUESTS"), "4");
    EXPECT_EQ(Value(fleet, all, "LEFT_OUT"), "0");
    EXPECT_EQ(VF_Count(fleet, VF_RESENT) + VF_Count(fleet, VF_DUPLICATES), 0u);

    // Waiting for one device (named by its MAC in any case), while a write
    // of it is under way: the search ends at its answer.
    const vdsim::FleetRow &b = sim.rows[1];
    ASSERT_EQ(b.kind, "family-b");
    std::string lower = b.mac;
    for (char &c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    const char *keys[] = {"NAME"}, *values[] = {"searched"};
    const VF_Op write = VF_Write(fleet, b.mac.c_str(), std::stoi(b.type), b.password.c_str(), keys, values, 1, 8000);
    const auto one = Clock::now();
    const VF_Op search = VF_Search(fleet, "", lower.c_str(), 1000);
    ASSERT_EQ(VF_Wait(fleet, search, 3000), VD_OK);
    EXPECT_LT(Seconds(one), 0.3);
    EXPECT_EQ(VF_Result(fleet, write), VF_PENDING);
    bool heard = false;
    for (const std::string &f : TakeAll(fleet, search)) heard = heard || f.find(b.mac) != std::string::npos;
    EXPECT_TRUE(heard);
    EXPECT_EQ(VF_Wait(fleet, write, 10000), VD_OK);
    // Nor does a search of a family A device's own address wait for its write.
    const vdsim::FleetRow &a = sim.rows[0];
    ASSERT_EQ(a.kind, "family-a");
    const VF_Op writeA = VF_Write(fleet, a.address.c_str(), std::stoi(a.type), a.password.c_str(), keys, values, 1, 8000);
    const auto asked = Clock::now();
    const VF_Op searchA = VF_Search(fleet, a.address.c_str(), a.address.c_str(), 1000);
    ASSERT_EQ(VF_Wait(fleet, searchA, 3000), VD_OK);
    EXPECT_LT(Seconds(asked), 0.3);
    EXPECT_EQ(VF_Result(fleet, writeA), VF_PENDING);
    EXPECT_EQ(VF_Wait(fleet, writeA, 10000), VD_OK);

    // Nobody at the address: no answer, the requests told; a read holds no answers.
    const VF_Op none = VF_Search(fleet, "127.0.0.250", nullptr, 300);
    EXPECT_EQ(VF_Wait(fleet, none, 2000), VD_FAIL);
    EXPECT_TRUE(TakeAll(fleet, none).empty());
    EXPECT_EQ(Value(fleet, none, "REQUESTS"), "2");
    // Waiting for one device, it asks every 100 ms.
    const VF_Op awaited = VF_Search(fleet, "127.0.0.250", "02:00:00:00:00:01", 300);
    EXPECT_EQ(VF_Wait(fleet, awaited, 2000), VD_FAIL);
    EXPECT_EQ(Value(fleet, awaited, "REQUESTS"), "3");
    const VF_Op read = VF_Read(fleet, sim.rows[0].address.c_str(), std::stoi(sim.rows[0].type), 4000);
    ASSERT_EQ(VF_Wait(fleet, read, 8000), VD_OK);
    EXPECT_TRUE(TakeAll(fleet, read).empty());
    VF_Destroy(fleet);
}

// The request is the search item; the answers, fixed search replies whose
// MAC counts up, never end: the fleet keeps 131,072 and counts the rest.
TEST(FleetSearch, EndlessDistinctAnswersFillABoundedList) {
    const int fd = vdsim::OpenUdp("127.0.0.9", 8800);
    ASSERT_GE(fd, 0);
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    const VF_Op op = VF_Search(fleet, "127.0.0.9", nullptr, 8000);
    vdsim::Datagram request;
    ASSERT_TRUE(vdsim::ReceiveDatagram(fd, request, 1000));
    EXPECT_EQ(request.bytes, (Bytes{0xA1, 0x15, 0x02, 0x00, 0x00, 0xFF}));
    Bytes reply = {0x00, 0x02, 0x00, 0x02, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 48, 0, 0, 127, 0, 0, 9, 0x0F, 0xA1, 0, 0};
    char mac[VD_MAC_LEN];
    const auto take = [&] { return VF_TakeFound(fleet, op, nullptr, nullptr, mac, nullptr, nullptr, nullptr) == VD_OK; };
    // Bursts the receive queue holds, each taken before the next goes (a
    // slow build reads slowly), until the bound; then the rest at once.
    constexpr int kSent = 140000, kBurst = 256;
    size_t taken = 0;
    for (int i = 0; i < kSent; ++i) {
        reply[7] = uint8_t(i >> 16);
        reply[8] = uint8_t(i >> 8);
        reply[9] = uint8_t(i);
        vdsim::SendDatagram(fd, reply, request.from);
        if (i % kBurst != kBurst - 1 || taken >= 131072) continue;
        const auto until = Clock::now() + std::chrono::seconds(2);
        while (taken < size_t(i + 1) && Clock::now() < until)
            if (take()) ++taken;
            else SleepMs(1);
    }
    ASSERT_EQ(VF_Wait(fleet, op, 15000), VD_OK);
    while (take()) ++taken;
    EXPECT_EQ(taken, 131072u);
    EXPECT_GT(std::stoull(Value(fleet, op, "LEFT_OUT")), 0u);
    VF_Destroy(fleet);
    close(fd);
}

}  // namespace

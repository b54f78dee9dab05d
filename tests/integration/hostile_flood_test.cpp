// The UDP side under a flood: a hostile peer learns the library's sockets
// from its requests and fires garbage and near-miss answers at them, while a
// host searches, reads and writes real devices through the exports. The real
// answers still get through, and nothing the peer sends becomes a device or
// a setting.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "family_a_support.h"
#include "family_b_support.h"
#include "sim_hostile_peer.h"

using vdsim::Bytes;
using vdsim::FamilyADevice;
using vdsim::FamilyBDevice;
using vdsim::HostilePeer;

namespace {

const vdsim::Mac kMacA = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02};
const vdsim::Mac kMacFixed = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x03};
const char *const kPeerIp = "127.0.0.9";

const fama::Found kFoundA = {"127.0.0.2", "", "00:1A:2B:00:00:02", 5, 0, 0};
const fama::Found kFoundFixed = {"127.0.0.3", "2.23", "00:1A:2B:00:00:03", 48, 7, 4001};

// Well below what the peer sends to three sockets in about a second and a
// half, even on a loaded machine.
constexpr uint64_t kManyDatagrams = 500;

fama::Pairs ReadByIp() {
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 5), VD_OK);
    return fama::TakeAllPairs();
}

famb::Pairs ReadByMac() {
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC(famb::kMacText, 32), VD_OK);
    return famb::TakeAllPairs();
}

class HostileFlood : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        a.SetText(0x02, "real-a");
        a.SetPassword("secret");
        a.SetItem(0x09, {0x0F, 0xA1});
        fixed.SetSearchReply(FamilyADevice::SearchReply::Fixed);
        fixed.SetFixedReplyFields(7, 123, 4001);
        b.SetName("real-b");
        b.SetPassword("pw");
        b.SetBytes(2, 0, {2, 0x0F, 0xA1});
        ASSERT_TRUE(a.Start());
        ASSERT_TRUE(fixed.Start());
        ASSERT_TRUE(b.Start());
    }

    void StartPeer(const HostilePeer::Settings &settings) {
        peer = std::make_unique<HostilePeer>(kPeerIp, settings);
        ASSERT_TRUE(peer->Start());
    }

    // Lets the peer hear a request from each socket the library reads: the
    // search socket (a broadcast search), family A's request socket (a
    // command to the peer's own address) and the type 32 handler's request
    // socket (a read by MAC, which is broadcast). Takes the search results.
    std::vector<fama::Found> Prime() {
        EXPECT_EQ(VD_SearchAll(), VD_OK);
        EXPECT_TRUE(peer->WaitForTargets(1, 1000));
        std::vector<fama::Found> found = fama::TakeFound(2);
        char param[VD_PARAM_LEN] = "0";
        EXPECT_EQ(VD_SendCmd(5, kPeerIp, 8800, "RESETDEV", param, 1), VD_OK);
        EXPECT_TRUE(peer->WaitForTargets(2, 1000));
        ReadByMac();
        EXPECT_TRUE(peer->WaitForTargets(3, 1000));
        return found;
    }

    FamilyADevice a{"127.0.0.2", 5, kMacA};
    FamilyADevice fixed{"127.0.0.3", 48, kMacFixed};
    FamilyBDevice b{"127.0.0.4", 32, famb::kMac};
    std::unique_ptr<HostilePeer> peer;
};

std::vector<fama::Found> Sorted(std::vector<fama::Found> found) {
    std::sort(found.begin(), found.end(), [](const fama::Found &x, const fama::Found &y) { return x.ip < y.ip; });
    return found;
}

}  // namespace

TEST_F(HostileFlood, SearchListsExactlyTheRealDevices) {
    StartPeer({});
    const std::vector<fama::Found> real = {kFoundA, kFoundFixed};
    EXPECT_EQ(Sorted(Prime()), real);
    EXPECT_EQ(peer->Macs(), std::vector<vdsim::Mac>{famb::kMac});

    // The search socket has been flooded since the first search.
    const uint64_t before = peer->Sent();
    for (int round = 0; round < 4; ++round) {
        ASSERT_EQ(VD_SearchAll(), VD_OK);
        EXPECT_EQ(Sorted(fama::TakeFound(2)), real);
        ASSERT_EQ(VD_Search("127.0.0.3"), VD_OK);
        ASSERT_EQ(VD_Search("127.0.0.2"), VD_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(Sorted(fama::TakeFound(2)), real);
    }
    EXPECT_GE(peer->Sent() - before, kManyDatagrams);
}

TEST_F(HostileFlood, ReadsByIpAndByMacGiveTheSamePairsAsWithoutIt) {
    const fama::Pairs quietA = ReadByIp();
    const famb::Pairs quietB = ReadByMac();
    ASSERT_FALSE(quietA.empty());
    ASSERT_FALSE(quietB.empty());

    StartPeer({});
    Prime();
    const uint64_t before = peer->Sent();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(ReadByIp(), quietA);
        EXPECT_EQ(ReadByMac(), quietB);
    }
    EXPECT_GE(peer->Sent() - before, kManyDatagrams);
}

TEST_F(HostileFlood, WritesReachTheDevicesWithTheRightBytes) {
    StartPeer({});
    Prime();
    const Bytes blockBefore = b.Block(0);
    const uint64_t before = peer->Sent();
    VD_SetModifyConfigUDP("NAME", "flooded");
    // The password read before a write by MAC takes what is queued on the
    // socket: right after a read that is little, while garbage queued through
    // a longer wait would crowd the device's answer out.
    ReadByMac();
    a.ClearReceived();
    b.ClearReceived();
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(famb::kMacText, "pw", 32), VD_OK);
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_OK);

    ASSERT_TRUE(a.WaitForDatagrams(2, 1000));
    const Bytes name = {'f', 'l', 'o', 'o', 'd', 'e', 'd', 0, 0, 0};
    EXPECT_EQ(a.Writes(), std::vector<Bytes>{fama::Cat(fama::Cat({0xA1, 0x02, 0x0A}, name), Bytes(16, 0xFF))});
    EXPECT_EQ(a.Item(0x02), name);

    ASSERT_TRUE(b.WaitForRequests(3, 1000));
    const Bytes blockAfter = b.Block(0);
    EXPECT_EQ(b.Requests(), (std::vector<Bytes>{famb::ReadRequest(0), famb::WriteRequest(0, blockAfter),
                                                famb::RestartRequest()}));
    EXPECT_EQ(Bytes(blockAfter.begin(), blockAfter.begin() + 8), Bytes({'f', 'l', 'o', 'o', 'd', 'e', 'd', 0}));
    EXPECT_EQ(Bytes(blockAfter.begin() + 16, blockAfter.end()), Bytes(blockBefore.begin() + 16, blockBefore.end()));
    EXPECT_EQ(b.Restarts(), 1);
    EXPECT_GE(peer->Sent() - before, kManyDatagrams);
}

// With answers the library cannot tell from a device's (fake search replies,
// fake blocks for the asked MAC) and broadcasts sprayed at the device ports,
// the library lists what its rules accept and reads the real device by IP,
// whose answers only it can send.
TEST_F(HostileFlood, WellFormedFakesAreSurvived) {
    const fama::Pairs quietA = ReadByIp();
    HostilePeer::Settings settings;
    settings.seed = 7;
    settings.wellFormedFakes = true;
    settings.sprayBroadcasts = true;
    StartPeer(settings);
    Prime();

    const uint64_t before = peer->Sent();
    ASSERT_EQ(VD_SearchAll(), VD_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::vector<fama::Found> found = fama::TakeFound(0);
    for (const fama::Found &real : {kFoundA, kFoundFixed})
        EXPECT_EQ(std::count(found.begin(), found.end(), real), 1) << real.ip;
    EXPECT_EQ(ReadByIp(), quietA);
    VD_GetDevInfoUDPbyMAC(famb::kMacText, 32);
    famb::TakeAllPairs();
    EXPECT_GE(peer->Sent() - before, kManyDatagrams);
}

// Ten times the rate the sockets' queues hold through the library's pauses
// (not the peer's full speed, which would starve the tests running beside
// this one of processor time): the kernel drops real answers along with the
// garbage, but every call still returns within its own wait and no garbage
// becomes a device.
TEST_F(HostileFlood, AnOverflowingFloodLosesAnswersButHoldsNoCallUp) {
    HostilePeer::Settings settings;
    settings.burst = 10;
    settings.pauseMs = 3;
    StartPeer(settings);
    ASSERT_EQ(VD_SearchAll(), VD_OK);
    ASSERT_TRUE(peer->WaitForTargets(1, 1000));
    char param[VD_PARAM_LEN] = "0";
    ASSERT_EQ(VD_SendCmd(5, kPeerIp, 8800, "RESETDEV", param, 1), VD_OK);
    ASSERT_TRUE(peer->WaitForTargets(2, 1000));

    const uint64_t before = peer->Sent();
    auto start = std::chrono::steady_clock::now();
    VD_GetDevInfoUDPbyMAC(famb::kMacText, 32);
    EXPECT_LT(fama::Seconds(start), 4.0);
    famb::TakeAllPairs();
    start = std::chrono::steady_clock::now();
    VD_GetDevInfoUDPbyIP("127.0.0.2", 5);
    EXPECT_LT(fama::Seconds(start), 3.0);
    fama::TakeAllPairs();
    ASSERT_EQ(VD_SearchAll(), VD_OK);
    start = std::chrono::steady_clock::now();
    for (const fama::Found &f : fama::TakeFound(2))
        EXPECT_TRUE(f == kFoundA || f == kFoundFixed) << f.ip;
    EXPECT_LT(fama::Seconds(start), 1.5);
    EXPECT_GE(peer->Sent() - before, 5 * kManyDatagrams);
}

// The UDP side under a flood: a hostile peer learns the library's sockets
// from its requests and fires garbage and near-miss answers at them, while a
// host searches, reads and writes real devices through the exports. The real
// answers still get through, and nothing the peer sends becomes a device or
// a setting.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "integration/support.h"
#include "sim_family_a.h"
#include "sim_hostile_peer.h"

using namespace vdtest;
using vdsim::FamilyADevice;
using vdsim::HostilePeer;

namespace {

const char *const kPeerIp = "127.0.0.9";
const Found kFoundA = {"127.0.0.2", "", "00:1A:2B:00:00:02", 5, 0, 0};
const Found kFoundFixed = {"127.0.0.3", "2.23", "00:1A:2B:00:00:03", 48, 7, 4001};

// Well below what the peer sends to three sockets in about a second and a
// half, even on a loaded machine.
constexpr uint64_t kManyDatagrams = 500;

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
        ASSERT_TRUE(a.Start() && fixed.Start() && b.Start());
    }

    // Starts the peer and lets it hear a request from each socket the library
    // reads: the search socket (a broadcast search), family A's request socket
    // (a command to the peer's own address) and, but for an overflowing flood,
    // the type 32 handler's request socket (a read by MAC, which is
    // broadcast). Gives the search results.
    std::vector<Found> StartPeer(const HostilePeer::Settings &settings) {
        const bool overflowing = settings.burst > 1;
        peer = std::make_unique<HostilePeer>(kPeerIp, settings);
        EXPECT_TRUE(peer->Start());
        EXPECT_EQ(VD_SearchAll(), VD_OK);
        EXPECT_TRUE(peer->WaitForTargets(1, 1000));
        std::vector<Found> found = TakeFound(overflowing ? 0 : 2, true);
        char param[VD_PARAM_LEN] = "0";
        EXPECT_EQ(VD_SendCmd(5, kPeerIp, 8800, "RESETDEV", param, 1), VD_OK);
        EXPECT_TRUE(peer->WaitForTargets(2, 1000));
        if (!overflowing) {
            Read(kMacBText, 32);
            EXPECT_TRUE(peer->WaitForTargets(3, 1000));
        }
        return found;
    }

    FamilyADevice a{"127.0.0.2", 5, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02}};
    FamilyADevice fixed{"127.0.0.3", 48, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x03}};
    vdsim::FamilyBDevice b{"127.0.0.4", 32, kMacB};
    std::unique_ptr<HostilePeer> peer;
};

TEST_F(HostileFlood, SearchesReadsAndWritesGiveExactlyTheRealAnswers) {
    const Pairs quietA = Read("127.0.0.2", 5), quietB = Read(kMacBText, 32);
    ASSERT_FALSE(quietA.empty() || quietB.empty());
    const std::vector<Found> real = {kFoundA, kFoundFixed};
    EXPECT_EQ(StartPeer({}), real);
    EXPECT_EQ(peer->Macs(), std::vector<vdsim::Mac>{kMacB});

    // The search socket has been flooded since the first search.
    uint64_t before = peer->Sent();
    for (int round = 0; round < 4; ++round) {
        ASSERT_EQ(VD_SearchAll(), VD_OK);
        EXPECT_EQ(TakeFound(2, true), real);
        ASSERT_EQ(VD_Search("127.0.0.3"), VD_OK);
        ASSERT_EQ(VD_Search("127.0.0.2"), VD_OK);
        SleepMs(300);
        EXPECT_EQ(TakeFound(2, true), real);
    }
    EXPECT_GE(peer->Sent() - before, kManyDatagrams);

    before = peer->Sent();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Read("127.0.0.2", 5), quietA);
        EXPECT_EQ(Read(kMacBText, 32), quietB);
    }
    EXPECT_GE(peer->Sent() - before, kManyDatagrams);

    before = peer->Sent();
    const Bytes blockBefore = b.Block(0);
    VD_SetModifyConfigUDP("NAME", "flooded");
    // The password read before a write by MAC takes what is queued on the
    // socket: right after a read that is little, while garbage queued through
    // a longer wait would crowd the device's answer out.
    Read(kMacBText, 32);
    a.ClearReceived();
    b.ClearReceived();
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 32), VD_OK);
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_OK);

    // One write each, of the staged name only.
    ASSERT_TRUE(a.WaitForDatagrams(2, 1000));
    ASSERT_TRUE(b.WaitForRequests(3, 1000));
    const Bytes name = {'f', 'l', 'o', 'o', 'd', 'e', 'd', 0, 0, 0};
    EXPECT_EQ(a.Writes().size(), 1u);
    EXPECT_EQ(a.Item(0x02), name);
    Bytes blockAfter = blockBefore;
    std::copy(name.begin(), name.begin() + 8, blockAfter.begin());
    EXPECT_EQ(b.Writes().size(), 1u);
    EXPECT_EQ(b.Block(0), blockAfter);
    EXPECT_EQ(b.Restarts(), 1);
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
    StartPeer(settings);

    const uint64_t before = peer->Sent();
    EXPECT_LT(Took([] { VD_GetDevInfoUDPbyMAC(kMacBText, 32); }), 4.0);
    TakeAllPairs();
    EXPECT_LT(Took([] { VD_GetDevInfoUDPbyIP("127.0.0.2", 5); }), 3.0);
    TakeAllPairs();
    ASSERT_EQ(VD_SearchAll(), VD_OK);
    std::vector<Found> found;
    EXPECT_LT(Took([&] { found = TakeFound(2); }), 1.5);
    for (const Found &f : found) EXPECT_TRUE(f == kFoundA || f == kFoundFixed) << f.ip;
    EXPECT_GE(peer->Sent() - before, 5 * kManyDatagrams);
}

}  // namespace

// Family B requests take only what answers them: while an impostor answers
// every read request at once, whatever MAC it names, with a block of its own
// MAC, the host gets exactly the real device's settings and a write changes
// the real device's block and nothing else; and the password check before a
// write reads the password the device holds now, not one a read before it,
// or a write to a device of another model, left behind.
#include <gtest/gtest.h>

#include "integration/support.h"
#include "sim_udp_port.h"

using namespace vdtest;
using vdsim::FamilyBDevice;

namespace {

const uint8_t kImpostorMac[6] = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEE};

// Answers each read request (17 bytes, A1 14 at bytes 10 and 11) with the
// requested block filled with 0xEE, from the impostor's MAC.
void AnswerAsImpostor(const vdsim::UdpDevicePort &port, const vdsim::Datagram &d) {
    const Bytes &r = d.bytes;
    if (r.size() != 17 || r[10] != 0xA1 || r[11] != 0x14 || r[14] == 0x81) return;
    Bytes reply = {0x00, 0x02, 0x00, 0x02};
    reply.insert(reply.end(), kImpostorMac, kImpostorMac + 6);
    reply.insert(reply.end(), {0xA1, 0x14, 0x01, 0x02, r[14]});
    reply.resize(reply.size() + 256, 0xEE);
    port.Answer(reply, d.from);
}

class FamilyBIsolation : public ::testing::Test {
protected:
    void SetUp() override { VD_ResetModifyConfigUDP(); }
};

TEST_F(FamilyBIsolation, AnotherDevicesRepliesAreNeitherReadNorWritten) {
    FamilyBDevice dev{"127.0.0.2", 48, kMacB};
    dev.SetName("real");
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 48), VD_OK);
    const Pairs quiet = TakeAllPairs();

    vdsim::UdpDevicePort impostor;
    ASSERT_TRUE(impostor.Start("127.0.0.3", 8801, [&impostor](const vdsim::Datagram &d, bool) {
        AnswerAsImpostor(impostor, d);
    }));
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 48), VD_OK);
    EXPECT_EQ(TakeAllPairs(), quiet);

    Bytes block = dev.Block(0);
    dev.ClearReceived();
    VD_SetModifyConfigUDP("NAME", "renamed");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "", 48), VD_OK);
    ASSERT_TRUE(dev.WaitForRequests(3, 1000));  // the password's block, the write, the restart
    const std::string name = "renamed";
    std::copy(name.begin(), name.end(), block.begin());
    block[name.size()] = 0;
    EXPECT_EQ(dev.Block(0), block);
}

TEST_F(FamilyBIsolation, ThePasswordCheckReadsThePasswordHeldNow) {
    FamilyBDevice dev{"127.0.0.2", 32, kMacB};
    dev.SetPassword("old");
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 32), VD_OK);
    dev.SetPassword("new");
    dev.ClearReceived();
    VD_SetModifyConfigUDP("NAME", "renamed");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "new", 32), VD_OK);
    ASSERT_TRUE(dev.WaitForRequests(3, 1000));
    EXPECT_EQ(dev.Writes().size(), 1u);
}

TEST_F(FamilyBIsolation, AWriteAfterOneToAnotherModelChecksItsOwnDevicesPassword) {
    FamilyBDevice one{"127.0.0.2", 32, kMacB};
    FamilyBDevice four{"127.0.0.3", 48, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEE}};
    one.SetPassword("first");
    four.SetPassword("second");
    ASSERT_TRUE(one.Start() && four.Start());
    VD_SetModifyConfigUDP("NAME", "one");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "first", 32), VD_OK);
    VD_ResetModifyConfigUDP();
    // The first answer to the password's read is lost, so that the other
    // handler's finished read has the time to be taken for this one.
    four.DropReplies(0, 1);
    VD_SetModifyConfigUDP("NAME", "four");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC("02:00:00:AB:CD:EE", "second", 48), VD_OK);
    ASSERT_TRUE(four.WaitForRequests(3, 1000));
    EXPECT_EQ(four.Writes().size(), 1u);
}

}  // namespace

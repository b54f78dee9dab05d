// Family B devices by MAC on a faulty wire, through the exports: the device
// simulator loses, duplicates or ignores datagrams at a known place, and the
// test states every datagram that the device then receives. A read counts
// blocks, not replies, and asks again for the ones missing; a write reads the
// blocks it needs, confirms every block by reading it back, and is all or
// nothing, its undoing leaving every copy the library keeps as the device
// holds it. Requests take only what answers them: while an impostor answers
// every read request at once, whatever MAC it names, with a block of its own
// MAC, the host gets exactly the real device's settings and a write changes
// the real device's block and nothing else; and the password check before a
// write reads the password the device holds now, not one a read before it,
// or a write to a device of another model, left behind.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "integration/support.h"
#include "sim_udp_port.h"

using namespace vdtest;
using vdsim::FamilyBDevice;

namespace {

const vdsim::Mac kOtherMac = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xE0};

// The device's requests once it has received `count` of them, a read asked
// again at once left out: on a loaded machine a read-back answered late is
// asked once more, which changes nothing on the device.
std::vector<Bytes> RequestsWithoutRepeatedReads(const FamilyBDevice &dev, size_t count) {
    std::vector<Bytes> out;
    for (int waited = 0; waited <= 2000 && out.size() < count; waited += 10) {
        if (waited) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        out.clear();
        for (const Bytes &request : dev.Requests()) {
            const bool read = request.size() > 11 && request[11] == 0x14;
            if (!read || out.empty() || out.back() != request) out.push_back(request);
        }
    }
    return out;
}

Bytes Baud(uint32_t baud) { return {uint8_t(baud >> 24), uint8_t(baud >> 16), uint8_t(baud >> 8), uint8_t(baud)}; }

// A port's block with its baud rate changed.
Bytes WithBaud(Bytes block, uint32_t baud) {
    std::copy_n(Baud(baud).begin(), 4, block.begin() + 10);
    return block;
}

// A four-port device at kMacB whose ports run at 1200 times their number.
class FamilyBFaults : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        dev.SetPassword("pw");
        for (uint8_t p = 1; p <= 4; ++p) dev.SetBytes(uint8_t(p + 1), 10, Baud(1200u * p));
        ASSERT_TRUE(dev.Start());
    }
    // A whole read of kMacB or, so that the four-port handler then holds none
    // of kMacB's blocks (a write to it reads the password's alone), of
    // another device; the device then forgets the requests it received.
    void ReadFirst(bool another = false) {
        FamilyBDevice other{"127.0.0.3", 48, kOtherMac};
        ASSERT_TRUE(other.Start());
        Read(another ? "02:00:00:AB:CD:E0" : kMacBText, 48);
        dev.ClearReceived();
    }
    FamilyBDevice dev{"127.0.0.2", 48, kMacB};
};

// Every reply comes twice, and the first reply for block 3 is lost.
TEST_F(FamilyBFaults, EachBlockCountsOnceAndAMissingOneIsAskedForAgainWithinTheWait) {
    dev.SetDuplicateReplies(true);
    dev.DropReplies(3, 1);
    const Pairs pairs = Read(kMacBText, 48);
    ASSERT_EQ(pairs.size(), 18u + 4u * 28u);
    // In arrival order: port 2's block, asked for again, comes last.
    EXPECT_EQ(pairs[18 + 28 * 2 + 6], Pairs::value_type("C4_BAUD", "4800"));
    EXPECT_EQ(pairs.back().first, "C2_CLI_IP4");
    EXPECT_EQ(dev.ReadBlocks(), (std::vector<uint8_t>{0, 2, 3, 4, 5, 3}));
}

TEST_F(FamilyBFaults, AWriteReadsTheBlocksItNeedsWhenTheHostReadNothing) {
    ReadFirst(true);
    VD_SetModifyConfigUDP("C2_BAUD", "9600");
    ASSERT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_OK);
    // The password's block, the block of C2_BAUD, its write (only the baud
    // rate of port 2 changed) and read-back, then the restart.
    EXPECT_EQ(RequestsWithoutRepeatedReads(dev, 5),
              (std::vector<Bytes>{ReadRequest(0), ReadRequest(3), WriteRequest(3, WithBaud(Bytes(256, 0), 9600)),
                                  ReadRequest(3), RestartRequest()}));
}

// A read-back whose answer is lost says nothing about the write: it is asked
// again, and the block is not written twice.
TEST_F(FamilyBFaults, AnUnansweredReadBackIsAskedAgainBeforeTheBlockIsWrittenAgain) {
    ReadFirst();
    dev.DropReplies(3, 1);
    VD_SetModifyConfigUDP("C2_BAUD", "9600");
    ASSERT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_OK);
    const Bytes port2 = dev.Block(3);
    ASSERT_TRUE(dev.WaitForRequests(5, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), WriteRequest(3, port2), ReadRequest(3),
                                                  ReadRequest(3), RestartRequest()}));
}

// Block 3 never takes, so the write is undone and block 4, staged behind it,
// is never written: every copy the library keeps is the device's again, and
// a later write of another key of block 4 carries nothing of the undone change.
TEST_F(FamilyBFaults, AnUndoneWriteLeavesEveryCopyAsTheDeviceHoldsIt) {
    ReadFirst();
    const Bytes port1 = dev.Block(2), port2 = dev.Block(3), port3 = dev.Block(4);
    dev.IgnoreWrites(3, 4);
    Stage({{"C1_BAUD", "300"}, {"C2_BAUD", "9600"}, {"C3_BAUD", "19200"}});
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_FAIL);
    EXPECT_EQ(dev.Restarts(), 0);
    // Port 1's block takes, port 2's is written four times, then both are undone.
    const Bytes write3 = WriteRequest(3, WithBaud(port2, 9600));
    const std::vector<Bytes> expected = {ReadRequest(0), WriteRequest(2, WithBaud(port1, 300)), ReadRequest(2),
                                         write3, ReadRequest(3), write3, ReadRequest(3), write3, ReadRequest(3),
                                         write3, ReadRequest(3), WriteRequest(2, port1), ReadRequest(2),
                                         WriteRequest(3, port2), ReadRequest(3)};
    EXPECT_EQ(RequestsWithoutRepeatedReads(dev, expected.size()), expected);
    // The host learns which keys did not take, with their staged values.
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"C2_BAUD", "9600"}}));
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("C3_DATAB", "7");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_OK);
    Bytes port3New = port3;
    port3New[14] = 7;
    EXPECT_EQ((std::vector<Bytes>{dev.Block(2), dev.Block(3), dev.Block(4)}),
              (std::vector<Bytes>{port1, port2, port3New}));
    EXPECT_EQ(dev.Restarts(), 1);
    EXPECT_EQ(TakeAllPairs(), Pairs{});
}

TEST_F(FamilyBFaults, AKeyWhoseBlockCannotBeReadFailsTheWriteBeforeAnythingIsSent) {
    ReadFirst(true);
    dev.DropReplies(4, 100);
    Stage({{"C1_BAUD", "300"}, {"C3_BAUD", "9600"}});
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_FAIL);
    EXPECT_TRUE(dev.Writes().empty());
    EXPECT_EQ(dev.Restarts(), 0);
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"C3_BAUD", "9600"}}));
}

// Answers each read request (17 bytes, A1 14 at bytes 10 and 11) with the
// requested block filled with 0xEE, from the impostor's MAC 02:00:00:AB:CD:EE.
void AnswerAsImpostor(const vdsim::UdpDevicePort &port, const vdsim::Datagram &d) {
    const Bytes &r = d.bytes;
    if (r.size() != 17 || r[10] != 0xA1 || r[11] != 0x14 || r[14] == 0x81) return;
    Bytes reply = {0x00, 0x02, 0x00, 0x02, 0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEE, 0xA1, 0x14, 0x01, 0x02, r[14]};
    reply.resize(reply.size() + 256, 0xEE);
    port.Answer(reply, d.from);
}

TEST_F(FamilyBFaults, AnotherDevicesRepliesAreNeitherReadNorWritten) {
    const Pairs quiet = Read(kMacBText, 48);

    vdsim::UdpDevicePort impostor;
    ASSERT_TRUE(impostor.Start("127.0.0.3", 8801, [&impostor](const vdsim::Datagram &d, bool) {
        AnswerAsImpostor(impostor, d);
    }));
    EXPECT_EQ(Read(kMacBText, 48), quiet);

    Bytes block = dev.Block(0);
    dev.ClearReceived();
    VD_SetModifyConfigUDP("NAME", "renamed");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_OK);
    ASSERT_TRUE(dev.WaitForRequests(3, 1000));  // the password's block, the write, the restart
    const char name[] = "renamed";
    std::copy_n(name, sizeof name, block.begin());
    EXPECT_EQ(dev.Block(0), block);
}

// A write checks the password its own device holds now: not the one a read
// before it found, nor one a write to another model left behind.
TEST(FamilyBIsolation, EachWriteChecksThePasswordItsOwnDeviceHoldsNow) {
    VD_ResetModifyConfigUDP();
    FamilyBDevice one{"127.0.0.2", 32, kMacB};
    FamilyBDevice four{"127.0.0.3", 48, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEE}};
    one.SetPassword("old");
    four.SetPassword("second");
    ASSERT_TRUE(one.Start() && four.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 32), VD_OK);
    one.SetPassword("first");
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

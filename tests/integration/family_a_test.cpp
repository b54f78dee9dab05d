// Family A devices through the exports: discovery in both reply forms (and
// a peer whose endless distinct answers fill a bounded list), a read handed
// out pair by pair with the family's key rules (and a hostile one cut to the
// receive buffer), a write of the staged items after the password check, a
// reset that forgets what a write left, and a device that does not answer.
// On a faulty wire (the simulator loses an answer or ignores a write at a
// known place) a request without answer is sent again within the wait, and
// an answer from another address is not taken for the device's; an answer
// in several datagrams adds up, a copy counting once; a write is read back,
// and what did not take is sent again, a few times at most.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "integration/support.h"
#include "sim_family_a.h"
#include "sim_udp_port.h"

using namespace vdtest;
using vdsim::FamilyADevice;

namespace {

const Bytes kSearchRequest = {0xA1, 0x15, 0x02, 0x00, 0x00, 0xFF};
const Bytes kInfoRequest = {0xA1, 0x14, 0x02, 0x00, 0x00, 0xFF};

TEST(FamilyASearch, ListsBothReplyFormsInArrivalOrder) {
    FamilyADevice items{"127.0.0.2", 5, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02}};
    FamilyADevice fixed{"127.0.0.3", 48, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x03}};  // listed as it comes
    FamilyADevice can{"127.0.0.4", 17, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0xC4}};
    fixed.SetSearchReply(FamilyADevice::SearchReply::Fixed);
    fixed.SetFixedReplyFields(7, 123, 4001);
    for (FamilyADevice *d : {&items, &fixed, &can}) ASSERT_TRUE(d->Start());
    const Found kItems = {"127.0.0.2", "", "00:1A:2B:00:00:02", 5, 0, 0};
    const Found kFixed = {"127.0.0.3", "2.23", "00:1A:2B:00:00:03", 48, 7, 4001};
    const Found kCan = {"127.0.0.4", "", "00:1A:2B:00:00:C4", 17, 0, 0};

    for (FamilyADevice *d : {&can, &fixed, &items, &fixed}) {
        const size_t before = d->ReceivedDatagrams().size();
        ASSERT_EQ(VD_Search(d->Ip().c_str()), VD_OK);
        ASSERT_TRUE(d->WaitForDatagrams(before + 1, 1000));
        SleepMs(30);
    }
    EXPECT_EQ(TakeFound(4), (std::vector<Found>{kCan, kFixed, kItems, kFixed}));

    // A broadcast reaches every device; a late answer is listed by a later call.
    items.SetReplyDelay(200);
    ASSERT_EQ(VD_SearchAll(), VD_OK);
    EXPECT_EQ(TakeFound(2, true), (std::vector<Found>{kFixed, kCan}));
    EXPECT_EQ(TakeFound(1), std::vector<Found>{kItems});
    for (FamilyADevice *d : {&items, &fixed, &can}) {
        const auto got = d->ReceivedDatagrams();
        EXPECT_FALSE(got.front().broadcast);
        EXPECT_TRUE(got.back().broadcast);
        EXPECT_EQ(got.back().bytes, kSearchRequest);
    }
}

// A peer that answers a search with endless distinct MACs fills a bounded
// list: the library holds at most 65,536 results until the host takes them.
TEST(FamilyASearch, EndlessDistinctAnswersFillABoundedList) {
    const int fd = vdsim::OpenUdp("127.0.0.9", 8800);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(VD_Search("127.0.0.9"), VD_OK);
    vdsim::Datagram search;
    ASSERT_TRUE(vdsim::ReceiveDatagram(fd, search, 1000));
    // A fixed search reply whose MAC counts up.
    Bytes reply = {0x00, 0x02, 0x00, 0x02, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 48, 0, 0, 127, 0, 0, 9, 0x0F, 0xA1, 0, 0};
    char ip[VD_IP_LEN], version[VD_VERSION_LEN], mac[VD_MAC_LEN];
    auto take = [&] { return VD_GetSearchDev(ip, version, mac, nullptr, nullptr, nullptr) == VD_OK; };
    // 80,000 answers in bursts the receive queue holds, each burst collected
    // by one call of a host that takes one result.
    const int bursts = 800;
    size_t taken = 0;
    for (uint32_t sent = 0; sent < bursts * 100u;) {
        for (int i = 0; i < 100; ++i, ++sent) {
            for (int b = 0; b < 4; ++b) reply[size_t(6 + b)] = uint8_t(sent >> (24 - 8 * b));
            ASSERT_TRUE(vdsim::SendDatagram(fd, reply, search.from));
        }
        taken += take();
    }
    while (take()) ++taken;
    close(fd);
    EXPECT_GT(taken, 65536u);
    EXPECT_LE(taken, bursts + 65536u);
}

// The bytes of every datagram the device received, in order.
std::vector<Bytes> Received(const FamilyADevice &dev) {
    std::vector<Bytes> out;
    for (const auto &r : dev.ReceivedDatagrams()) out.push_back(r.bytes);
    return out;
}

class FamilyA : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        // C1_TCPAT, COM1_ENABLEST (only D1 in use), C1_D1, C1_D2, IP_MODE, VERSION.
        for (const auto &[code, bytes] : std::vector<std::pair<uint8_t, Bytes>>{
                 {0x0B, {0x00, 0x50}}, {0x0C, {0x01}}, {0x0D, {5}}, {0x0E, {6}}, {0x13, {0}}, {0x20, {7}}})
            dev.SetItem(code, bytes);
        dev.SetText(0x02, "port-1");
        dev.SetPassword("pw");
    }
    FamilyADevice dev{"127.0.0.2", 1, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF}};
};

TEST_F(FamilyA, ReadHandsOutEachPairOnceWithTheFamilyRules) {
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_OK);
    // "PASS" is refused by name, and then still handed out by stepping.
    char key[VD_KEY_LEN] = "PASS", value[VD_VALUE_LEN] = "untouched";
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_FAIL);
    EXPECT_STREQ(value, "untouched");
    // The enable byte is hidden, D2 is off, IP_MODE reads inverted.
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"TYPE", "1"}, {"IP", "127.0.0.2"}, {"MAC", "02:00:00:AB:CD:EF"},
                                     {"C1_TCPAT", "80"}, {"C1_D1", "5"}, {"C1_D2", "invalid"}, {"IP_MODE", "1"},
                                     {"VERSION", "V1.07"}, {"NAME", "port-1"}, {"PASS", "pw"}}));
    // Past the last pair, key and value are emptied; "VERSION" still answers.
    key[0] = '\0';
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_FAIL);
    EXPECT_EQ(std::string(key) + "|" + value, "|");
    EXPECT_EQ(Ask("VERSION"), "V1.00");
}

TEST_F(FamilyA, AHostileReplyIsCutNeverOverrun) {
    // Longer than the receive buffer, with a text longer than the library
    // keeps, a number item too short for its kind, unknown codes, and an item
    // running past byte 2048.
    Bytes reply = vdsim::EncodeFamilyAItems(
        {{0x01, {1}}, {0x02, Bytes(200, 'n')}, {0x77, {1, 2, 3}}, {0x09, {}}, {0x08, {4}}});
    while (reply.size() < 2040) reply = Cat(reply, vdsim::EncodeFamilyAItems({{0x1F, {9}}}));
    reply = Cat(reply, vdsim::EncodeFamilyAItems({{0x03, Bytes(10, 'p')}}));
    ASSERT_LT(reply.size() - 14, 2048u);
    ASSERT_GT(reply.size(), 2048u);
    reply.resize(3000, 0xA1);
    dev.SetInfoReply(reply);
    ASSERT_TRUE(dev.Start());
    const Pairs pairs = Read("127.0.0.2", 1);
    ASSERT_GE(pairs.size(), 4u);
    EXPECT_EQ(Pairs(pairs.begin(), pairs.begin() + 4),
              (Pairs{{"TYPE", "1"}, {"NAME", std::string(49, 'n')}, {"C1_PORT", "65441"}, {"C1_OP", "4"}}));
    for (size_t i = 4; i < pairs.size(); ++i) EXPECT_EQ(pairs[i].first, "C1_BUF_CLS");
}

TEST_F(FamilyA, WriteSendsExactlyTheStagedItemsOnceThePasswordMatches) {
    ASSERT_TRUE(dev.Start());
    // The destination rule needs the enable byte of a read.
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_OK);
    // "invalid" clears bit 0 and stages no destination; IP_MODE is sent
    // inverted; the second NAME replaces the staged one, cut to 10.
    Stage({{"NAME", "abc"}, {"C1_D1", "invalid"}, {"IP_MODE", "1"}, {"MAC", "00:00:00:00:00:01"},
           {"NAME", "abcdefghijkl"}, {"C1_TCPAT", "8080"}});
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "Pw", 1), VD_WRONG_PASSWORD);
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "", 1), VD_WRONG_PASSWORD);
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 1), VD_OK);
    // A write of fewer than 20 bytes is padded; staged changes stay until a reset.
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("C1_BAUD", "9");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 1), VD_OK);
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 1), VD_OK);

    const Bytes write = {0xA1, 0x02, 0x0A, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0xFF,
                         0xA1, 0x0C, 0x01, 0x00, 0xFF,
                         0xA1, 0x13, 0x01, 0x00, 0xFF,
                         0xA1, 0x0B, 0x02, 0x1F, 0x90, 0xFF};
    Bytes padded = {0xA1, 0x0F, 0x01, 0x09};
    padded.resize(20, 0xFF);
    // Every write is read back.
    ASSERT_TRUE(dev.WaitForDatagrams(12, 1000));
    EXPECT_EQ(Received(dev), (std::vector<Bytes>{kInfoRequest, kInfoRequest, kInfoRequest, kInfoRequest, write,
                                              kInfoRequest, kInfoRequest, padded, kInfoRequest, kInfoRequest, padded,
                                              kInfoRequest}));
}

// A reset forgets everything a write that did not take left behind: the
// enable byte it staged for "C1_D1" is not what a later "C1_D2" builds on,
// so the device's D1 stays in use.
TEST_F(FamilyA, AResetForgetsWhatAWriteThatDidNotTakeLeftBehind) {
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_OK);
    dev.IgnoreWrites(4);
    VD_SetModifyConfigUDP("C1_D1", "invalid");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 1), VD_FAIL);
    VD_ResetModifyConfigUDP();
    EXPECT_EQ(TakeAllPairs(), Pairs{});
    VD_SetModifyConfigUDP("C1_D2", "9");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 1), VD_OK);
    EXPECT_EQ(dev.Item(0x0C), Bytes{0x01});
}

// The device answers within milliseconds, yet a read ends no sooner than the
// 200 ms pause after its request, which hosts rely on; and sends it once. A
// silent device times out, forgetting the earlier read, and gets no write.
TEST_F(FamilyA, AReadEndsAtThePauseAfterItsRequestAndASilentDeviceTimesOut) {
    ASSERT_TRUE(dev.Start());
    const double read = Took([] { EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_OK); });
    EXPECT_GE(read, 0.2);
    EXPECT_LT(read, 0.45);
    EXPECT_EQ(Received(dev), std::vector<Bytes>{kInfoRequest});
    dev.SetSilent(true);
    EXPECT_LT(Took([] { EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_FAIL); }), 3.5);
    EXPECT_TRUE(TakeAllPairs().empty());
    VD_SetModifyConfigUDP("C1_BAUD", "9");
    EXPECT_LT(Took([] { EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 1), VD_NO_INFO); }), 3.5);
    // Each wait sends its request again every 300 ms without answer: seven
    // times in all.
    EXPECT_EQ(Received(dev), std::vector<Bytes>(15, kInfoRequest));
}

class FamilyAFaults : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        dev.SetPassword("pw");
        dev.SetItem(0x0F, {7});  // C1_BAUD
        ASSERT_TRUE(dev.Start());
    }
    FamilyADevice dev{"127.0.0.2", 5, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02}};
};

// An answer from another address answers nothing: the device's own, which
// comes after it, is the one read.
TEST(FamilyAFaultsElsewhere, AnAnswerFromAnotherAddressIsNotTheDevices) {
    vdsim::UdpDevicePort device, impostor;
    ASSERT_TRUE(impostor.Start("127.0.0.3", 8801, [](const vdsim::Datagram &, bool) {}));
    const Bytes own = vdsim::EncodeFamilyAItems({{0x01, {5}}, {0x02, {'o', 'w', 'n'}}});
    const Bytes other = vdsim::EncodeFamilyAItems({{0x01, {5}}, {0x02, {'o', 't', 'h', 'e', 'r'}}});
    ASSERT_TRUE(device.Start("127.0.0.2", 8800, [&](const vdsim::Datagram &d, bool) {
        impostor.Answer(other, d.from);
        SleepMs(50);
        device.Answer(own, d.from);
    }));
    EXPECT_EQ(Read("127.0.0.2", 5), (Pairs{{"TYPE", "5"}, {"NAME", "own"}}));
}

// A device may answer one request in several datagrams: the pairs of each
// add up in arrival order, for a read and for a write's read-back, and a
// copy of one already read adds nothing. A device that never stops sending
// new ones fills a bounded answer, not the host's memory.
TEST(FamilyAFaultsElsewhere, AnAnswerInSeveralDatagramsAddsUpAndACopyCountsOnce) {
    vdsim::UdpDevicePort device;
    const Bytes first = vdsim::EncodeFamilyAItems({{0x01, {5}}, {0x02, {'t', 'w', 'o'}}});
    const Bytes second = vdsim::EncodeFamilyAItems({{0x0F, {9}}});  // C1_BAUD
    std::atomic<int> flood{0};
    ASSERT_TRUE(device.Start("127.0.0.2", 8800, [&](const vdsim::Datagram &d, bool) {
        if (d.bytes != kInfoRequest) return;
        for (const Bytes *b : {&first, &second, &first}) device.Answer(*b, d.from);
        // Each of 160 names, distinct from every other datagram's.
        for (int i = 0; i < flood; ++i) {
            std::vector<vdsim::FamilyAItem> names;
            for (int n = 0; n < 160; ++n) {
                const std::string name = std::to_string(i * 1000 + n);
                names.push_back({0x02, Bytes(name.begin(), name.end())});
            }
            device.Answer(vdsim::EncodeFamilyAItems(names), d.from);
        }
    }));
    const Pairs whole = {{"TYPE", "5"}, {"NAME", "two"}, {"C1_BAUD", "9"}};
    EXPECT_EQ(Read("127.0.0.2", 5), whole);
    // The staged baud rate is in the second datagram of the read-back.
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("C1_BAUD", "9");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "", 5), VD_OK);
    VD_ResetModifyConfigUDP();

    flood = 200;
    const Pairs pairs = Read("127.0.0.2", 5);
    ASSERT_GE(pairs.size(), whole.size());
    EXPECT_EQ(Pairs(pairs.begin(), pairs.begin() + 3), whole);
    // 32,000 names were sent; an item takes at least 4 bytes of the answer's 16 KiB.
    EXPECT_LE(pairs.size(), 4096u);
}

TEST_F(FamilyAFaults, ALostAnswerIsAskedForAgainAndOnlyAWriteThatDidNotTakeIsSentAgain) {
    // A lost answer is made up for within the wait.
    dev.DropInfoAnswers(1);
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 5), VD_OK);
    EXPECT_EQ(Ask("C1_BAUD"), "7");
    EXPECT_EQ(Received(dev), (std::vector<Bytes>{kInfoRequest, kInfoRequest}));
    dev.ClearReceived();
    dev.IgnoreWrites(5);
    Stage({{"C1_BAUD", "9"}, {"NAME", "pump"}});
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 5), VD_FAIL);
    // The name's field holds 10 bytes: 19 in all, too many to be padded.
    const Bytes write = {0xA1, 0x0F, 0x01, 0x09, 0xFF, 0xA1, 0x02, 0x0A, 'p', 'u', 'm', 'p', 0, 0, 0, 0, 0, 0, 0xFF};
    EXPECT_EQ(Received(dev), (std::vector<Bytes>{kInfoRequest, write, kInfoRequest, write, kInfoRequest, write,
                                              kInfoRequest, write, kInfoRequest}));
    // The host learns which keys did not take, with their staged values.
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"C1_BAUD", "9"}, {"NAME", "pump"}}));

    // The fifth write is ignored too, the sixth takes: the name was
    // confirmed, so only the baud rate is sent again.
    dev.ClearReceived();
    dev.SetText(0x02, "pump");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 5), VD_OK);
    const Bytes baud = Cat({0xA1, 0x0F, 0x01, 0x09, 0xFF}, Bytes(15, 0xFF));  // fewer than 16 bytes: padded
    EXPECT_EQ(Received(dev), (std::vector<Bytes>{kInfoRequest, write, kInfoRequest, baud, kInfoRequest}));
    EXPECT_EQ(dev.Item(0x0F), Bytes{9});
}

}  // namespace

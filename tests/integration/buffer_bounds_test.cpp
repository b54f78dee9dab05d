// The host's out buffers of the discovery and configuration calls, each given
// at exactly its documented size and ending right before an inaccessible
// page, against devices that send the longest values they can: the library
// writes within them, cut and terminated.
#include <gtest/gtest.h>


#include "integration/support.h"
#include "sim_family_a.h"

using namespace vdtest;
using vdsim::FamilyADevice;
using vdsim::FamilyBDevice;

namespace {

const vdsim::Mac kMacFF = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const std::string kMacFFText = "FF:FF:FF:FF:FF:FF";

}  // namespace

TEST(BufferBounds, SearchResultsFillTheirBuffersAtMost) {
    // The items form, with a name as long as an item holds.
    FamilyADevice items{"127.100.100.100", 5, kMacFF};
    items.SetText(0x02, std::string(255, 'n'));
    // An items reply with a long version item and an item no key stands for.
    FamilyADevice versionItem{"127.0.0.5", 1, kMacFF};
    versionItem.SetSearchReplyBytes(vdsim::EncodeFamilyAItems(
        {{0x01, {1}}, {0x20, Bytes(255, 0xFF)}, {0x7E, Bytes(255, 'u')}, {0x04, Bytes(kMacFF.begin(), kMacFF.end())}}));
    // A fixed reply with every field at its largest, naming the widest
    // address, whatever its sender.
    // marker, MAC, 4 unread, type, code2, version, IPv4, port, 2 unread
    const Bytes widest = {0x00, 0x02, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                          0,    255,  255,  255,  255,  255,  255,  255,  0xFF, 0xFF, 0, 0};
    FamilyADevice raw{"127.0.0.6", 1, kMacFF};
    raw.SetSearchReplyBytes(widest);
    for (FamilyADevice *d : {&items, &versionItem, &raw}) ASSERT_TRUE(d->Start());

    ASSERT_EQ(VD_SearchAll(), VD_OK);
    EXPECT_EQ(TakeFound(3, true), (std::vector<Found>{
                                     {"127.0.0.5", "", kMacFFText, 1, 0, 0},
                                     {"127.100.100.100", "", kMacFFText, 5, 0, 0},
                                     {"255.255.255.255", "3.55", kMacFFText, 255, 255, 65535},
                                 }));
}

TEST(BufferBounds, FamilyAItemsAsLongAsTheirFramingAllows) {
    FamilyADevice dev{"127.0.0.2", 1, kMacFF};
    dev.SetItem(0x05, Bytes(255, 0xFF));  // IP
    dev.SetText(0x02, std::string(255, 'n'));
    dev.SetPassword(std::string(255, 'p'));
    dev.SetItem(0x20, Bytes(255, 0xFF));  // VERSION
    dev.SetItem(0x7E, Bytes(255, 'u'));   // no key
    dev.SetItem(0x08, Bytes(255, 0xFE));  // C1_OP
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_OK);

    // A key no device has, as long as the key buffer takes, is simply not found.
    EXPECT_EQ(Ask(std::string(VD_KEY_LEN - 1, 'K'), VD_FAIL), "");
    EXPECT_EQ(Ask("NAME"), std::string(49, 'n'));
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"TYPE", "1"}, {"IP", "255.255.255.255"}, {"MAC", kMacFFText},
                                     {"PASS", std::string(49, 'p')}, {"VERSION", "V3.55"}, {"C1_OP", "254"}}));
}

TEST(BufferBounds, FamilyBFieldsWithoutTerminators) {
    FamilyBDevice dev{"127.0.0.2", 32, kMacB};
    const std::string host = "host.example.host.example.host.example.h";
    dev.SetBytes(0, 0, Bytes(16, 'N'));  // NAME fills its 16 bytes
    dev.SetBytes(0, 16, Bytes(16, 'P'));  // and so does PASS
    dev.SetBytes(0, 64, Bytes(64, 0xFF));  // every filter range at its widest
    dev.SetBytes(2, 96, Bytes(40, 'a'));  // C1_CLI_IP1: 40 characters, no 0
    dev.SetText(2, 136, std::string(39, 'b'));
    dev.SetBytes(2, 176, Bytes(host.begin(), host.end()));  // a name with dots, no 0
    dev.SetBytes(2, 216, Bytes(8, 0xFF));  // a range, at the very end of the block
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 32), VD_OK);

    const std::string widestRange = "255.255.255.255-255.255.255.255";
    EXPECT_EQ(Ask("C1_CLI_IP1"), std::string(40, 'a'));
    const Pairs pairs = TakeAllPairs();
    ASSERT_GE(pairs.size(), 44u);
    EXPECT_EQ(pairs[0], Pairs::value_type("NAME", std::string(16, 'N')));
    EXPECT_EQ(pairs[1], Pairs::value_type("PASS", std::string(16, 'P')));
    EXPECT_EQ(pairs[17], Pairs::value_type("IPF8", widestRange));
    EXPECT_EQ(Pairs(pairs.end() - 3, pairs.end()), (Pairs{{"C1_CLI_IP2", std::string(39, 'b')},
                                                         {"C1_CLI_IP3", host},
                                                         {"C1_CLI_IP4", widestRange}}));
}

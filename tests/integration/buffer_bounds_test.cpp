// The host's out buffers of the discovery and configuration calls, each given
// at exactly its documented size and ending right before an inaccessible
// page, against devices that send the longest values they can: the library
// writes within them, cut and terminated.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "buffer_bounds_support.h"
#include "family_b_support.h"
#include "sim_family_a.h"

using vdsim::Bytes;
using vdsim::FamilyADevice;
using vdsim::FamilyBDevice;

namespace {

struct Found {
    std::string ip, version, mac;
    int code1, code2;
    uint32_t port;
    bool operator<(const Found &o) const { return ip < o.ip; }
    bool operator==(const Found &o) const {
        return std::tie(ip, version, mac, code1, code2, port) ==
               std::tie(o.ip, o.version, o.mac, o.code1, o.code2, o.port);
    }
};

// One search result taken into buffers of exactly the documented sizes,
// filled with junk beforehand.
bool TakeGuarded(Found &f) {
    GuardedBuffer ip(VD_IP_LEN), version(VD_VERSION_LEN), mac(VD_MAC_LEN);
    for (GuardedBuffer *b : {&ip, &version, &mac}) Junk(*b);
    uint8_t c1 = 0, c2 = 0;
    uint32_t port = 0;
    if (VD_GetSearchDev(ip.data(), version.data(), mac.data(), &c1, &c2, &port) != VD_OK) return false;
    f = {Written(ip), Written(version), Written(mac), c1, c2, port};
    return true;
}

std::vector<Found> TakeAllGuarded(size_t count) {
    std::vector<Found> all;
    Found f;
    for (int i = 0; i < 100 && all.size() < count; ++i) {
        while (TakeGuarded(f)) all.push_back(f);
        if (all.size() < count) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::sort(all.begin(), all.end());
    return all;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Steps through every pair with an empty key in a key buffer of VD_KEY_LEN
// and a value buffer of VD_VALUE_LEN.
Pairs TakeAllGuardedPairs() {
    Pairs out;
    for (;;) {
        GuardedBuffer key(VD_KEY_LEN), value(VD_VALUE_LEN);
        Junk(value);
        key.Set("");
        if (VD_GetDevConfigUDP(key.data(), value.data()) != VD_OK) return out;
        out.emplace_back(Written(key), Written(value));
    }
}

// Asks for one key held in a buffer just big enough for it.
std::string AskGuarded(const std::string &name, int expected = VD_OK) {
    GuardedBuffer key(name.size() + 1), value(VD_VALUE_LEN);
    key.Set(name.c_str());
    Junk(value);
    EXPECT_EQ(VD_GetDevConfigUDP(key.data(), value.data()), expected) << name;
    EXPECT_EQ(Written(key), name);
    return Written(value);
}

const vdsim::Mac kMacFF = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const std::string kMacFFText = "FF:FF:FF:FF:FF:FF";

Bytes Repeat(const std::string &pattern, size_t n) {
    Bytes out;
    while (out.size() < n) out.push_back(uint8_t(pattern[out.size() % pattern.size()]));
    return out;
}

}  // namespace

TEST(BufferBounds, SearchResultsFillTheirBuffersAtMost) {
    // The items form, with a name as long as an item holds.
    FamilyADevice items{"127.100.100.100", 5, kMacFF};
    items.SetText(0x02, std::string(255, 'n'));
    // The fixed form with every field at its largest.
    FamilyADevice fixed{"127.200.200.200", 48, kMacFF};
    fixed.SetSearchReply(FamilyADevice::SearchReply::Fixed);
    fixed.SetFixedReplyFields(255, 255, 65535);
    // An items reply with a long version item and an item no key stands for.
    FamilyADevice versionItem{"127.0.0.5", 1, kMacFF};
    versionItem.SetSearchReplyBytes(vdsim::EncodeFamilyAItems(
        {{0x01, {1}}, {0x20, Bytes(255, 0xFF)}, {0x7E, Bytes(255, 'u')}, {0x04, Bytes(kMacFF.begin(), kMacFF.end())}}));
    // A fixed reply naming the widest address, whatever its sender.
    // marker, MAC, 4 unread, type, code2, version, IPv4, port, 2 unread
    const Bytes widest = {0x00, 0x02, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                          0,    255,  255,  255,  255,  255,  255,  255,  0xFF, 0xFF, 0, 0};
    FamilyADevice raw{"127.0.0.6", 1, kMacFF};
    raw.SetSearchReplyBytes(widest);
    for (FamilyADevice *d : {&items, &fixed, &versionItem, &raw}) ASSERT_TRUE(d->Start());

    ASSERT_EQ(VD_SearchAll(), VD_OK);
    EXPECT_EQ(TakeAllGuarded(4), (std::vector<Found>{
                                     {"127.0.0.5", "", kMacFFText, 1, 0, 0},
                                     {"127.100.100.100", "", kMacFFText, 5, 0, 0},
                                     {"127.200.200.200", "3.55", kMacFFText, 48, 255, 65535},
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
    EXPECT_EQ(AskGuarded(std::string(VD_KEY_LEN - 1, 'K'), VD_FAIL), "");
    EXPECT_EQ(AskGuarded("NAME"), std::string(49, 'n'));
    EXPECT_EQ(TakeAllGuardedPairs(), (Pairs{{"TYPE", "1"},
                                            {"IP", "255.255.255.255"},
                                            {"MAC", kMacFFText},
                                            {"PASS", std::string(49, 'p')},
                                            {"VERSION", "V3.55"},
                                            {"C1_OP", "254"}}));
    EXPECT_EQ(AskGuarded("VERSION"), "V1.00");
}

TEST(BufferBounds, FamilyBFieldsWithoutTerminators) {
    FamilyBDevice dev{"127.0.0.2", 32, famb::kMac};
    dev.SetBytes(0, 0, Bytes(16, 'N'));  // NAME fills its 16 bytes
    dev.SetBytes(0, 16, Bytes(16, 'P'));  // and so does PASS
    dev.SetBytes(0, 64, Bytes(64, 0xFF));  // every filter range at its widest
    dev.SetBytes(2, 96, Bytes(40, 'a'));  // C1_CLI_IP1: 40 characters, no 0
    dev.SetText(2, 136, std::string(39, 'b'));
    dev.SetBytes(2, 176, Repeat("host.example.", 40));  // a name with dots, no 0
    dev.SetBytes(2, 216, Bytes(8, 0xFF));  // a range, at the very end of the block
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(famb::kMacText, 32), VD_OK);

    const std::string widestRange = "255.255.255.255-255.255.255.255";
    EXPECT_EQ(AskGuarded("C1_CLI_IP1"), std::string(40, 'a'));
    const Pairs pairs = TakeAllGuardedPairs();
    ASSERT_GE(pairs.size(), 44u);
    EXPECT_EQ(pairs[0], Pairs::value_type("NAME", std::string(16, 'N')));
    EXPECT_EQ(pairs[1], Pairs::value_type("PASS", std::string(16, 'P')));
    for (int n = 1; n <= 8; ++n)
        EXPECT_NE(std::find(pairs.begin(), pairs.end(), Pairs::value_type("IPF" + std::to_string(n), widestRange)),
                  pairs.end())
            << n;
    const Pairs hosts(pairs.end() - 3, pairs.end());
    const Bytes host = Repeat("host.example.", 40);
    const std::string dotted(host.begin(), host.end());
    EXPECT_EQ(hosts, (Pairs{{"C1_CLI_IP2", std::string(39, 'b')}, {"C1_CLI_IP3", dotted}, {"C1_CLI_IP4", widestRange}}));
}

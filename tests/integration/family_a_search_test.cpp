// Discovery of family A devices through the exports, against simulated
// devices answering in both reply forms.
#include <gtest/gtest.h>

#include <algorithm>

#include "family_a_support.h"

using namespace fama;
using vdsim::FamilyADevice;

namespace {

const vdsim::Mac kMac2 = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02};
const vdsim::Mac kMac3 = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x03};
const vdsim::Mac kMac4 = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0xC4};

const Found kItems2 = {"127.0.0.2", "", "00:1A:2B:00:00:02", 5, 0, 0};
const Found kFixed3 = {"127.0.0.3", "2.23", "00:1A:2B:00:00:03", 48, 7, 4001};
const Found kItems4 = {"127.0.0.4", "", "00:1A:2B:00:00:C4", 17, 0, 0};

class FamilyASearch : public ::testing::Test {
protected:
    void SetUp() override {
        fixed.SetSearchReply(FamilyADevice::SearchReply::Fixed);
        fixed.SetFixedReplyFields(7, 123, 4001);
        ASSERT_TRUE(items.Start());
        ASSERT_TRUE(fixed.Start());
        ASSERT_TRUE(can.Start());
    }
    // Searches one device and waits until its answer is queued.
    void SearchOne(FamilyADevice &d) {
        const size_t before = d.ReceivedDatagrams().size();
        ASSERT_EQ(VD_Search(d.Ip().c_str()), VD_OK);
        ASSERT_TRUE(d.WaitForDatagrams(before + 1, 1000));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }

    FamilyADevice items{"127.0.0.2", 5, kMac2};
    FamilyADevice fixed{"127.0.0.3", 48, kMac3};  // a family B code, listed as it comes
    FamilyADevice can{"127.0.0.4", 17, kMac4};
};

}  // namespace

TEST_F(FamilyASearch, BroadcastFindsEveryDeviceInBothReplyForms) {
    Found f;
    EXPECT_FALSE(TakeOne(f));
    ASSERT_EQ(VD_SearchAll(), VD_OK);
    std::vector<Found> all = TakeFound(3);
    for (FamilyADevice *d : {&items, &fixed, &can}) {
        const auto got = d->ReceivedDatagrams();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_TRUE(got[0].broadcast);
        EXPECT_EQ(got[0].bytes, (vdsim::Bytes{0xA1, 0x15, 0x02, 0x00, 0x00, 0xFF}));
    }
    std::sort(all.begin(), all.end(), [](const Found &a, const Found &b) { return a.ip < b.ip; });
    EXPECT_EQ(all, (std::vector<Found>{kItems2, kFixed3, kItems4}));
    EXPECT_FALSE(TakeOne(f));
}

TEST_F(FamilyASearch, ResultsComeInArrivalOrderAndRepeatWithEachSearch) {
    SearchOne(can);
    SearchOne(fixed);
    SearchOne(items);
    SearchOne(fixed);
    EXPECT_EQ(TakeFound(4), (std::vector<Found>{kItems4, kFixed3, kItems2, kFixed3}));
    const auto got = items.ReceivedDatagrams();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_FALSE(got[0].broadcast);
}

TEST_F(FamilyASearch, SilentDevicesAndUnknownAddressesListNothing) {
    items.SetSilent(true);
    fixed.SetSilent(true);
    can.SetSilent(true);
    ASSERT_EQ(VD_SearchAll(), VD_OK);
    ASSERT_EQ(VD_Search("127.0.0.77"), VD_OK);
    EXPECT_TRUE(can.WaitForDatagrams(1, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(TakeFound(0).empty());
}

TEST_F(FamilyASearch, ALateReplyIsListedByALaterCall) {
    items.SetReplyDelay(200);
    fixed.SetSilent(true);
    can.SetSilent(true);
    ASSERT_EQ(VD_SearchAll(), VD_OK);
    ASSERT_TRUE(items.WaitForDatagrams(1, 1000));
    Found f;
    EXPECT_FALSE(TakeOne(f));
    EXPECT_EQ(TakeFound(1), std::vector<Found>{kItems2});
}

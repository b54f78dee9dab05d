// Named commands through the fleet interface: each goes once, as its family
// sends it (family A's padded item to the device, family B's restart
// broadcast naming the MAC); a command the type does not take sends
// nothing; a restart submitted after a write of the device goes only once
// that write has ended.
#include <gtest/gtest.h>

#include "integration/support.h"
#include "sim_family_a.h"
#include "sim_family_b.h"
#include "vandrel_fleet.h"

using namespace vdtest;

namespace {

int Command(VF_Fleet *fleet, const char *device, int type, const char *command, const char *param) {
    return VF_Wait(fleet, VF_Command(fleet, device, type, command, param, 2000), 4000);
}

TEST(FleetCommand, EachCommandGoesOnceAsItsFamilySendsItAndOnlyToATypeThatTakesIt) {
    vdsim::FamilyADevice a{"127.0.0.2", 7, {0x02, 0x00, 0x00, 0x00, 0x00, 0x08}};
    vdsim::FamilyBDevice b{"127.0.0.3", 32, kMacB};
    ASSERT_TRUE(a.Start() && b.Start());
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    ASSERT_NE(fleet, nullptr);
    EXPECT_GE(VF_Version(), 4u);
    EXPECT_EQ(Command(fleet, "127.0.0.2", 5, "RESETDEV", "1"), VD_OK);
    EXPECT_EQ(Command(fleet, "127.0.0.2", 3, "10TCTRLIO", "258"), VD_OK);
    EXPECT_EQ(Command(fleet, "127.0.0.2", 7, "RESETDEV10T", "4"), VD_OK);
    EXPECT_EQ(Command(fleet, "127.0.0.2", 9, "RESETDEV10T", "4"), VD_FAIL);
    EXPECT_EQ(Command(fleet, "127.0.0.2", 5, "GETADC", ""), VD_FAIL);
    // Family B is named by its MAC in any case.
    EXPECT_EQ(Command(fleet, "02:00:00:ab:cd:ef", 32, "RESETDEV", nullptr), VD_OK);
    EXPECT_EQ(Command(fleet, kMacBText, 32, "10TCTRLIO", "1"), VD_FAIL);
    EXPECT_EQ(Command(fleet, "127.0.0.2", 99, "RESETDEV", "1"), VD_WRONG_FAMILY);
    EXPECT_EQ(VF_Command(fleet, "127.0.0.2", 5, nullptr, "1", 2000), 0u);
    ASSERT_TRUE(a.WaitForDatagrams(3, 1000) && b.WaitForRequests(1, 1000));
    SleepMs(50);
    VF_Destroy(fleet);
    const Bytes padding(15, 0xFF);
    EXPECT_EQ(a.Writes(), (std::vector<Bytes>{Cat({0xA1, 0x1B, 0x01, 0x01, 0xFF}, padding),
                                              Cat({0xA1, 0x23, 0x01, 0x02, 0xFF}, padding),
                                              Cat({0xA1, 0x25, 0x01, 0x04, 0xFF}, padding)}));
    EXPECT_EQ(b.Requests(), std::vector<Bytes>{RestartRequest()});
}

TEST(FleetCommand, ARestartSubmittedAfterAWriteOfItsDeviceGoesOnceTheWriteHasEnded) {
    vdsim::FamilyADevice a{"127.0.0.2", 5, {0x02, 0x00, 0x00, 0x00, 0x00, 0x08}};
    a.SetPassword("admin");
    ASSERT_TRUE(a.Start());
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    ASSERT_NE(fleet, nullptr);
    const char *keys[] = {"NAME"}, *values[] = {"pump"};
    const VF_Op write = VF_Write(fleet, "127.0.0.2", 5, "admin", keys, values, 1, 5000);
    const VF_Op restart = VF_Command(fleet, "127.0.0.2", 5, "RESETDEV", "1", 5000);
    ASSERT_EQ(VF_Wait(fleet, restart, 10000), VD_OK);
    EXPECT_EQ(VF_Result(fleet, write), VD_OK);
    VF_Destroy(fleet);
    // The restart is sent, not answered: the device may take it a moment later.
    const Bytes restartItem = Cat({0xA1, 0x1B, 0x01, 0x01, 0xFF}, Bytes(15, 0xFF));
    for (int i = 0; i < 100 && (a.Writes().empty() || a.Writes().back() != restartItem); ++i) SleepMs(10);
    const std::vector<Bytes> writes = a.Writes();
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes.back(), restartItem);
}

}  // namespace

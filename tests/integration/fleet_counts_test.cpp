// The fleet's wire counts, through the fleet interface: reads on a clean
// wire count nothing; a device that loses its first answer and sends every
// answer twice counts the request asked again and the copies heard while
// the operation runs, in both families, added up across operations.
#include <gtest/gtest.h>

#include "integration/support.h"
#include "sim_family_a.h"
#include "sim_family_b.h"
#include "vandrel_fleet.h"

using namespace vdtest;

namespace {

struct Counts {
    uint64_t resent;
    uint64_t duplicates;
};

Counts Read(VF_Fleet *fleet, const char *device, int32_t type) {
    const VF_Op op = VF_Read(fleet, device, type, 5000);
    EXPECT_EQ(VF_Wait(fleet, op, 8000), VD_OK) << device;
    VF_Release(fleet, op);
    return {VF_Count(fleet, VF_RESENT), VF_Count(fleet, VF_DUPLICATES)};
}

TEST(FleetCounts, AnswersLostOrTwiceAreCountedAndACleanWireCountsNothing) {
    vdsim::FamilyADevice a{"127.0.0.2", 5, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02}};
    vdsim::FamilyBDevice b{"127.0.0.3", 48, kMacB};
    a.SetPassword("pw");
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    ASSERT_NE(fleet, nullptr);
    Counts now = Read(fleet, "127.0.0.2", 5);
    EXPECT_EQ(now.resent + now.duplicates, 0u);
    now = Read(fleet, kMacBText, 48);
    EXPECT_EQ(now.resent + now.duplicates, 0u);

    // A write whose first read goes unanswered, each answer then twice:
    // the copies come while the write goes on.
    a.DropInfoAnswers(1);
    a.SetDuplicateReplies(true);
    const char *key[] = {"NAME"}, *value[] = {"counted"};
    const VF_Op write = VF_Write(fleet, "127.0.0.2", 5, "pw", key, value, 1, 5000);
    ASSERT_EQ(VF_Wait(fleet, write, 8000), VD_OK);
    EXPECT_GE(VF_Count(fleet, VF_RESENT), 1u);
    EXPECT_GE(VF_Count(fleet, VF_DUPLICATES), 2u);

    // Five blocks, each answered twice; block 3's first answer is lost, so
    // it is asked again, and the others' copies come before it.
    const Counts before{VF_Count(fleet, VF_RESENT), VF_Count(fleet, VF_DUPLICATES)};
    b.DropReplies(3, 1);
    b.SetDuplicateReplies(true);
    now = Read(fleet, kMacBText, 48);
    EXPECT_GE(now.resent - before.resent, 1u);
    EXPECT_GE(now.duplicates - before.duplicates, 4u);
    EXPECT_EQ(VF_Count(fleet, 0), 0u);
    VF_Destroy(fleet);
}

}  // namespace

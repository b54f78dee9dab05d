// A second context in the process beside the default one that the exports
// run on: it reads and writes a device of its own while the exports wait on
// another, with its own lock, its own read and its own staged changes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "context/context.h"
#include "integration/support.h"
#include "sim_family_a.h"

using namespace vdtest;
using vdsim::FamilyADevice;

namespace {

Bytes Text(const std::string &text) { return Bytes(text.begin(), text.end()); }

// The value of key from the context's last read.
std::string ValueOf(vd::Context &context, const char *key) {
    char name[VD_KEY_LEN] = {}, value[VD_VALUE_LEN] = {};
    std::snprintf(name, sizeof name, "%s", key);
    EXPECT_EQ(context.GetDevConfig(name, value), VD_OK) << key;
    return value;
}

TEST(Contexts, ASecondContextWorksBesideTheExportsOnStateOfItsOwn) {
    FamilyADevice slow{"127.0.0.2", 5, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02}};
    FamilyADevice quick{"127.0.0.3", 5, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x03}};
    slow.SetText(0x02, "slow");
    quick.SetText(0x02, "quick");
    quick.SetPassword("pw");
    slow.SetReplyDelay(1200);
    ASSERT_TRUE(slow.Start());
    ASSERT_TRUE(quick.Start());
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("NAME", "exports");  // staged on the default context

    vd::Context second;
    std::atomic<int> exportsRead{-1};
    std::thread host([&] { exportsRead = VD_GetDevInfoUDPbyIP("127.0.0.2", 5); });
    ASSERT_TRUE(slow.WaitForDatagrams(1, 1000));
    // The exports' read holds the default context's lock until its answer
    // comes; the second context is not kept waiting for it.
    const auto start = Clock::now();
    EXPECT_EQ(second.GetDevInfoByIP("127.0.0.3", 5), VD_OK);
    EXPECT_LT(Seconds(start), 0.6);
    EXPECT_EQ(ValueOf(second, "NAME"), "quick");
    // Its write sends what it staged, nothing of the default context's.
    second.SetModifyConfig("C1_BAUD", "9");
    EXPECT_EQ(second.ModifyDevByIP("127.0.0.3", "pw", 5), VD_OK);
    EXPECT_EQ(quick.Item(0x0F), Bytes{9});
    EXPECT_EQ(quick.Item(0x02), Text("quick"));

    host.join();
    EXPECT_EQ(exportsRead, VD_OK);
    EXPECT_EQ(Ask("NAME"), "slow");
    VD_ResetModifyConfigUDP();
}

}  // namespace

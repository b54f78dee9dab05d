// The IO-module operations through the exports, against a simulated IO
// module: each reading comes with the call after the one that asked for it.
#include <gtest/gtest.h>

#include <vector>

#include "integration/support.h"
#include "sim_io_module.h"

namespace {

using vdtest::Bytes;

const char kHost[] = "127.0.0.3";
const uint16_t kPort = 8800;
const Bytes kGetAdc = {0xAA, 0x05, 0x00, 0xAF, 0x0D};

vdsim::IoModuleSettings ModuleSettings() {
    vdsim::IoModuleSettings s;
    s.address = kHost;
    s.port = kPort;
    s.adc[0] = 258;
    s.adc[1] = 772;
    s.io[0] = 0x0F;
    s.io[1] = 0xF0;
    return s;
}

class TcpIo : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module.Start());
        handle = VD_TCPInit(kHost, kPort);
        ASSERT_NE(handle, nullptr);
    }
    void TearDown() override { EXPECT_EQ(VD_TCPUninit(handle), VD_OK); }

    // Waits until the module has answered count requests and its answers
    // have had time to arrive.
    void AwaitReplies(size_t count) {
        ASSERT_TRUE(module.WaitForReplies(count, 1000));
        vdtest::SleepMs(20);
    }

    vdsim::IoModule module{ModuleSettings()};
    void *handle = nullptr;
};

TEST_F(TcpIo, EachCallSendsARequestAndCollectsTheReplyToThePreviousOne) {
    uint32_t a = 1111, b = 2222;
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_FAIL);  // nothing yet: only sends
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(1111u, 2222u));
    AwaitReplies(1);
    EXPECT_EQ(module.Received(), kGetAdc);
    module.SetReadings(0xFFFF, 0, 0x0F, 0xF0);  // the reply already sent holds the old readings
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(258u, 772u));
    AwaitReplies(2);
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(65535u, 0u));
    AwaitReplies(3);

    uint8_t io[2] = {7, 7};
    EXPECT_EQ(VD_GetIO(handle, &io[0], &io[1]), VD_FAIL);  // a GETADC reply is no answer
    EXPECT_EQ(io[0], 7);
    AwaitReplies(4);
    EXPECT_EQ(VD_GetIO(handle, &io[0], &io[1]), VD_OK);
    EXPECT_EQ(std::make_pair(io[0], io[1]), std::make_pair(uint8_t(0x0F), uint8_t(0xF0)));
    EXPECT_EQ(VD_SetIODir(handle, 255), VD_OK);
    EXPECT_EQ(VD_SetIOLevel(handle, 15), VD_OK);
    AwaitReplies(7);
    EXPECT_EQ(std::make_pair(module.Direction(), module.Level()), std::make_pair(uint8_t(255), uint8_t(15)));
}

TEST_F(TcpIo, StrayBytesAndABadCheckByteAheadOfTheReplyAreSkipped) {
    module.PutAheadOfNextReply(vdtest::Cat({0x00, 0x13, 0xAA, 0x05}, vdsim::IoModule::Packet(5, {9, 9, 9, 9}, true)));
    uint32_t a = 0, b = 0;
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_FAIL);
    AwaitReplies(1);
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(258u, 772u));
}

TEST_F(TcpIo, AClosedChannelCannotSend) {
    module.Stop();  // the module closes the connection
    for (int i = 0; i < 5; ++i) VD_PumpMessages(50);
    uint8_t a, b;
    EXPECT_EQ(VD_GetIO(handle, &a, &b), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIODir(handle, 1), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIOLevel(handle, 1), VD_NO_CONNECTION);
}

}  // namespace

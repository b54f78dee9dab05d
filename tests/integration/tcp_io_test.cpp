// The data channels and the IO-module operations through the exports,
// against a simulated IO module.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "sim_io_module.h"
#include "vandrel.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char kHost[] = "127.0.0.3";
const uint16_t kPort = 8800;
const Bytes kGetAdc = {0xAA, 0x05, 0x00, 0xAF, 0x0D};
const Bytes kGetIoStat = {0xAA, 0x01, 0x00, 0xAB, 0x0D};

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

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class TcpIo : public ::testing::Test {
protected:
    TcpIo() : module(ModuleSettings()) {}
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
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    vdsim::IoModule module;
    void *handle = nullptr;
};

TEST_F(TcpIo, GetADAnswersWithThePreviousRequestsReply) {
    uint32_t a = 1111, b = 2222;
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_FAIL);  // nothing yet: only sends
    EXPECT_EQ(a, 1111u);
    EXPECT_EQ(b, 2222u);
    AwaitReplies(1);
    EXPECT_EQ(module.Received(), kGetAdc);

    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(a, 258u);
    EXPECT_EQ(b, 772u);
    AwaitReplies(2);
    EXPECT_EQ(module.Received(), Join({kGetAdc, kGetAdc}));

    module.SetReadings(0xFFFF, 0, 0, 0);  // the queued reply still holds the old readings
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(a, 258u);
    AwaitReplies(3);
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(a, 65535u);
    EXPECT_EQ(b, 0u);
}

TEST_F(TcpIo, GetIOAnswersWithThePreviousRequestsReply) {
    uint8_t a = 7, b = 7;
    EXPECT_EQ(VD_GetIO(handle, &a, &b), VD_FAIL);
    EXPECT_EQ(a, 7);
    AwaitReplies(1);
    EXPECT_EQ(module.Received(), kGetIoStat);
    EXPECT_EQ(VD_GetIO(handle, &a, &b), VD_OK);
    EXPECT_EQ(a, 0x0F);
    EXPECT_EQ(b, 0xF0);
}

TEST_F(TcpIo, StrayBytesAndABadCheckByteAheadOfTheReplyAreSkipped) {
    module.PutAheadOfNextReply(
        Join({{0x00, 0x13, 0xAA, 0x05}, vdsim::IoModule::Packet(5, {9, 9, 9, 9}, true)}));
    uint32_t a = 0, b = 0;
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_FAIL);
    AwaitReplies(1);
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(a, 258u);
    EXPECT_EQ(b, 772u);
}

TEST_F(TcpIo, ReplyWithABadCheckByteGivesNothing) {
    // A spoiled GETADC reply arrives ahead of the answer to a GETIOSTAT.
    module.PutAheadOfNextReply(vdsim::IoModule::Packet(5, {9, 9, 9, 9}, true));
    uint8_t io[2];
    EXPECT_EQ(VD_GetIO(handle, &io[0], &io[1]), VD_FAIL);
    AwaitReplies(1);
    uint32_t a = 5, b = 5;
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_FAIL);
    EXPECT_EQ(a, 5u);
    EXPECT_EQ(b, 5u);
}

TEST_F(TcpIo, SettingsAreSentAndTheirRepliesSkipped) {
    EXPECT_EQ(VD_SetIODir(handle, 255), VD_OK);
    EXPECT_EQ(VD_SetIOLevel(handle, 15), VD_OK);
    AwaitReplies(2);
    EXPECT_EQ(module.Received(), Join({{0xAA, 0x02, 0x01, 0xFF, 0x56, 0x0D},
                                       {0xAA, 0x03, 0x01, 0x0F, 0xA7, 0x0D}}));
    EXPECT_EQ(module.Direction(), 255);
    EXPECT_EQ(module.Level(), 15);

    // Their replies are queued; the first read finds no GETADC reply in them.
    uint32_t a = 0, b = 0;
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_FAIL);
    AwaitReplies(3);
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(a, 258u);
}

TEST_F(TcpIo, AClosedChannelCannotSend) {
    module.Stop();  // the module closes the connection
    for (int i = 0; i < 5; ++i) VD_PumpMessages(50);
    uint8_t a, b;
    EXPECT_EQ(VD_GetIO(handle, &a, &b), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIODir(handle, 1), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIOLevel(handle, 1), VD_NO_CONNECTION);
}

TEST(TcpChannel, InitToAClosedPortGivesNullAndUninitNullIsHarmless) {
    EXPECT_EQ(VD_TCPInit(kHost, kPort), nullptr);
    EXPECT_EQ(VD_TCPUninit(nullptr), VD_OK);
}

struct Notices {
    uint32_t message = 0;
    Bytes bytes;
};

intptr_t Collect(VD_HostWindow *window, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    auto *notices = static_cast<Notices *>(window->user);
    const auto *data = reinterpret_cast<const uint8_t *>(wparam);
    notices->message = msg;
    notices->bytes.insert(notices->bytes.end(), data, data + lparam);
    return 0;
}

TEST(TcpChannel, DefaultChannelPushesArrivingBytesToTheHostWindow) {
    vdsim::IoModule module(ModuleSettings());
    ASSERT_TRUE(module.Start());
    Notices notices;
    VD_HostWindow window{Collect, &notices};
    ASSERT_EQ(VD_TCPConnect(kHost, kPort), VD_OK);
    EXPECT_EQ(VD_TCPSetRecHWnd(&window, 0x1234), VD_OK);
    EXPECT_EQ(VD_TCPSend(kGetIoStat.data(), int32_t(kGetIoStat.size())), 5);
    EXPECT_EQ(VD_TCPSend(kGetIoStat.data(), 0), 0);
    ASSERT_TRUE(module.WaitForReplies(1, 1000));
    for (int i = 0; i < 20 && notices.bytes.size() < 7; ++i) VD_PumpMessages(50);
    EXPECT_EQ(notices.message, 0x1234u);
    EXPECT_EQ(notices.bytes, vdsim::IoModule::Packet(1, {0x0F, 0xF0}));
    EXPECT_EQ(VD_TCPSetRecHWnd(nullptr, 0), VD_OK);
    EXPECT_EQ(VD_TCPDisconnect(), VD_OK);
    EXPECT_EQ(VD_TCPSend(kGetIoStat.data(), int32_t(kGetIoStat.size())), -1);
}

}  // namespace

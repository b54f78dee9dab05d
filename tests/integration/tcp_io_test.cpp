// The IO-module operations through the exports, against a simulated IO
// module: each reading comes with the call after the one that asked for it.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "integration/support.h"
#include "sim_io_module.h"

namespace {

using vdtest::Bytes;

const char kHost[] = "127.0.0.3";
const uint16_t kPort = 8800;
const Bytes kGetAdc = {0xAA, 0x05, 0x00, 0xAF, 0x0D};

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

    vdsim::IoModule module{{kHost, kPort, {258, 772}, {0x0F, 0xF0}}};
    void *handle = nullptr;
};

TEST_F(TcpIo, EachCallCollectsTheReplyToThePreviousOneUntilTheModuleCloses) {
    uint32_t a = 1111, b = 2222;
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_FAIL);  // nothing yet: only sends
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(1111u, 2222u));
    AwaitReplies(1);
    EXPECT_EQ(module.Received(), kGetAdc);
    module.SetReadings(0xFFFF, 0, 0x0F, 0xF0);  // the reply already sent holds the old readings
    EXPECT_EQ(VD_GetAD(handle, &a, &b), VD_OK);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(258u, 772u));
    AwaitReplies(2);

    uint8_t io[2] = {7, 7};
    EXPECT_EQ(VD_GetIO(handle, &io[0], &io[1]), VD_FAIL);  // a GETADC reply is no answer
    EXPECT_EQ(io[0], 7);
    AwaitReplies(3);
    EXPECT_EQ(VD_GetIO(handle, &io[0], &io[1]), VD_OK);
    EXPECT_EQ(std::make_pair(io[0], io[1]), std::make_pair(uint8_t(0x0F), uint8_t(0xF0)));

    // Once the module closes the connection, nothing can be sent.
    module.Stop();
    for (int i = 0; i < 5; ++i) VD_PumpMessages(50);
    EXPECT_EQ(VD_GetIO(handle, &io[0], &io[1]), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIODir(handle, 1), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIOLevel(handle, 1), VD_NO_CONNECTION);
}

// A host sends its last command and closes at once, while an answer it never
// read is queued and the device acknowledges late (it waits to acknowledge
// with an answer of its own): the command still reaches the device, and the
// device sees the connection end in order, not reset.
TEST(TcpIoClose, TheLastCommandReachesTheDeviceWhenTheHostClosesAtOnce) {
    const int listener = vdsim::OpenTcpListener(kHost, kPort);
    void *channel = VD_TCPInit(kHost, kPort);
    ASSERT_NE(channel, nullptr);
    const int device = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    const int lateAcks = 0;
    setsockopt(device, IPPROTO_TCP, TCP_QUICKACK, &lateAcks, sizeof lateAcks);
    const Bytes unread = vdsim::IoModule::Packet(2, {15});
    ASSERT_TRUE(vdsim::SendAll(device, unread.data(), unread.size()));
    vdtest::SleepMs(50);
    EXPECT_EQ(VD_SetIODir(channel, 15), VD_OK);
    EXPECT_EQ(VD_SetIOLevel(channel, 5), VD_OK);  // the direction is not acknowledged yet
    EXPECT_EQ(VD_TCPUninit(channel), VD_OK);
    Bytes received;
    uint8_t buffer[64];
    ssize_t n = -1;
    while (vdsim::WaitReadable(device, 1000) && (n = recv(device, buffer, sizeof buffer, 0)) > 0)
        received.insert(received.end(), buffer, buffer + n);
    EXPECT_EQ(received, (Bytes{0xAA, 0x02, 0x01, 0x0F, 0xA6, 0x0D, 0xAA, 0x03, 0x01, 0x05, 0xAD, 0x0D}));
    EXPECT_EQ(n, 0) << std::strerror(errno);
    close(device);
    close(listener);
}

}  // namespace

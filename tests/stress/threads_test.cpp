// The library called from several host threads at once, as the thread
// sanitizer build runs it: the UDP family is serialised by one lock, each TCP
// channel is used by a thread of its own while the loading thread (this
// test's main thread) dispatches notifications.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <set>

#include "integration/support.h"
#include "net/client_socket.h"
#include "sim_family_a.h"
#include "sim_io_module.h"

using namespace vdtest;

namespace {

std::string Ip(int n) { return "127.0.0." + std::to_string(10 + n); }
std::string Name(int n) { return "device-" + std::to_string(n); }

// A channel whose handler of the peer's close takes its time (its thread
// descheduled in the middle of it) and then goes on using the channel.
struct SlowCloseChannel : vd::net::ClientSocket {
    explicit SlowCloseChannel(std::atomic<int> &stage) : stage(stage) {}
    void OnClose(int32_t error) override {
        stage = 1;
        SleepMs(200);  // the host destroys the channel meanwhile
        ClientSocket::OnClose(error);
        stage = 2;
    }
    std::atomic<int> &stage;
};

}  // namespace

TEST(Threads, UdpExportsFromSeveralThreadsEachGetWholeAnswers) {
    constexpr int kReaders = 4;
    std::vector<std::unique_ptr<vdsim::FamilyADevice>> devices;
    std::set<std::string> names;
    for (int n = 0; n < kReaders; ++n) {
        devices.push_back(std::make_unique<vdsim::FamilyADevice>(Ip(n), 1, vdsim::Mac{2, 0, 0, 0, 0, uint8_t(n)}));
        devices.back()->SetText(0x02, Name(n));
        ASSERT_TRUE(devices.back()->Start());
        names.insert(Name(n));
    }
    // GoogleTest's failures may be added from any thread (it is built with
    // pthreads); a fatal one would end only the thread, so none is used.
    std::vector<std::thread> threads;
    for (int n = 0; n < kReaders; ++n) {
        threads.emplace_back([&, n] {
            for (int round = 0; round < 2; ++round) {
                VD_SearchAll();
                EXPECT_EQ(VD_GetDevInfoUDPbyIP(Ip(n).c_str(), 1), VD_OK) << "read of " << Ip(n);
                // Another thread's read may come in between: the answer is
                // then whole, from one of the devices.
                char key[VD_KEY_LEN] = "NAME", value[VD_VALUE_LEN] = "";
                EXPECT_TRUE(VD_GetDevConfigUDP(key, value) != VD_OK || names.count(value)) << "torn name " << value;
                VD_ResetModifyConfigUDP();
                VD_SetModifyConfigUDP("NAME", Name(n).c_str());
            }
        });
    }
    for (auto &t : threads) t.join();
}

TEST(Threads, EachTcpChannelOnAThreadOfItsOwnWhileTheLoadingThreadPumps) {
    // The modules' first analogue inputs read 100 and 200.
    vdsim::IoModule moduleA({"127.0.0.3", 8800, {100}}), moduleB({"127.0.0.4", 8800, {200}}), moduleC({"127.0.0.5"});
    ASSERT_TRUE(moduleA.Start() && moduleB.Start() && moduleC.Start());

    std::atomic<int> running{0};
    std::vector<std::thread> threads;
    auto spawn = [&](std::function<void()> body) {
        ++running;
        threads.emplace_back([&, body] {
            body();
            --running;
        });
    };

    for (const uint32_t expected : {100u, 200u}) {  // IO modules, a handle each
        spawn([&, expected] {
            void *handle = VD_TCPInit(expected == 100 ? "127.0.0.3" : "127.0.0.4", 8800);
            if (!handle) return ADD_FAILURE() << "init";
            uint32_t a = 0, b = 0;
            for (int i = 0; i < 20 && VD_GetAD(handle, &a, &b) != VD_OK; ++i) SleepMs(20);
            EXPECT_EQ(a, expected);
            VD_SetIODir(handle, 0x0F);
            VD_TCPUninit(handle);
        });
    }
    struct Pushed {
        std::atomic<size_t> bytes{0};
        std::atomic<uint32_t> message{0};
    } pushed;
    VD_HostWindow window{[](VD_HostWindow *w, uint32_t msg, uintptr_t, intptr_t count) -> intptr_t {
                             auto *p = static_cast<Pushed *>(w->user);
                             p->message = msg;
                             p->bytes += size_t(count);
                             return 0;
                         },
                         &pushed};
    spawn([&] {  // the default channel, pushing what arrives to a host window
        if (VD_TCPConnect("127.0.0.5", 8800) != VD_OK) return ADD_FAILURE() << "connect";
        VD_TCPSetRecHWnd(&window, 0x4321);
        const Bytes getIoStat = {0xAA, 0x01, 0x00, 0xAB, 0x0D};
        VD_TCPSend(getIoStat.data(), int32_t(getIoStat.size()));
        for (int i = 0; i < 100 && pushed.bytes < 7; ++i) SleepMs(10);
        VD_TCPSetRecHWnd(nullptr, 0);
        VD_TCPDisconnect();
    });

    for (int i = 0; i < 1000 && running > 0; ++i) VD_PumpMessages(10);
    for (auto &t : threads) t.join();
    // The modules read what was sent in their own time.
    for (int i = 0; i < 100 && (moduleA.Direction() != 0x0F || moduleB.Direction() != 0x0F); ++i) SleepMs(10);
    EXPECT_EQ(moduleA.Direction(), 0x0F);
    EXPECT_EQ(moduleB.Direction(), 0x0F);
    EXPECT_EQ(pushed.bytes, 7u);
    EXPECT_EQ(pushed.message, 0x4321u);
}

// A host destroys a channel on its thread while the loading thread runs the
// channel's handler: the destruction waits for the handler to end, and the
// handler's own close on the loading thread does not wait for itself.
TEST(Threads, AChannelDestroyedOnAnotherThreadOutlivesItsRunningHandler) {
    TcpPeer device(8800, "127.0.0.7");
    std::atomic<int> stage{0};
    auto *channel = new SlowCloseChannel(stage);
    ASSERT_TRUE(channel->Open(vd::net::SocketType::Stream, "127.0.0.7", 8800) && device.Accept());
    device.CloseConnection();
    int stageWhenDestroyed = 0;
    std::thread host([&] {
        for (int i = 0; i < 3000 && stage == 0; ++i) SleepMs(1);
        VD_TCPUninit(channel);
        stageWhenDestroyed = stage;
    });
    for (int i = 0; i < 300 && stage < 2; ++i) VD_PumpMessages(10);
    host.join();
    EXPECT_EQ(stageWhenDestroyed, 2);
}

// A host's working day in one process: round after round of searches, reads
// and writes of both families, AT sessions, IO readings and data channels
// against simulated devices. The last round must answer as the first, with no
// more descriptors open; under LeakSanitizer any leak also fails it at exit.
#include <gtest/gtest.h>

#include "integration/support.h"
#include "sim_at_device.h"
#include "sim_family_a.h"
#include "sim_io_module.h"
#include "support/open_descriptors.h"

using namespace vdtest;

namespace {

constexpr int kRounds = 15;
const char kAtHost[] = "127.0.0.5";
const char kIoHost[] = "127.0.0.6";

class LongRun : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        a.SetText(0x02, "long");
        a.SetPassword("secret");
        b.SetName("long");
        b.SetPassword("pw");
        ASSERT_TRUE(a.Start() && b.Start() && atDevice.Start() && ioModule.Start());
    }

    // What a round reads, as one text to compare rounds by.
    std::string Round(int index) {
        std::string seen;
        EXPECT_EQ(VD_SearchAll(), VD_OK);
        for (const Found &f : TakeFound(1)) seen += f.ip + " " + f.mac + ";";
        for (const Pairs &pairs : {Read("127.0.0.2", 5), Read(kMacBText, 32)})
            for (const auto &p : pairs) seen += p.first + "=" + p.second + ";";

        // Writes (slow by design) now and then, of the name each device has.
        if (index % 7 == 0) {
            EXPECT_EQ(VD_SetModifyConfigUDP("NAME", "long"), VD_OK);
            EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_OK);
            EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 32), VD_OK);
            VD_ResetModifyConfigUDP();
        }

        EXPECT_EQ(VD_LoginTCP(48, kAtHost, 8800, "at-pw"), VD_OK);
        seen += "at " + SessionRead("NAME") + ";";
        EXPECT_EQ(VD_ExitTCP(), VD_OK);

        // A channel of its own, and the default one.
        void *handle = VD_TCPInit(kIoHost, 8800);
        EXPECT_EQ(VD_SetIOLevel(handle, uint8_t(index)), VD_OK);
        EXPECT_EQ(VD_TCPUninit(handle), VD_OK);
        EXPECT_EQ(VD_TCPConnect(kIoHost, 8800), VD_OK);
        EXPECT_EQ(VD_TCPSend("raw", 3), 3);
        EXPECT_EQ(VD_TCPDisconnect(), VD_OK);
        VD_PumpMessages(0);
        return seen;
    }

    vdsim::FamilyADevice a{"127.0.0.2", 5, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02}};
    vdsim::FamilyBDevice b{"127.0.0.4", 32, kMacB};
    vdsim::AtDevice atDevice{{kAtHost, 8800, "at-pw", {{"NAME", "at-device"}}}};
    vdsim::IoModule ioModule{{kIoHost}};
};

}  // namespace

TEST_F(LongRun, LastRoundAnswersAsTheFirstWithNoMoreDescriptors) {
    // The first round opens the sockets the library keeps for its lifetime.
    const std::string first = Round(0);
    EXPECT_NE(first.find("at at-device;"), std::string::npos) << first;
    SleepMs(100);
    const int descriptors = OpenDescriptors();
    for (int i = 1; i < kRounds; ++i) {
        ASSERT_EQ(Round(i), first) << "round " << i;
        // The simulated devices run in this process too and close their side
        // of a finished connection a moment later; a descriptor the library
        // leaked never comes back.
        for (int wait = 0; wait < 100 && OpenDescriptors() != descriptors; ++wait) SleepMs(10);
        ASSERT_EQ(OpenDescriptors(), descriptors) << "descriptors open after round " << i;
    }
    EXPECT_EQ(atDevice.Connections(), kRounds);
}

// A host's working day in one process: round after round of searches, reads
// and writes of both families, AT sessions, IO readings and data channels
// against simulated devices. The library must give the same answers in the
// last round as in the first and hold no more descriptors; the sanitizer
// build runs this under LeakSanitizer, which fails it on any leak at exit.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "family_a_support.h"
#include "family_b_support.h"
#include "sim_at_device.h"
#include "sim_io_module.h"

namespace {

constexpr int kRounds = 15;

const vdsim::Mac kMacA = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02};
const char kAtHost[] = "127.0.0.5";
const char kIoHost[] = "127.0.0.6";

int OpenDescriptors() {
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    while (dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    return count;
}

// The simulated devices run in this process too and close their side of a
// finished connection a moment later, so the count may take that long to
// come back; one the library leaked never does.
bool DescriptorsSettleAt(int expected) {
    for (int i = 0; i < 100; ++i) {
        if (OpenDescriptors() == expected) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

vdsim::AtDeviceSettings AtSettings() {
    vdsim::AtDeviceSettings s;
    s.address = kAtHost;
    s.password = "at-pw";
    s.values = {{"NAME", "at-device"}, {"C1_BAUD", "9600"}};
    return s;
}

vdsim::IoModuleSettings IoSettings() {
    vdsim::IoModuleSettings s;
    s.address = kIoHost;
    s.io[0] = 0x0F;
    s.io[1] = 0xF0;
    return s;
}

class LongRun : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        a.SetText(0x02, "long");
        a.SetPassword("secret");
        b.SetName("long");
        b.SetPassword("pw");
        ASSERT_TRUE(a.Start());
        ASSERT_TRUE(b.Start());
        ASSERT_TRUE(at.Start());
        ASSERT_TRUE(io.Start());
    }

    // Everything a round reads, as text, to compare rounds with.
    std::string Round(int index) {
        std::string seen;
        EXPECT_EQ(VD_SearchAll(), VD_OK);
        for (const fama::Found &f : fama::TakeFound(1)) seen += f.ip + " " + f.mac + ";";

        EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 5), VD_OK);
        for (const auto &p : fama::TakeAllPairs()) seen += p.first + "=" + p.second + ";";
        EXPECT_EQ(VD_GetDevInfoUDPbyMAC(famb::kMacText, 32), VD_OK);
        for (const auto &p : famb::TakeAllPairs()) seen += p.first + "=" + p.second + ";";

        // Writes now and then (they are slow by design: paced blocks, a
        // restart), of the name each device already has.
        if (index % 7 == 0) {
            EXPECT_EQ(VD_SetModifyConfigUDP("NAME", "long"), VD_OK);
            EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_OK);
            EXPECT_EQ(VD_ModifyDevUDPbyMAC(famb::kMacText, "pw", 32), VD_OK);
            VD_ResetModifyConfigUDP();
        }

        EXPECT_EQ(VD_LoginTCP(48, kAtHost, 8800, "at-pw"), VD_OK);
        char value[VD_VALUE_LEN] = "";
        EXPECT_EQ(VD_GetDevConfigTCP("NAME", value), VD_OK);
        seen += std::string("at NAME=") + value + ";";
        EXPECT_EQ(VD_ExitTCP(), VD_OK);

        void *handle = VD_TCPInit(kIoHost, 8800);
        EXPECT_NE(handle, nullptr);
        uint8_t levels[2] = {0, 0};
        VD_GetIO(handle, &levels[0], &levels[1]);  // sends; the answer comes with the next call
        EXPECT_TRUE(io.WaitForReplies(size_t(2 * index + 1), 1000));
        VD_PumpMessages(20);
        EXPECT_EQ(VD_GetIO(handle, &levels[0], &levels[1]), VD_OK);
        seen += "io " + std::to_string(levels[0]) + "," + std::to_string(levels[1]) + ";";
        EXPECT_TRUE(io.WaitForReplies(size_t(2 * index + 2), 1000));
        EXPECT_EQ(VD_TCPUninit(handle), VD_OK);

        EXPECT_EQ(VD_TCPConnect(kIoHost, 8800), VD_OK);
        const char raw[] = "raw";
        EXPECT_EQ(VD_TCPSend(raw, 3), 3);
        EXPECT_EQ(VD_TCPDisconnect(), VD_OK);
        VD_PumpMessages(0);
        return seen;
    }

    vdsim::FamilyADevice a{"127.0.0.2", 5, kMacA};
    vdsim::FamilyBDevice b{"127.0.0.4", 32, famb::kMac};
    vdsim::AtDevice at{AtSettings()};
    vdsim::IoModule io{IoSettings()};
};

}  // namespace

TEST_F(LongRun, LastRoundAnswersAsTheFirstWithNoMoreDescriptors) {
    // The first round opens the sockets the library keeps for its lifetime.
    const std::string first = Round(0);
    EXPECT_NE(first.find("at NAME=at-device;"), std::string::npos) << first;
    EXPECT_NE(first.find("io 15,240;"), std::string::npos) << first;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int descriptors = OpenDescriptors();
    for (int i = 1; i < kRounds; ++i) {
        ASSERT_EQ(Round(i), first) << "round " << i;
        ASSERT_TRUE(DescriptorsSettleAt(descriptors)) << "round " << i << ": " << OpenDescriptors() << " open, " << descriptors << " after the first";
    }
    EXPECT_EQ(at.Connections(), kRounds);
}

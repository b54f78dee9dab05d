// Firmware download and erase through VD_SendCmd, on both transports,
// against a simulated firmware receiver.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>

#include "family_a_support.h"
#include "sim_firmware.h"

using namespace fama;
using vdsim::Bytes;
using vdsim::FirmwareReceiver;

namespace {

constexpr uint16_t kPort = 9000;

// Image files in a directory of the test's own.
class ImageFiles {
public:
    ImageFiles() {
        char pattern[] = "/tmp/vandrel-fw-XXXXXX";
        m_dir = mkdtemp(pattern) ? pattern : "/tmp";
    }
    ~ImageFiles() {
        for (const std::string &p : m_paths) std::remove(p.c_str());
        rmdir(m_dir.c_str());
    }
    // A file of size bytes of a pattern that differs per file and per offset.
    std::string Make(const std::string &name, size_t size) {
        Bytes data(size);
        for (size_t i = 0; i < size; ++i) data[i] = uint8_t(i * 7 + name.size() * 31 + i / 256);
        const std::string path = m_dir + "/" + name;
        FILE *f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fwrite(data.data(), 1, data.size(), f);
            std::fclose(f);
        }
        m_paths.push_back(path);
        m_data[path] = data;
        return path;
    }
    const Bytes &Data(const std::string &path) { return m_data[path]; }
    const std::string &Dir() const { return m_dir; }

private:
    std::string m_dir;
    std::vector<std::string> m_paths;
    std::map<std::string, Bytes> m_data;
};

int SendCmd(const char *cmd, const std::string &param, uint8_t transport, int type = 5) {
    std::vector<char> buffer(param.begin(), param.end());
    buffer.push_back('\0');
    return VD_SendCmd(type, "127.0.0.2", kPort, cmd, buffer.data(), transport);
}

std::vector<size_t> Sizes(const std::vector<Bytes> &packets) {
    std::vector<size_t> out;
    for (const Bytes &p : packets) out.push_back(p.size());
    return out;
}

class FamilyAFirmware : public ::testing::TestWithParam<FirmwareReceiver::Transport> {
protected:
    void SetUp() override { ASSERT_TRUE(receiver.Start()); }
    uint8_t Transport() const { return GetParam() == FirmwareReceiver::Transport::Udp ? 1 : 0; }

    FirmwareReceiver receiver{"127.0.0.2", kPort, GetParam()};
    ImageFiles files;
};

}  // namespace

TEST_P(FamilyAFirmware, TwoImagesArriveWholeAndByteExact) {
    const std::string app = files.Make("app.bin", 1000), boot = files.Make("boot.bin", 600);
    EXPECT_EQ(SendCmd("DOWNLOAD", app + "*" + boot, Transport()), VD_OK);
    const auto images = receiver.Images();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].name, "app.bin");
    EXPECT_EQ(images[0].address, 0x20000u);
    EXPECT_EQ(images[0].data, files.Data(app));
    EXPECT_EQ(images[0].received, 1000u);
    EXPECT_EQ(images[1].name, "boot.bin");
    EXPECT_EQ(images[1].address, 0x20400u);
    EXPECT_EQ(images[1].data, files.Data(boot));
    EXPECT_EQ(images[1].received, 600u);
    EXPECT_EQ(Sizes(receiver.Packets()), (std::vector<size_t>{58, 526, 502, 526, 102}));
}

TEST_P(FamilyAFirmware, EraseSendsTheEmptyManifest) {
    EXPECT_EQ(SendCmd("ERASE", "ignored*x", Transport()), VD_OK);
    EXPECT_EQ(SendCmd("ERASE", "", Transport()), VD_OK);
    const Bytes erase = {0xAA, 0x55, 0x10, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0xFF};
    EXPECT_EQ(receiver.Packets(), (std::vector<Bytes>{erase, erase}));
    // Over TCP the second command used the connection the first left open.
    if (Transport() == 0) {
        EXPECT_EQ(receiver.Connections(), 1u);
    }
}

TEST_P(FamilyAFirmware, TheLargestTotalIsAcceptedAndOneByteMoreRefusedBeforeSending) {
    const std::string big = files.Make("big.bin", 0x1BE00 - 512), last = files.Make("last.bin", 512);
    const std::string over = files.Make("over.bin", 1);
    EXPECT_EQ(SendCmd("DOWNLOAD", big + "*" + over + "*" + last, Transport()), VD_FAIL);
    EXPECT_TRUE(receiver.Packets().empty());
    EXPECT_EQ(SendCmd("DOWNLOAD", big + "*" + last, Transport()), VD_OK);
    const auto images = receiver.Images();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[1].address, 0x3BC00u);
    EXPECT_EQ(images[1].data, files.Data(last));
    EXPECT_EQ(receiver.Packets().size(), 1u + 0x1BE00 / 512);
}

TEST_P(FamilyAFirmware, ALateAcknowledgementFailsTheChunk) {
    const std::string app = files.Make("app.bin", 1500);
    receiver.AnswerPacket(2, FirmwareReceiver::Answer::Ack, 300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendCmd("DOWNLOAD", app, Transport()), VD_FAIL);
    EXPECT_LT(Seconds(start), 1.0);
    EXPECT_EQ(receiver.Packets().size(), 3u);  // manifest, two chunks, then nothing
}

TEST_P(FamilyAFirmware, WrongOrMissingAnswersFail) {
    const std::string app = files.Make("app.bin", 100);
    receiver.AnswerPacket(0, FirmwareReceiver::Answer::Wrong);
    receiver.AnswerPacket(2, FirmwareReceiver::Answer::None);
    EXPECT_EQ(SendCmd("DOWNLOAD", app, Transport()), VD_FAIL);  // manifest answered "OK"
    EXPECT_EQ(SendCmd("DOWNLOAD", app, Transport()), VD_FAIL);  // chunk not answered
    EXPECT_EQ(SendCmd("DOWNLOAD", app, Transport()), VD_OK);
    EXPECT_EQ(Sizes(receiver.Packets()), (std::vector<size_t>{34, 34, 114, 34, 114}));
}

TEST_P(FamilyAFirmware, BadImageListsAreRefusedBeforeSending) {
    std::string six;
    for (int i = 0; i < 6; ++i) six += (i ? "*" : "") + files.Make("i" + std::to_string(i), 10);
    EXPECT_EQ(SendCmd("DOWNLOAD", six, Transport()), VD_FAIL);
    EXPECT_EQ(SendCmd("DOWNLOAD", files.Dir() + "/missing.bin", Transport()), VD_FAIL);
    EXPECT_EQ(SendCmd("DOWNLOAD", files.Dir(), Transport()), VD_FAIL);
    EXPECT_EQ(SendCmd("DOWNLOAD", "", Transport()), VD_FAIL);
    EXPECT_EQ(SendCmd("DOWNLOAD", files.Make("ok.bin", 10), Transport(), 48), VD_FAIL);  // not family A
    EXPECT_TRUE(receiver.Packets().empty());
    // Five is the most a download takes.
    EXPECT_EQ(SendCmd("DOWNLOAD", six.substr(0, six.rfind('*')), Transport()), VD_OK);
    EXPECT_EQ(receiver.Images().size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(Transports, FamilyAFirmware,
                         ::testing::Values(FirmwareReceiver::Transport::Udp, FirmwareReceiver::Transport::Tcp),
                         [](const auto &info) {
                             return info.param == FirmwareReceiver::Transport::Udp ? "Udp" : "Tcp";
                         });

TEST(FamilyAFirmwareFile, AFileThatShrinksFailsAtTheMissingChunk) {
    FirmwareReceiver receiver{"127.0.0.2", kPort, FirmwareReceiver::Transport::Udp};
    ASSERT_TRUE(receiver.Start());
    ImageFiles files;
    const std::string app = files.Make("app.bin", 1000);
    receiver.AnswerPacket(0, FirmwareReceiver::Answer::Ack, 300);
    int result = -1;
    std::thread host([&] { result = SendCmd("DOWNLOAD", app, 1); });
    ASSERT_TRUE(receiver.WaitForPackets(1, 2000));
    ASSERT_EQ(truncate(app.c_str(), 700), 0);
    host.join();
    EXPECT_EQ(result, VD_FAIL);
    EXPECT_EQ(Sizes(receiver.Packets()), (std::vector<size_t>{34, 526}));
}

TEST(FamilyAFirmwareFile, DatagramRequestsWorkAfterATcpCommandLeftItsConnectionOpen) {
    FirmwareReceiver receiver{"127.0.0.2", kPort, FirmwareReceiver::Transport::Tcp};
    vdsim::FamilyADevice dev{"127.0.0.2", 5, {2, 0, 0, 0, 0, 1}};
    dev.SetItem(0x08, {3});
    ASSERT_TRUE(receiver.Start());
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(SendCmd("ERASE", "", 0), VD_OK);
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 5), VD_OK);
    char key[VD_KEY_LEN] = "C1_OP", value[VD_VALUE_LEN];
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_OK);
    EXPECT_STREQ(value, "3");
    char param[VD_PARAM_LEN] = "1";
    EXPECT_EQ(VD_SendCmd(5, "127.0.0.2", 8800, "RESETDEV", param, 1), VD_OK);
    ASSERT_TRUE(dev.WaitForDatagrams(2, 1000));
    Bytes reset(20, 0xFF);
    reset[0] = 0xA1;
    reset[1] = 0x1B;
    reset[2] = reset[3] = 0x01;
    EXPECT_EQ(dev.Writes(), std::vector<Bytes>{reset});
    EXPECT_EQ(receiver.Packets().size(), 1u);  // nothing more went out on the stream
}

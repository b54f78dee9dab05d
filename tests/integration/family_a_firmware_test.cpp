// Firmware download and erase through VD_SendCmd, on both transports,
// against a simulated firmware receiver: images of whole chunks end with
// their last full chunk, the largest download is taken and one byte more is
// refused before anything is sent, and over UDP an answer that is no
// acknowledgement (one that does not end in a lower-case 'k') fails it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <tuple>

#include "integration/support.h"
#include "sim_firmware.h"
#include "sim_udp_port.h"

using namespace vdtest;
using vdsim::FirmwareReceiver;

namespace {

constexpr uint16_t kPort = 9000;
constexpr size_t kLimit = 0x1BE00;  // the most a download takes, counted in 512-byte chunks
const Bytes kErase = {0xAA, 0x55, 0x10, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0xFF};

// Image files in a directory of the test's own, of a pattern that differs
// per file and per offset.
class ImageFiles {
public:
    ImageFiles() {
        char pattern[] = "/tmp/vandrel-fw-XXXXXX";
        dir = mkdtemp(pattern) ? pattern : "";
    }
    ~ImageFiles() { std::filesystem::remove_all(dir); }
    std::string Make(const std::string &name, size_t size) {
        const std::string path = dir + "/" + name;
        Bytes &bytes = data[path];
        for (size_t i = 0; i < size; ++i) bytes.push_back(uint8_t(i * 7 + name.size() * 31 + i / 256));
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    std::string dir;
    std::map<std::string, Bytes> data;
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
    int Send(const char *cmd, const std::string &param, int type = 5) {
        return SendCmd(cmd, param, GetParam() == FirmwareReceiver::Transport::Udp ? 1 : 0, type);
    }
    FirmwareReceiver receiver{"127.0.0.2", kPort, GetParam()};
    ImageFiles files;
};

TEST_P(FamilyAFirmware, EraseThenTwoImagesArriveWholeAndByteExact) {
    EXPECT_EQ(Send("ERASE", "ignored*x"), VD_OK);
    EXPECT_EQ(receiver.Packets(), std::vector<Bytes>{kErase});
    const std::string app = files.Make("app.bin", 1000), boot = files.Make("boot.bin", 1024);
    EXPECT_EQ(Send("DOWNLOAD", app + "*" + boot), VD_OK);
    const auto images = receiver.Images();
    ASSERT_EQ(images.size(), 2u);
    const auto summary = [](const auto &image) { return std::tie(image.name, image.address, image.received); };
    EXPECT_EQ(summary(images[0]), std::make_tuple("app.bin", 0x20000u, 1000u));
    EXPECT_EQ(summary(images[1]), std::make_tuple("boot.bin", 0x20400u, 1024u));
    EXPECT_EQ(images[0].data, files.data[app]);
    EXPECT_EQ(images[1].data, files.data[boot]);
    EXPECT_EQ(Sizes(receiver.Packets()), (std::vector<size_t>{10, 58, 526, 502, 526, 526}));
    // Over TCP the download used the connection the erase left open.
    EXPECT_EQ(receiver.Connections(), GetParam() == FirmwareReceiver::Transport::Tcp ? 1u : 0u);
}

TEST_P(FamilyAFirmware, BadListsAreRefusedBeforeSendingAndTheLargestIsAccepted) {
    // Five images of exactly the largest total, in chunks.
    std::string four;
    for (int i = 0; i < 4; ++i) four += "*" + files.Make("small" + std::to_string(i), 10);
    const std::string big = files.Make("big.bin", kLimit - 4 * 512), one = files.Make("one", 1);
    for (const std::string &list : {files.Make("bigger.bin", kLimit - 4 * 512 + 1) + four,  // one byte over
                                    one + "*" + one + four,  // six images
                                    files.dir + "/missing.bin", files.dir, std::string()})
        EXPECT_EQ(Send("DOWNLOAD", list), VD_FAIL) << list;
    EXPECT_EQ(Send("DOWNLOAD", big, 48), VD_FAIL);  // not family A
    EXPECT_TRUE(receiver.Packets().empty());

    EXPECT_EQ(Send("DOWNLOAD", big + four), VD_OK);
    const auto images = receiver.Images();
    ASSERT_EQ(images.size(), 5u);
    EXPECT_EQ(images[4].address, 0x3BC00u);
    EXPECT_EQ(images[4].data, files.data[files.dir + "/small3"]);
    EXPECT_EQ(receiver.Packets().size(), 1u + kLimit / 512);
}

TEST_P(FamilyAFirmware, ALateAcknowledgementFailsTheChunk) {
    const std::string app = files.Make("app.bin", 1500);
    // Over TCP nothing is lost, so a chunk gets one wait; over UDP four, and
    // the answer comes after all of them. The wait counts 10 ms sleeps, which
    // a loaded machine stretches: the answer is late by three times them.
    const bool udp = GetParam() == FirmwareReceiver::Transport::Udp;
    receiver.DelayAnswer(2, udp ? 2400 : 600);
    EXPECT_LT(Took([&] { EXPECT_EQ(Send("DOWNLOAD", app), VD_FAIL); }), udp ? 3.0 : 1.0);
    // The manifest and the first chunk, then the second chunk (four times
    // over UDP, as the receiver reads them while it holds back the answer).
    ASSERT_TRUE(receiver.WaitForPackets(udp ? 6 : 3, 3000));
    EXPECT_EQ(Sizes(receiver.Packets()), udp ? (std::vector<size_t>{34, 526, 526, 526, 526, 526})
                                             : (std::vector<size_t>{34, 526, 526}));
}

// Over UDP an acknowledgement names no chunk: a surplus one is discarded
// before the next chunk goes out, and a chunk whose acknowledgement is lost is
// sent again (it names its offset, so the device stores it once).
class FamilyAFirmwareUdp : public FamilyAFirmware {};

TEST_P(FamilyAFirmwareUdp, ADuplicatedAcknowledgementNeverStandsInForTheNextChunk) {
    const std::string app = files.Make("app.bin", 1500);
    receiver.AnswerTimes(1, 2);  // the first chunk acknowledged twice
    receiver.AnswerTimes(2, 0);  // the second chunk's acknowledgement lost
    EXPECT_EQ(Send("DOWNLOAD", app), VD_OK);
    const auto packets = receiver.Packets();
    ASSERT_EQ(Sizes(packets), (std::vector<size_t>{34, 526, 526, 526, 490}));
    EXPECT_EQ(packets[2], packets[3]);
    EXPECT_EQ(Bytes(packets[3].begin(), packets[3].begin() + 14),
              (Bytes{0xAA, 0x55, 0x20, 0x02, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00}));
    ASSERT_EQ(receiver.Images().size(), 1u);
    EXPECT_EQ(receiver.Images()[0].data, files.data[app]);
}

TEST_P(FamilyAFirmwareUdp, ALostManifestAnswerIsMadeUpForWithinTheWait) {
    receiver.AnswerTimes(0, 0);
    EXPECT_LT(Took([&] { EXPECT_EQ(Send("ERASE", ""), VD_OK); }), 2.0);
    EXPECT_EQ(receiver.Packets(), (std::vector<Bytes>{kErase, kErase}));
}

TEST(FamilyAFirmwareUdpAnswer, AnAnswerThatIsNoAcknowledgementFailsTheDownload) {
    vdsim::UdpDevicePort receiver;
    ASSERT_TRUE(receiver.Start("127.0.0.2", kPort, [&](const vdsim::Datagram &d, bool) {
        receiver.Answer({'O', 'K'}, d.from);
    }));
    EXPECT_EQ(SendCmd("ERASE", "", 1), VD_FAIL);
}

INSTANTIATE_TEST_SUITE_P(Transports, FamilyAFirmware,
                         ::testing::Values(FirmwareReceiver::Transport::Udp, FirmwareReceiver::Transport::Tcp),
                         [](const auto &info) {
                             return info.param == FirmwareReceiver::Transport::Udp ? "Udp" : "Tcp";
                         });
INSTANTIATE_TEST_SUITE_P(UdpOnly, FamilyAFirmwareUdp, ::testing::Values(FirmwareReceiver::Transport::Udp),
                         [](const auto &) { return "Udp"; });

TEST_P(FamilyAFirmwareUdp, AFileThatShrinksFailsAtTheMissingChunk) {
    const std::string app = files.Make("app.bin", 1000);
    receiver.DelayAnswer(0, 300);
    int result = -1;
    std::thread host([&] { result = Send("DOWNLOAD", app); });
    ASSERT_TRUE(receiver.WaitForPackets(1, 2000));
    ASSERT_EQ(truncate(app.c_str(), 700), 0);
    host.join();
    EXPECT_EQ(result, VD_FAIL);
    EXPECT_EQ(Sizes(receiver.Packets()), (std::vector<size_t>{34, 526}));
}

}  // namespace

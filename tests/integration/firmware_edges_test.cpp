// Firmware downloads at their edges: a receiver that answers, but not with
// an acknowledgement (an answer that does not end in a lower-case 'k'),
// fails the download at its first packet; an image of whole chunks ends
// with its last full chunk, not an empty one after it; and the largest
// download, five images that fill the device's memory exactly, is taken,
// while a sixth image or one byte more is refused before anything is sent.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "integration/support.h"
#include "sim_firmware.h"
#include "sim_udp_port.h"

using namespace vdtest;

namespace {

TEST(FirmwareEdges, AnAnswerThatIsNoAcknowledgementFailsTheDownload) {
    vdsim::UdpDevicePort receiver;
    std::atomic<size_t> packets{0};
    ASSERT_TRUE(receiver.Start("127.0.0.2", 9001, [&](const vdsim::Datagram &d, bool) {
        ++packets;
        receiver.Answer({'O', 'K'}, d.from);
    }));
    char param[VD_PARAM_LEN] = "";
    EXPECT_EQ(VD_SendCmd(5, "127.0.0.2", 9001, "ERASE", param, 1), VD_FAIL);
    EXPECT_GE(packets.load(), 1u);
}

// An image file of size bytes in /tmp, removed with the object.
class Image {
public:
    explicit Image(size_t size) {
        const int fd = mkstemp(path);
        const Bytes bytes(size, 0x5A);
        if (fd >= 0 && write(fd, bytes.data(), size) == ssize_t(size)) ok = true;
        if (fd >= 0) close(fd);
    }
    ~Image() { std::remove(path); }
    char path[32] = "/tmp/vandrel-image-XXXXXX";
    bool ok = false;
};

class FirmwareDownload : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(receiver.Start()); }
    int Download(const std::vector<const Image *> &images) {
        std::string param;
        for (const Image *i : images) param += (param.empty() ? "" : "*") + std::string(i->path);
        return VD_SendCmd(5, "127.0.0.2", 9002, "DOWNLOAD", &param[0], 1);
    }
    std::vector<size_t> Sizes() const {
        std::vector<size_t> sizes;
        for (const Bytes &p : receiver.Packets()) sizes.push_back(p.size());
        return sizes;
    }
    vdsim::FirmwareReceiver receiver{"127.0.0.2", 9002, vdsim::FirmwareReceiver::Transport::Udp};
};

TEST_F(FirmwareDownload, AnImageOfWholeChunksSendsNoEmptyChunk) {
    const Image image(1024);
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(Download({&image}), VD_OK);
    EXPECT_EQ(Sizes(), (std::vector<size_t>{34, 14 + 512, 14 + 512}));
}

TEST_F(FirmwareDownload, TheLargestDownloadIsTakenAndOneMoreIsRefused) {
    const Image small(512), rest(0x1BE00 - 4 * 512), over(0x1BE00 - 4 * 512 + 1);
    ASSERT_TRUE(small.ok && rest.ok && over.ok);
    EXPECT_EQ(Download({&small, &small, &small, &small, &small, &small}), VD_FAIL);
    EXPECT_EQ(Download({&small, &small, &small, &small, &over}), VD_FAIL);
    EXPECT_TRUE(receiver.Packets().empty());
    EXPECT_EQ(Download({&small, &small, &small, &small, &rest}), VD_OK);
    EXPECT_EQ(Sizes().size(), 1u + 0x1BE00 / 512);
}

}  // namespace

// Firmware through the fleet interface: downloads to several devices at
// once, each acknowledged packet by packet, one device that never
// acknowledges a chunk failing alone; restarts that wait for the device to
// come back and tell its version, one device that never comes back and one
// that comes back with its old version; the packets on the wire when an
// answer comes late or is lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "integration/fleet_fixture.h"
#include "integration/support.h"
#include "sim_firmware.h"
#include "vandrel_fleet.h"

using namespace vdtest;

namespace {

const char kFleet[] =
    "family-a 127.1.0.1 type=5 restart-ms=2000\n"
    "family-a 127.1.0.2 type=17 restart-ms=2000\n"
    "family-a 127.1.0.3 type=7 restart-ms=2000\n"
    "family-a 127.1.0.4 type=1 restart-ms=2000 firmware=stays-old\n"
    "family-a 127.1.0.5 type=5 restart-ms=2000 firmware=never-back\n"
    "family-a 127.1.0.6 type=5 firmware=no-ack\n";

// An image file of 1000 bytes that names version 1.06, removed at the end.
struct Image {
    std::string path = "/tmp/vandrel-fleet-fw-" + std::to_string(getpid()) + ".bin";
    Bytes bytes;
    Image() {
        const std::string head = "APP VERSION=1.06\n";
        bytes.assign(head.begin(), head.end());
        while (bytes.size() < 1000) bytes.push_back(uint8_t(bytes.size() * 7));
        FILE *f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~Image() { std::remove(path.c_str()); }
};

std::string Value(VF_Fleet *fleet, VF_Op op, const char *key) {
    char value[VD_VALUE_LEN] = "";
    VF_GetValue(fleet, op, key, value);
    return value;
}

TEST(FleetFirmware, DownloadsAtOnceRestartsAndEachTellsWhatItRuns) {
    SimFleet sim(kFleet);
    Image image;
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    ASSERT_NE(fleet, nullptr);
    EXPECT_GE(VF_Version(), 2u);
    const char *paths[] = {image.path.c_str()};
    const char *ips[] = {"127.1.0.1", "127.1.0.2", "127.1.0.3", "127.1.0.4", "127.1.0.5", "127.1.0.6"};
    const int types[] = {5, 17, 7, 1, 5, 5};
    std::vector<VF_Op> downloads;
    const auto start = Clock::now();
    for (int i = 0; i < 6; ++i) downloads.push_back(VF_Download(fleet, ips[i], types[i], paths, 1, 10000));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(VF_Wait(fleet, downloads[i], 15000), VD_OK) << ips[i];
    // The silent device's eight tries of 200 ms hold up no other device.
    EXPECT_LT(Seconds(start), 1.4);
    EXPECT_EQ(VF_Wait(fleet, downloads[5], 15000), VD_FAIL);
    EXPECT_GT(Seconds(start), 1.6);
    EXPECT_EQ(sim.Lines("downloaded").size(), 5u);

    std::vector<VF_Op> restarts;
    for (int i = 0; i < 5; ++i) restarts.push_back(VF_Restart(fleet, ips[i], types[i], 8000));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(VF_Wait(fleet, restarts[i], 15000), VD_OK) << ips[i];
        EXPECT_EQ(Value(fleet, restarts[i], "VERSION"), "V1.06") << ips[i];
        EXPECT_EQ(Value(fleet, restarts[i], "IP"), ips[i]);
    }
    ASSERT_EQ(VF_Wait(fleet, restarts[3], 15000), VD_OK);
    EXPECT_EQ(Value(fleet, restarts[3], "VERSION"), "V1.05");
    EXPECT_EQ(VF_Wait(fleet, restarts[4], 15000), VD_FAIL);
    // A read after the restart tells the setting its firmware now reports.
    const VF_Op read = VF_Read(fleet, "127.1.0.1", 5, 4000);
    ASSERT_EQ(VF_Wait(fleet, read, 8000), VD_OK);
    EXPECT_EQ(Value(fleet, read, "VERSION"), "V1.06");
    // Firmware is family A's alone; a file that is not there sends nothing.
    const char *missing[] = {"/nonexistent/app.bin"};
    EXPECT_EQ(VF_Wait(fleet, VF_Download(fleet, "02:56:44:01:00:02", 32, paths, 1, 2000), 4000), VD_WRONG_FAMILY);
    EXPECT_EQ(VF_Wait(fleet, VF_Download(fleet, "127.1.0.1", 5, missing, 1, 2000), 4000), VD_FAIL);
    EXPECT_EQ(VF_Download(fleet, "127.1.0.1", 5, paths, 0, 2000), 0u);
    EXPECT_EQ(sim.Lines("firmware manifest").size(), 0u);
    VF_Destroy(fleet);
}

// The receiver answers the first chunk late, after its copy went at 200 ms,
// and the copy 100 ms later still: the answer to the copy acknowledges
// nothing more, so the second chunk, whose answer is lost, goes again. The manifest and the chunks are as the
// device reads them.
TEST(FleetFirmware, ALateAnswerSendsThePacketAgainAndItsCopysAnswerStandsInForNothing) {
    vdsim::FirmwareReceiver receiver("127.0.0.2", 8800, vdsim::FirmwareReceiver::Transport::Udp);
    ASSERT_TRUE(receiver.Start());
    receiver.DelayAnswer(1, 300);
    receiver.DelayAnswer(2, 100);
    receiver.AnswerTimes(3, 0);
    Image image;
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    const char *paths[] = {image.path.c_str()};
    const VF_Op op = VF_Download(fleet, "127.0.0.2", 5, paths, 1, 5000);
    ASSERT_EQ(VF_Wait(fleet, op, 8000), VD_OK);
    VF_Destroy(fleet);
    const std::string name = image.path.substr(image.path.rfind('/') + 1, 16);
    Bytes manifest = {0xAA, 0x55, 0x10, 0x00, 0x1A, 0x00, 0x00, 0x00, 0x01, 0xFF};
    manifest.insert(manifest.end(), name.begin(), name.end());
    manifest.resize(26, 0);
    manifest = Cat(manifest, {0xE8, 0x03, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00});
    const Bytes first = Cat({0xAA, 0x55, 0x20, 0x02, 0x03, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00},
                            Bytes(image.bytes.begin(), image.bytes.begin() + 512));
    const Bytes second = Cat({0xAA, 0x55, 0x20, 0x01, 0xEB, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x00},
                             Bytes(image.bytes.begin() + 512, image.bytes.end()));
    const std::vector<Bytes> packets = receiver.Packets();
    ASSERT_EQ(packets.size(), 5u);
    EXPECT_EQ(packets[0], manifest);
    EXPECT_EQ(packets[1], first);
    EXPECT_EQ(packets[2], first);
    EXPECT_EQ(packets[3], second);
    EXPECT_EQ(packets[4], second);
}

}  // namespace

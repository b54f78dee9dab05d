// The firmware download's manifest and image list. The chunks, the
// acknowledgement and the images a receiver rebuilds from the manifest are
// the firmware tests' (tests/integration) and the family_a_ack fuzz
// target's; here the entries past the first and the names they carry, and
// which images fit a device.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "codec/firmware_images.h"
#include "devices/family_a/firmware/firmware_packets.h"

using namespace vd;

TEST(FamilyAFirmwarePackets, ManifestEntriesWithTheirNamesCutToSixteenBytes) {
    ImageTable t;
    t.count = 2;
    t.names[1] = "a-very-long-image-name.bin";
    t.sizes[1] = 0x01020304;
    t.addresses[1] = 0x20400;
    const Packet m = BuildManifest(t);
    ASSERT_EQ(m.size(), 58u);
    EXPECT_EQ(Packet(m.begin(), m.begin() + 10), (Packet{0xAA, 0x55, 0x10, 0x00, 50, 0x00, 0x00, 0x00, 0x02, 0xFF}));
    EXPECT_EQ(std::string(m.begin() + 34, m.begin() + 50), "a-very-long-imag");
    EXPECT_EQ(Packet(m.begin() + 50, m.end()), (Packet{0x04, 0x03, 0x02, 0x01, 0x00, 0x04, 0x02, 0x00}));
}

TEST(FamilyAFirmwarePackets, ImageListsAndNames) {
    EXPECT_EQ(SplitImagePaths("a*b**c*"), (std::vector<std::string>{"a", "b", "", "c", ""}));
    // The last separator of either kind ends the directory.
    EXPECT_EQ(ImageFileName("/tmp/fw\\x/boot.bin"), "boot.bin");
    EXPECT_EQ(ImageFileName("/tmp/a\\b.bin"), "b.bin");
    EXPECT_EQ(ImageFileName("dir/"), "");
    EXPECT_FALSE(IsAcknowledgement(nullptr, 3));
}

// The rule every front end checks before the library: counted in whole
// chunks, and never wrapped round by sizes near the largest number.
TEST(FamilyAFirmwareImages, OneToFiveImagesThatFitInWholeChunks) {
    EXPECT_EQ(ImagesRefusal(std::vector<uint64_t>(5, 0x1BE00 / 5 / 512 * 512)), "");
    EXPECT_EQ(ImagesRefusal({0x1BE00 - 512, 1}), "");
    EXPECT_EQ(ImagesRefusal({0x1BE00 - 512, 513}),
              "the images take 114688 bytes in 512-byte blocks; the device holds 114176");
    EXPECT_EQ(ImagesRefusal({UINT64_MAX, 1024}).substr(0, 37), "the images take 18446744073709551615 ");
    EXPECT_EQ(ImagesRefusal({}), "a download takes 1 to 5 images, not 0");
    EXPECT_EQ(ImagesRefusal(std::vector<uint64_t>(6, 1)), "a download takes 1 to 5 images, not 6");
}

// The firmware download packets, the image list and the acknowledgement.
#include <gtest/gtest.h>

#include <string>

#include "devices/family_a/firmware/firmware_packets.h"

using namespace vd;

TEST(FamilyAFirmwarePackets, ManifestEntriesWithTheirNamesCutToSixteenBytes) {
    ImageTable t;
    t.count = 1;
    t.names[0] = "app.bin";
    t.sizes[0] = 1000;
    t.addresses[0] = 0x20000;
    const Packet expected = {0xAA, 0x55, 0x10, 0x00, 0x1A, 0x00, 0x00, 0x00, 0x01, 0xFF,
                             'a',  'p',  'p',  '.',  'b',  'i',  'n',  0,    0,    0,    0, 0, 0, 0, 0, 0,
                             0xE8, 0x03, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00};
    EXPECT_EQ(BuildManifest(t), expected);
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

TEST(FamilyAFirmwarePackets, ChunkHeaders) {
    uint8_t h[kChunkHeader];
    FillChunkHeader(h, 0, 0, 512);
    EXPECT_EQ(Packet(h, h + kChunkHeader), (Packet{0xAA, 0x55, 0x20, 0x02, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    FillChunkHeader(h, 4, 0x01020304, 1);
    EXPECT_EQ(Packet(h, h + kChunkHeader), (Packet{0xAA, 0x55, 0x20, 0x00, 0x04, 0, 0, 4, 0, 0, 1, 2, 3, 4}));
}

TEST(FamilyAFirmwarePackets, ImageListsNamesAndAcknowledgements) {
    EXPECT_EQ(SplitImagePaths("a*b**c*"), (std::vector<std::string>{"a", "b", "", "c", ""}));
    // The last separator of either kind ends the directory.
    EXPECT_EQ(ImageFileName("/tmp/fw\\x/boot.bin"), "boot.bin");
    EXPECT_EQ(ImageFileName("/tmp/a\\b.bin"), "b.bin");
    EXPECT_EQ(ImageFileName("dir/"), "");
    // An answer acknowledges when it ends in a lower-case 'k'.
    const uint8_t answer[] = {'O', 'K', 'o', 'k', '\n'};
    EXPECT_TRUE(IsAcknowledgement(answer + 2, 2));
    EXPECT_TRUE(IsAcknowledgement(answer + 3, 1));
    EXPECT_FALSE(IsAcknowledgement(answer, 2));
    EXPECT_FALSE(IsAcknowledgement(answer + 3, 2));
    EXPECT_FALSE(IsAcknowledgement(answer + 3, 0));
    EXPECT_FALSE(IsAcknowledgement(nullptr, 3));
}

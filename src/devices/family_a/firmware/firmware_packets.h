// The firmware download packets. A manifest lists the images, then every
// image follows in chunks of at most 512 bytes; the device acknowledges each
// packet with an answer whose last byte is 'k'.
//   manifest: AA 55 10 | 24*count+2 (MSB first) | 00 00 | count (MSB first)
//             | FF | one 24-byte entry per image
//   entry:    file name (16, zero filled) | size | load address (both LSB first)
//   chunk:    AA 55 20 | k+3 (MSB first) | 00 00 | image index | 00 00
//             | offset in the image (4, MSB first) | k data bytes
#ifndef VANDREL_DEVICES_FAMILY_A_FIRMWARE_FIRMWARE_PACKETS_H
#define VANDREL_DEVICES_FAMILY_A_FIRMWARE_FIRMWARE_PACKETS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/family_a/firmware/image_table.h"
#include "devices/family_a/item_frame.h"

namespace vd {

constexpr size_t kChunkHeader = 14;
constexpr size_t kImageEntry = 24;
constexpr size_t kEntryName = 16;
constexpr uint32_t kFirstLoadAddress = 0x20000;

// What an answer may be: the device's answer to a manifest is read into 512
// bytes, to a chunk into 100; only the last byte read counts.
constexpr int kManifestAnswerRoom = 512;
constexpr int kChunkAnswerRoom = 100;
// Over UDP the manifest's 2 s are four tries of 500 ms, so that a silent
// device is given up after the same time; a chunk gets four tries of 200 ms,
// the time a device has to answer one. Four tries, not fewer: at 10% loss
// each way a try fails one time in five, and a download of a few chunks must
// still come through 99 times in 100. Over TCP one try: the stream loses
// nothing.
constexpr int kManifestWaitMs = 2000;
constexpr int kManifestTriesUdp = 4;
constexpr int kChunkWaitMs = 200;
constexpr int kChunkTriesUdp = 4;
// A fleet's download holds no caller and sends images of a hundred chunks
// and more: at 10% loss each way four tries let one in six of those fail,
// eight about one in ten thousand. Its manifest gets eight tries too: four
// lose one manifest in 750, a device of every other 500-device rollout. A
// silent device is given up after 4 s.
constexpr int kChunkTriesFleet = 8;
constexpr int kManifestTriesFleet = 8;

// The table of images that fit (ImagesRefusal says nothing against their
// sizes): paths, the names the device is told, sizes and load addresses,
// one after another in whole chunks.
ImageTable LayOutImages(const std::vector<std::string> &paths, const std::vector<uint64_t> &sizes);

// Writes the 24-byte manifest entry of image i of the table.
void FillImageEntry(uint8_t entry[kImageEntry], const ImageTable &table, uint32_t i);

// The manifest of the table's images (10 bytes for an erase).
Packet BuildManifest(const ImageTable &table);

// The 14-byte header of a chunk of k bytes of image index at offset.
void FillChunkHeader(uint8_t header[kChunkHeader], uint8_t index, uint32_t offset, size_t k);

// The pieces of a download parameter cut at every '*' (an empty text is one
// empty piece).
std::vector<std::string> SplitImagePaths(const std::string &param);

// The file name of a path: the text after its last '\' or '/'.
std::string ImageFileName(const std::string &path);

// An answer acknowledges when its last byte is 'k'.
bool IsAcknowledgement(const uint8_t *answer, size_t len);

}  // namespace vd

#endif

#include "devices/family_a/firmware/firmware_packets.h"

#include <cstring>

namespace vd {

namespace {

constexpr uint8_t kMagic[2] = {0xAA, 0x55};
constexpr uint8_t kManifest = 0x10;
constexpr uint8_t kChunk = 0x20;
constexpr uint8_t kAck = 'k';

void PutLittle32(uint8_t *out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(v >> (8 * i));
}

void PutBig16(uint8_t *out, uint32_t v) {
    out[0] = uint8_t(v >> 8);
    out[1] = uint8_t(v);
}

}  // namespace

void FillImageEntry(uint8_t entry[kImageEntry], const ImageTable &table, uint32_t i) {
    std::memset(entry, 0, kImageEntry);
    const std::string &name = table.names[i];
    std::memcpy(entry, name.data(), name.size() < kEntryName ? name.size() : kEntryName);
    PutLittle32(entry + 16, table.sizes[i]);
    PutLittle32(entry + 20, table.addresses[i]);
}

Packet BuildManifest(const ImageTable &table) {
    const uint32_t count = table.count < uint32_t(kMaxImages) ? table.count : uint32_t(kMaxImages);
    Packet p(10 + kImageEntry * count, 0);
    p[0] = kMagic[0];
    p[1] = kMagic[1];
    p[2] = kManifest;
    PutBig16(&p[3], uint32_t(kImageEntry * count + 2));
    PutBig16(&p[7], count);
    p[9] = 0xFF;
    for (uint32_t i = 0; i < count; ++i) FillImageEntry(&p[10 + kImageEntry * i], table, i);
    return p;
}

void FillChunkHeader(uint8_t header[kChunkHeader], uint8_t index, uint32_t offset, size_t k) {
    std::memset(header, 0, kChunkHeader);
    header[0] = kMagic[0];
    header[1] = kMagic[1];
    header[2] = kChunk;
    PutBig16(header + 3, uint32_t(k + 3));
    header[7] = index;
    for (int i = 0; i < 4; ++i) header[10 + i] = uint8_t(offset >> (8 * (3 - i)));
}

std::vector<std::string> SplitImagePaths(const std::string &param) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t star = param.find('*', start);
        pieces.push_back(param.substr(start, star == std::string::npos ? std::string::npos : star - start));
        if (star == std::string::npos) return pieces;
        start = star + 1;
    }
}

std::string ImageFileName(const std::string &path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ImageTable LayOutImages(const std::vector<std::string> &paths, const std::vector<uint64_t> &sizes) {
    ImageTable table;
    uint64_t address = kFirstLoadAddress;
    for (size_t i = 0; i < paths.size() && i < kMaxImages; ++i) {
        table.paths[i] = paths[i];
        table.names[i] = ImageFileName(paths[i]);
        table.sizes[i] = uint32_t(sizes[i]);
        table.addresses[i] = uint32_t(address);
        address += RoundToChunks(sizes[i]);
        table.count = uint32_t(i + 1);
    }
    return table;
}

bool IsAcknowledgement(const uint8_t *answer, size_t len) { return answer && len > 0 && answer[len - 1] == kAck; }

}  // namespace vd

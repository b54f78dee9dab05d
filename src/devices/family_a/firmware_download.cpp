// FamilyAHandler's firmware download: the manifest, then every image in
// chunks, each packet acknowledged before the next goes out, on whichever
// transport the command came by. An acknowledgement names no packet, so
// whatever is queued before a packet goes out is discarded: only an answer
// that arrived after the packet acknowledges it, and a duplicated answer
// never stands in for a later packet. Every packet says where its bytes go,
// so one sent twice is stored once: over UDP a packet without answer is
// sent again.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "devices/family_a/firmware_packets.h"
#include "devices/family_a/family_a_handler.h"

namespace vd {

namespace {

constexpr int kManifestAnswerRoom = 512;
constexpr int kChunkAnswerRoom = 100;
// Over UDP the manifest's 2 s are two tries of 1 s, so that a silent device
// is given up after the same time; a chunk gets three tries of 200 ms, as a
// device answers within a few milliseconds. Over TCP one try: the stream
// loses nothing.
constexpr int kManifestWaitMs = 2000;
constexpr int kManifestTriesUdp = 2;
constexpr int kChunkWaitMs = 200;
constexpr int kChunkTriesUdp = 3;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

}  // namespace

int FamilyAHandler::DownloadImages(const char *cmd, const char *param) {
    if (!PrepareImages(cmd, param)) return 0;
    if (!SendManifest()) return 0;
    return SendAllImages();
}

int FamilyAHandler::PrepareImages(const char *cmd, const char *param) {
    if (std::strcmp(cmd, "ERASE") == 0) {
        m_imageTable = ImageTable();
        return 1;
    }
    if (std::strcmp(cmd, "DOWNLOAD") != 0) return 0;
    const std::vector<std::string> paths = SplitImagePaths(OrEmpty(param));
    // The table holds five images; a longer list is refused whole.
    if (paths.size() > size_t(kMaxImages)) return 0;
    m_imageTable = ImageTable();
    for (size_t i = 0; i < paths.size(); ++i) {
        m_imageTable.paths[i] = paths[i];
        m_imageTable.names[i] = ImageFileName(paths[i]);
    }
    m_imageTable.count = uint32_t(paths.size());
    uint64_t total = 0;
    return LayoutImages(total) && total <= kMaxImageTotal;
}

bool FamilyAHandler::LayoutImages(uint64_t &total) {
    total = 0;
    for (uint32_t i = 0; i < m_imageTable.count; ++i) {
        struct stat st;
        if (::stat(m_imageTable.paths[i].c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        // Sizes past the limit are refused by the caller before they are used.
        m_imageTable.sizes[i] = uint32_t(st.st_size);
        m_imageTable.addresses[i] = uint32_t(kFirstLoadAddress + total);
        total += RoundToChunks(uint64_t(st.st_size));
    }
    return true;
}

int FamilyAHandler::SendAcknowledged(const uint8_t *packet, int length, int room, int tries, int waitMs) {
    for (int attempt = 0; attempt < tries; ++attempt) {
        m_requestSocket.DiscardQueued();
        if (m_requestSocket.SendData(packet, length) < 1) return 0;
        uint8_t answer[kManifestAnswerRoom];
        const int got = m_requestSocket.ReceiveTimed(answer, room, nullptr, waitMs);
        if (got > 0) return IsAcknowledgement(answer, size_t(got));
    }
    return 0;
}

int FamilyAHandler::SendManifest() {
    const Packet manifest = BuildManifest(m_imageTable);
    if (!m_request.transport)
        return SendAcknowledged(manifest.data(), int(manifest.size()), kManifestAnswerRoom, 1, kManifestWaitMs);
    return SendAcknowledged(manifest.data(), int(manifest.size()), kManifestAnswerRoom, kManifestTriesUdp,
                            kManifestWaitMs / kManifestTriesUdp);
}

int FamilyAHandler::SendAllImages() {
    for (uint32_t i = 0; i < m_imageTable.count; ++i)
        if (!SendImage(i)) return 0;
    return 1;
}

int FamilyAHandler::SendImage(uint32_t i) {
    File file(std::fopen(m_imageTable.paths[i].c_str(), "rb"), std::fclose);
    if (!file) return 0;
    uint8_t packet[kChunkHeader + kChunkData];
    for (uint32_t offset = 0; offset < m_imageTable.sizes[i]; offset += kChunkData) {
        const uint32_t remaining = m_imageTable.sizes[i] - offset;
        const size_t k = remaining < kChunkData ? remaining : kChunkData;
        // A file that shrank since the manifest fails here: no made-up bytes.
        if (std::fread(packet + kChunkHeader, 1, k, file.get()) != k) return 0;
        FillChunkHeader(packet, uint8_t(i), offset, k);
        if (!SendChunk(packet, int(kChunkHeader + k))) return 0;
    }
    return 1;
}

int FamilyAHandler::SendChunk(const uint8_t *packet, int length) {
    return SendAcknowledged(packet, length, kChunkAnswerRoom, m_request.transport ? kChunkTriesUdp : 1, kChunkWaitMs);
}

}  // namespace vd

// The download on the wire. An acknowledgement names no packet, so whatever
// is queued before a packet goes out is discarded: only an answer that
// arrived after the packet acknowledges it, and a duplicated answer never
// stands in for a later packet. Every packet says where its bytes go, so one
// sent twice is stored once: over UDP a packet without answer is sent again.
#include "devices/family_a/firmware/firmware_download.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/text.h"
#include "devices/family_a/firmware/firmware_packets.h"

namespace vd {

namespace {

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

using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

}  // namespace

bool IsFirmwareCommand(const char *cmd) { return std::strcmp(cmd, "DOWNLOAD") == 0 || std::strcmp(cmd, "ERASE") == 0; }

bool FirmwareDownload::Run(const char *cmd, const char *param) {
    if (!Prepare(cmd, param)) return false;
    if (!SendManifest()) return false;
    for (uint32_t i = 0; i < m_images.count; ++i)
        if (!SendImage(i)) return false;
    return true;
}

bool FirmwareDownload::Prepare(const char *cmd, const char *param) {
    m_images = ImageTable();
    if (std::strcmp(cmd, "ERASE") == 0) return true;
    if (std::strcmp(cmd, "DOWNLOAD") != 0) return false;
    const std::vector<std::string> paths = SplitImagePaths(OrEmpty(param));
    std::vector<uint64_t> sizes;
    for (const std::string &path : paths) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        sizes.push_back(uint64_t(st.st_size));
    }
    // The table holds five images; a longer list is refused whole.
    if (!ImagesRefusal(sizes).empty()) return false;
    LayoutImages(paths, sizes);
    return true;
}

void FirmwareDownload::LayoutImages(const std::vector<std::string> &paths, const std::vector<uint64_t> &sizes) {
    uint64_t address = kFirstLoadAddress;
    for (size_t i = 0; i < paths.size(); ++i) {
        m_images.paths[i] = paths[i];
        m_images.names[i] = ImageFileName(paths[i]);
        m_images.sizes[i] = uint32_t(sizes[i]);
        m_images.addresses[i] = uint32_t(address);
        address += RoundToChunks(sizes[i]);
    }
    m_images.count = uint32_t(paths.size());
}

bool FirmwareDownload::SendAcknowledged(const uint8_t *packet, int length, int room, int tries, int waitMs) {
    for (int attempt = 0; attempt < tries; ++attempt) {
        m_socket.DiscardQueued();
        if (m_socket.SendData(packet, length) < 1) return false;
        uint8_t answer[kManifestAnswerRoom];
        const int got = m_socket.ReceiveTimed(answer, room, nullptr, waitMs);
        if (got > 0) {
            // Each copy sent may still be answered; those answers must not
            // stand in for the next packet's.
            uint8_t late[kManifestAnswerRoom];
            for (int copy = 0; copy < attempt; ++copy)
                if (m_socket.ReceiveTimed(late, room, nullptr, waitMs) < 1) break;
            return IsAcknowledgement(answer, size_t(got));
        }
    }
    return false;
}

bool FirmwareDownload::SendManifest() {
    const Packet manifest = BuildManifest(m_images);
    if (!m_datagram)
        return SendAcknowledged(manifest.data(), int(manifest.size()), kManifestAnswerRoom, 1, kManifestWaitMs);
    return SendAcknowledged(manifest.data(), int(manifest.size()), kManifestAnswerRoom, kManifestTriesUdp,
                            kManifestWaitMs / kManifestTriesUdp);
}

bool FirmwareDownload::SendImage(uint32_t i) {
    File file(std::fopen(m_images.paths[i].c_str(), "rb"), std::fclose);
    if (!file) return false;
    uint8_t packet[kChunkHeader + kChunkData];
    for (uint32_t offset = 0; offset < m_images.sizes[i]; offset += kChunkData) {
        const uint32_t remaining = m_images.sizes[i] - offset;
        const size_t k = remaining < kChunkData ? remaining : kChunkData;
        // A file that shrank since the manifest fails here: no made-up bytes.
        if (std::fread(packet + kChunkHeader, 1, k, file.get()) != k) return false;
        FillChunkHeader(packet, uint8_t(i), offset, k);
        if (!SendAcknowledged(packet, int(kChunkHeader + k), kChunkAnswerRoom, m_datagram ? kChunkTriesUdp : 1,
                              kChunkWaitMs))
            return false;
    }
    return true;
}

}  // namespace vd

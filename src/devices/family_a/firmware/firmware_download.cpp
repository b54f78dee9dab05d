// The download on the wire. An acknowledgement names no packet, so whatever
// is queued before a packet goes out is discarded: only an answer that
// arrived after the packet acknowledges it, and a duplicated answer never
// stands in for a later packet. Every packet says where its bytes go, so one
// sent twice is stored once: over UDP a packet without answer is sent again.
#include "devices/family_a/firmware/firmware_download.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/text.h"
#include "devices/family_a/firmware/firmware_packets.h"
#include "devices/family_a/firmware/image_files.h"
#include "net/platform.h"

namespace vd {

namespace {

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
    if (!ImageSizes(paths, sizes)) return false;
    // The table holds five images; a longer list is refused whole.
    if (!ImagesRefusal(sizes).empty()) return false;
    m_images = LayOutImages(paths, sizes);
    return true;
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
    File file(net::OpenToRead(m_images.paths[i]), std::fclose);
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

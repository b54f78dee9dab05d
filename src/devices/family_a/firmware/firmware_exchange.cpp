// An acknowledgement names no packet. The answers queued together are read
// before the timer moves on, so a duplicated answer never stands in for the
// next packet's; and after a packet sent more than once, the answers still
// due to its copies are waited out for one try's time (or until they have
// all come) before the next packet goes. Every packet says where its bytes
// go, so one the device gets twice is stored once.
#include "devices/family_a/firmware/firmware_exchange.h"

#include <algorithm>

#include "devices/family_a/family_a_handler.h"
#include "devices/family_a/firmware/firmware_packets.h"
#include "vandrel.h"

namespace vd {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kManifestTry{kManifestWaitMs / kManifestTriesUdp};
constexpr milliseconds kChunkTry{kChunkWaitMs};

}  // namespace

void FirmwareExchange::Start(TimePoint now) {
    m_end = now + m_job.deadline;
    if (!ReadImages(m_job.images, m_images, m_bytes)) return Finish(VD_FAIL);
    m_link.ExpectFrom(*this, m_job.address);
    m_packet = BuildManifest(m_images);
    Send(now);
}

void FirmwareExchange::Send(TimePoint now) {
    if (m_copies == 0) m_answers = 0;
    if (m_copies > 0) ++m_counts.resent;
    if (!m_link.SendTo(m_job.address, uint16_t(kItemPort), m_packet.data(), m_packet.size())) return Finish(VD_FAIL);
    ++m_copies;
    m_next = std::min(now + (m_manifest ? kManifestTry : kChunkTry), m_end);
}

void FirmwareExchange::OnDatagram(size_t, const uint8_t *bytes, int length, const char *from) {
    if (m_job.address != from || length < 1) return;
    if (m_draining) {
        ++m_counts.duplicates;
        if (--m_lateDue <= 0) m_next = TimePoint::min();
        return;
    }
    // Only the first answer counts; the others were due to its copies.
    if (m_answers++ > 0) {
        ++m_counts.duplicates;
        return;
    }
    const int room = m_manifest ? kManifestAnswerRoom : kChunkAnswerRoom;
    m_acknowledged = IsAcknowledgement(bytes, size_t(std::min(length, room)));
    m_next = TimePoint::min();
}

void FirmwareExchange::OnTimer(TimePoint now) {
    if (m_draining) return SendNext(now);
    if (m_answers > 0) {
        if (!m_acknowledged) return Finish(VD_FAIL);
        m_lateDue = m_copies - m_answers;
        if (m_lateDue <= 0) return SendNext(now);
        // The copies sent before may still be answered, for one try's time.
        m_draining = true;
        m_next = std::min(now + (m_manifest ? kManifestTry : kChunkTry), m_end);
        return;
    }
    const int tries = m_manifest ? kManifestTriesFleet : kChunkTriesFleet;
    if (now >= m_end || m_copies >= tries) return Finish(VD_FAIL);
    Send(now);
}

void FirmwareExchange::SendNext(TimePoint now) {
    m_draining = false;
    m_copies = 0;
    if (!NextPacket()) return Finish(VD_OK);
    Send(now);
}

bool FirmwareExchange::NextPacket() {
    if (m_manifest)
        m_manifest = false;
    else
        m_offset += uint32_t(kChunkData);
    while (m_image < m_images.count && m_offset >= m_images.sizes[m_image]) {
        ++m_image;
        m_offset = 0;
    }
    if (m_image >= m_images.count) return false;
    const size_t k = std::min<size_t>(kChunkData, m_images.sizes[m_image] - m_offset);
    m_packet.assign(kChunkHeader + k, 0);
    FillChunkHeader(m_packet.data(), uint8_t(m_image), m_offset, k);
    const ImageBytes &image = m_bytes[m_image];
    std::copy(image.begin() + long(m_offset), image.begin() + long(m_offset + k), m_packet.begin() + kChunkHeader);
    return true;
}

}  // namespace vd

// FirmwareExchange: a firmware download of one family A device over UDP as
// one exchange (core/device_exchange.h), beside the downloads of other
// devices: the manifest, then each image in chunks, each packet sent once
// the device has acknowledged the one before, so the device sets the pace.
// A packet without answer is sent again on its timer (every 500 ms for the
// manifest, four tries; 200 ms for a chunk, eight tries); an answer that is
// not an acknowledgement, a packet's last silent try or the deadline end
// it, the device without its images whole. The images are read whole when it starts.
#ifndef VANDREL_DEVICES_FAMILY_A_FIRMWARE_FIRMWARE_EXCHANGE_H
#define VANDREL_DEVICES_FAMILY_A_FIRMWARE_FIRMWARE_EXCHANGE_H

#include "core/device_exchange.h"
#include "devices/family_a/firmware/image_files.h"
#include "devices/family_a/item_frame.h"

namespace vd {

class FirmwareExchange : public DeviceExchange {
public:
    FirmwareExchange(DeviceJob job, DeviceLink &link) : DeviceExchange(link), m_job(std::move(job)) {}

    void Start(TimePoint now) override;
    void OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) override;
    void OnTimer(TimePoint now) override;

private:
    // Makes the packet after the one acknowledged; false when none is left.
    bool NextPacket();
    // Sends the packet now due, a first copy or another.
    void Send(TimePoint now);
    // Moves on to the next packet, or ends when every one is acknowledged.
    void SendNext(TimePoint now);

    DeviceJob m_job;
    ImageTable m_images;
    std::vector<ImageBytes> m_bytes;
    Packet m_packet;
    bool m_manifest = true;
    uint32_t m_image = 0;
    uint32_t m_offset = 0;  // of the chunk in m_packet
    int m_copies = 0;       // of m_packet sent
    int m_answers = 0;      // to m_packet
    // Waiting out the answers still due to copies of the packet just
    // acknowledged: none of them acknowledges the next one.
    bool m_draining = false;
    int m_lateDue = 0;
    bool m_acknowledged = false;
    TimePoint m_end;
};

}  // namespace vd

#endif

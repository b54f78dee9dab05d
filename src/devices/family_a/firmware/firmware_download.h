// FirmwareDownload: one firmware download, or erase, of a family A device on
// a socket already opened to it: the manifest, then every image in chunks,
// each packet acknowledged before the next goes out.
#ifndef VANDREL_DEVICES_FAMILY_A_FIRMWARE_FIRMWARE_DOWNLOAD_H
#define VANDREL_DEVICES_FAMILY_A_FIRMWARE_FIRMWARE_DOWNLOAD_H

#include <cstdint>
#include <string>
#include <vector>

#include "devices/family_a/firmware/image_table.h"
#include "net/client_socket.h"

namespace vd {

// Whether cmd is one of the commands a FirmwareDownload runs.
bool IsFirmwareCommand(const char *cmd);

class FirmwareDownload {
public:
    // Over a datagram socket a packet without answer is sent again; a stream
    // loses nothing.
    FirmwareDownload(net::ClientSocket &socket, bool datagram) : m_socket(socket), m_datagram(datagram) {}

    // "DOWNLOAD": the images listed in param, '*' between the paths (five at
    // most, fitting the device's memory together); "ERASE": none. true when
    // every packet was acknowledged.
    bool Run(const char *cmd, const char *param);

private:
    bool Prepare(const char *cmd, const char *param);
    bool SendManifest();
    bool SendImage(uint32_t i);
    // Sends packet and reads one answer of at most room bytes within waitMs,
    // up to tries times while no answer comes; true when the answer
    // acknowledges.
    bool SendAcknowledged(const uint8_t *packet, int length, int room, int tries, int waitMs);

    net::ClientSocket &m_socket;
    bool m_datagram;
    ImageTable m_images;
};

}  // namespace vd

#endif

// CItemDevType: the family A handler (the types of codec/family_a_types.h).
// Discovery, information and write traffic is UDP to port 8800 and made of
// items; commands go to the port the caller names.
#ifndef VANDREL_DEVICES_FAMILY_A_ITEM_DEV_TYPE_H
#define VANDREL_DEVICES_FAMILY_A_ITEM_DEV_TYPE_H

#include "core/dev_type.h"
#include "devices/family_a/item_frame.h"

namespace vd {

constexpr uint32_t kItemPort = 8800;

class CItemDevType : public CDevType {
public:
    int SearchAll() override;
    int Search() override;
    int RequestInfo() override;
    int IsInfoComplete() override;
    int OnDatagram(const uint8_t *data, int len, const char *from) override;
    int WriteConfig() override;
    int SendCmd(int type, const char *cmd, char *param, size_t paramCap) override;
    int IsTypeSupported(int type) override;
    int IsTransportSupported(int) override { return 1; }
    int InterceptModify(const CString &key, const CString &value) override;
    int IsHiddenKey(const CString &key) override;
    int FormatValue(const CString &key, const CString &value, CString &out) override;

private:
    // Opens m_requestSocket for the current request. A datagram request first
    // closes a stream that a command left open, so that its datagram does not
    // go out on that connection.
    int OpenRequest(uint32_t port);
    // Sends packet on m_requestSocket; 1 when more than 0 bytes went out.
    int SendRequest(const Packet &packet);
    // A device command packet over TCP; its reply text goes into param.
    int SendStreamCommand(const char *cmd, char *param, size_t paramCap);

    // Firmware download ("DOWNLOAD": images listed in param; "ERASE": none).
    int DownloadImages(const char *cmd, const char *param);
    int PrepareImages(const char *cmd, const char *param);
    // Sizes and load addresses of the images; total gets the sum of the
    // rounded sizes. false when a size cannot be read.
    bool LayoutImages(uint64_t &total);
    int SendManifest();
    int SendAllImages();
    int SendImage(uint32_t i);
    int SendChunk(const uint8_t *packet, int length);
    // 1 when one read of at most room bytes within timeoutMs acknowledges.
    int ReceiveAcknowledgement(int room, int timeoutMs);
};

}  // namespace vd

#endif

// FamilyAHandler: the family A handler (the types of codec/family_a_types.h).
// Discovery, information and write traffic is UDP to port 8800 and made of
// items; commands go to the port the caller names.
#ifndef VANDREL_DEVICES_FAMILY_A_FAMILY_A_HANDLER_H
#define VANDREL_DEVICES_FAMILY_A_FAMILY_A_HANDLER_H

#include <string>

#include "core/family_handler.h"
#include "devices/family_a/info_answer.h"
#include "devices/family_a/item_frame.h"

namespace vd {

constexpr uint32_t kItemPort = 8800;

class FamilyAHandler : public FamilyHandler {
public:
    bool SearchAll(const RequestRecord &request) override;
    bool Search(const RequestRecord &request) override;
    bool RequestInfo(const RequestRecord &request) override;
    // The information request again while no answer has come.
    int RepeatRequest(SteadyClock::time_point until) override;
    bool IsInfoComplete() override;
    bool OnDatagram(const uint8_t *data, int len, const char *from) override;
    // Sends the staged pairs, then reads the device back: what did not take
    // is sent again, a few times at most. Nothing goes out when nothing is
    // staged.
    WriteOutcome WriteConfig(const RequestRecord &request) override;
    bool SendCmd(const RequestRecord &request, int type, const char *cmd, char *param, size_t paramCap) override;
    bool IsTypeSupported(int type) override;
    bool IsTransportSupported(int) override { return true; }

protected:
    bool InterceptModify(const std::string &key, const std::string &value) override;
    bool IsHiddenKey(const std::string &key) override;
    bool FormatValue(const std::string &key, const std::string &value, std::string &out) override;

private:
    // Opens m_requestSocket for the current request. A datagram request first
    // closes a stream that a command left open, so that its datagram does not
    // go out on that connection.
    bool OpenRequest(uint32_t port);
    // Sends packet on m_requestSocket; true when more than 0 bytes went out.
    bool SendRequest(const Packet &packet);
    // A device command packet over TCP; its reply text goes into param.
    bool SendStreamCommand(const char *cmd, char *param, size_t paramCap);

    // Reads the device's settings into m_info, asking at its address and, for
    // a write that gives it another (movedTo, may be empty), there as well;
    // false when no answer came.
    bool ReadBack(const std::string &movedTo);

    // The datagrams of the answer to the current information request.
    InfoAnswer m_answer;
};

}  // namespace vd

#endif

#include "devices/family_a/family_a_handler.h"

#include <algorithm>

#include "codec/codec.h"
#include "devices/family_a/decode_items.h"
#include "devices/family_a/search_reply.h"
#include "devices/family_a/write_packet.h"

namespace vd {

namespace {

// The receive pump never hands over more than its buffer holds.
constexpr size_t kMaxDatagram = 2048;

}  // namespace

bool FamilyAHandler::IsTypeSupported(int type) { return IsFamilyA(type); }

bool FamilyAHandler::SearchAll(const RequestRecord &request) {
    m_request = request;
    m_searchSocket.Open(m_request.SocketType(), m_request.targetIp.c_str(), kItemPort);
    m_replyMode = ReplyMode::Search;
    const Packet packet = RequestPacket(kCodeSearchRequest);
    return m_searchSocket.SendData(packet.data(), int(packet.size())) > 0;
}

bool FamilyAHandler::Search(const RequestRecord &request) { return SearchAll(request); }

bool FamilyAHandler::SendRequest(const Packet &packet) {
    return m_requestSocket.SendData(packet.data(), int(packet.size())) > 0;
}

bool FamilyAHandler::RequestInfo(const RequestRecord &request) {
    m_request = request;
    // Information requests travel only as datagrams.
    if (m_request.transport == 0) return false;
    OpenRequest(kItemPort);
    ClearInfo();
    m_answer.Clear();
    const bool sent = SendRequest(RequestPacket(kCodeInfoRequest));
    m_replyMode = ReplyMode::Info;
    return sent;
}

int FamilyAHandler::RepeatRequest(SteadyClock::time_point) {
    if (m_replyMode == ReplyMode::Info && m_info.keys.empty()) SendRequest(RequestPacket(kCodeInfoRequest));
    return 0;
}

bool FamilyAHandler::IsInfoComplete() { return !m_info.keys.empty(); }

bool FamilyAHandler::OnDatagram(const uint8_t *data, int len, const char *from) {
    if (!data || len <= 0) return false;
    const size_t length = std::min(size_t(len), kMaxDatagram);
    const std::string sender = OrEmpty(from);
    if (m_replyMode == ReplyMode::Search) {
        auto record = std::make_unique<DeviceRecord>();
        if (DecodeFixedSearchReply(data, length, *record)) {
            KeepSearchResult(std::move(record));
            return true;
        }
    }
    if (!HasItemFrame(data, length)) return false;
    std::unique_ptr<DeviceRecord> found;
    DeviceRecord *target;
    switch (m_replyMode) {
        case ReplyMode::Search:
            found = std::make_unique<DeviceRecord>();
            target = found.get();
            break;
        case ReplyMode::Info:
            // Only the device asked may answer; the datagrams of its answer
            // add up, and a copy of one counts once.
            if (sender != m_requestSocket.GetHost() || !m_answer.Take(data, length)) return false;
            target = &m_info;
            break;
        default:
            // Answers to a write are not read.
            return false;
    }
    target->ip = sender;
    DecodeItems(data, length, *target);
    if (found) KeepSearchResult(std::move(found));
    return true;
}

bool FamilyAHandler::IsHiddenKey(const std::string &key) { return IsHiddenItemKey(key); }

bool FamilyAHandler::FormatValue(const std::string &key, const std::string &value, std::string &out) {
    return FormatItemValue(m_info, key, value, out);
}

bool FamilyAHandler::InterceptModify(const std::string &key, const std::string &value) {
    return InterceptItemModify(m_info, m_staged, key, value);
}

}  // namespace vd

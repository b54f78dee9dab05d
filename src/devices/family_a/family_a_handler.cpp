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

constexpr int kReplySearch = 0;

}  // namespace

int FamilyAHandler::IsTypeSupported(int type) { return IsFamilyA(type); }

int FamilyAHandler::SearchAll() {
    m_searchSocket.Open(m_request.SocketType(), m_request.targetIp.c_str(), kItemPort);
    m_replyMode = kReplySearch;
    const Packet packet = RequestPacket(kCodeSearchRequest);
    return m_searchSocket.SendData(packet.data(), int(packet.size())) > 0;
}

int FamilyAHandler::Search() { return SearchAll(); }

int FamilyAHandler::SendRequest(const Packet &packet) {
    return m_requestSocket.SendData(packet.data(), int(packet.size())) > 0;
}

int FamilyAHandler::RequestInfo() {
    // Information requests travel only as datagrams.
    if (m_request.transport == 0) return 0;
    OpenRequest(kItemPort);
    m_info.ClearPairs();
    const int sent = SendRequest(RequestPacket(kCodeInfoRequest));
    m_replyMode = kReplyInfo;
    return sent;
}

int FamilyAHandler::RepeatRequest() {
    if (m_replyMode == kReplyInfo && m_info.keys.empty()) SendRequest(RequestPacket(kCodeInfoRequest));
    return 0;
}

int FamilyAHandler::IsInfoComplete() { return !m_info.keys.empty(); }

int FamilyAHandler::OnDatagram(const uint8_t *data, int len, const char *from) {
    if (!data || len <= 0) return 0;
    const size_t length = std::min(size_t(len), kMaxDatagram);
    const std::string sender = OrEmpty(from);
    if (m_replyMode == kReplySearch) {
        auto record = std::make_unique<DeviceRecord>();
        if (DecodeFixedSearchReply(data, length, *record)) {
            m_results.push_back(std::move(record));
            return 1;
        }
    }
    if (!HasItemFrame(data, length)) return 0;
    std::unique_ptr<DeviceRecord> found;
    DeviceRecord *target;
    switch (m_replyMode) {
        case kReplySearch:
            found = std::make_unique<DeviceRecord>();
            target = found.get();
            break;
        case kReplyInfo:
            // Only the device asked may answer, and only once: one answer
            // holds all its settings, so a copy of it, or the answer to a
            // request sent again, would list every key twice.
            if (sender != m_requestSocket.GetHost() || !m_info.keys.empty()) return 0;
            target = &m_info;
            break;
        default:
            // Answers to a write are not read.
            return 0;
    }
    target->ip = sender;
    DecodeItems(data, length, *target);
    if (found) m_results.push_back(std::move(found));
    return 1;
}

int FamilyAHandler::IsHiddenKey(const std::string &key) { return IsHiddenItemKey(key); }

int FamilyAHandler::FormatValue(const std::string &key, const std::string &value, std::string &out) {
    return FormatItemValue(m_info, key, value, out);
}

int FamilyAHandler::InterceptModify(const std::string &key, const std::string &value) {
    return InterceptItemModify(m_info, m_staged, key, value);
}

}  // namespace vd

#include "core/family_handler.h"

namespace vd {

FamilyHandler::~FamilyHandler() = default;

net::ClientSocket &FamilyHandler::ReplySocket() {
    return m_replyMode == ReplyMode::Search ? m_searchSocket : m_requestSocket;
}

bool FamilyHandler::TakeValue(std::string &key, std::string &out) {
    out.clear();
    for (size_t i = 0; i < m_info.keys.size(); ++i) {
        const std::string &name = m_info.keys[i];
        if (IsHiddenKey(name)) continue;
        if (!key.empty() && name != key) continue;
        if (key.empty()) key = name;
        if (!FormatValue(name, m_info.values[i], out)) out = m_info.values[i];
        m_info.keys.erase(m_info.keys.begin() + long(i));
        m_info.values.erase(m_info.values.begin() + long(i));
        return true;
    }
    return false;
}

bool FamilyHandler::TakeSearchResult(DeviceRecord &out) {
    if (m_results.empty()) return false;
    out = *m_results.front();
    m_results.pop_front();
    return true;
}

void FamilyHandler::ClearInfo() {
    m_info.ClearPairs();
    m_notTakenLeft = false;
}

void FamilyHandler::ClearStaged() {
    m_staged.ClearPairs();
    if (m_notTakenLeft) ClearInfo();
}

void FamilyHandler::KeepSearchResult(std::unique_ptr<DeviceRecord> record) {
    if (m_results.size() < kMaxSearchResults) m_results.push_back(std::move(record));
}

void FamilyHandler::LeaveNotTaken(const DeviceRecord &pairs) {
    m_info.keys = pairs.keys;
    m_info.values = pairs.values;
    m_notTakenLeft = true;
}

void FamilyHandler::Stage(const std::string &key, const std::string &value) {
    const int i = m_staged.Find(key);
    if (i >= 0)
        m_staged.values[size_t(i)] = value;
    else if (!InterceptModify(key, value))
        m_staged.Append(key, value);
}

}  // namespace vd

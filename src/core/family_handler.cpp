#include "core/family_handler.h"

namespace vd {

FamilyHandler::~FamilyHandler() = default;

int FamilyHandler::TakeValue(std::string &key, std::string &out) {
    out.clear();
    for (size_t i = 0; i < m_info.keys.size(); ++i) {
        const std::string &name = m_info.keys[i];
        if (IsHiddenKey(name)) continue;
        if (!key.empty() && name != key) continue;
        if (key.empty()) key = name;
        if (!FormatValue(name, m_info.values[i], out)) out = m_info.values[i];
        m_info.keys.erase(m_info.keys.begin() + long(i));
        m_info.values.erase(m_info.values.begin() + long(i));
        return 1;
    }
    return 0;
}

int FamilyHandler::TakeSearchResult(DeviceRecord &out) {
    if (m_results.empty()) return 0;
    out = *m_results.front();
    m_results.pop_front();
    return 1;
}

}  // namespace vd

#include "json.h"

#include "json_text.h"

#include <cstdio>

namespace vdcli {

Json Json::Object() {
    Json j;
    j.m_kind = Kind::Object;
    return j;
}

Json Json::Array() {
    Json j;
    j.m_kind = Kind::Array;
    return j;
}

Json &Json::Set(const std::string &key, Json value) {
    for (auto &item : m_items)
        if (item.first == key) {
            item.second = std::move(value);
            return *this;
        }
    m_items.emplace_back(key, std::move(value));
    return *this;
}

Json &Json::Push(Json value) {
    m_items.emplace_back(std::string(), std::move(value));
    return *this;
}

void Json::DumpTo(std::string &out, int depth) const {
    switch (m_kind) {
    case Kind::Null: out += "null"; return;
    case Kind::String: out += JsonQuote(m_text); return;
    case Kind::Bool:
    case Kind::Number: out += m_text; return;
    case Kind::Array:
    case Kind::Object: break;
    }
    const bool object = m_kind == Kind::Object;
    if (m_items.empty()) {
        out += object ? "{}" : "[]";
        return;
    }
    const std::string pad(size_t(depth + 1) * 2, ' ');
    out += object ? "{\n" : "[\n";
    for (size_t i = 0; i < m_items.size(); ++i) {
        out += pad;
        if (object) out += JsonQuote(m_items[i].first) + ": ";
        m_items[i].second.DumpTo(out, depth + 1);
        out += i + 1 < m_items.size() ? ",\n" : "\n";
    }
    out += std::string(size_t(depth) * 2, ' ') + (object ? "}" : "]");
}

std::string Json::Dump() const {
    std::string out;
    DumpTo(out, 0);
    return out;
}

}  // namespace vdcli

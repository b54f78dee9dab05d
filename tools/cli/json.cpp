#include "json.h"

namespace vdcli {

namespace {

// Each byte as its Latin-1 code point, in UTF-8.
std::string Latin1ToUtf8(const std::string &bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

Json::Json(const std::string &text) : m_value(Latin1ToUtf8(text)) {}

Json Json::Object() {
    Json j;
    j.m_value = nlohmann::ordered_json::object();
    return j;
}

Json Json::Array() {
    Json j;
    j.m_value = nlohmann::ordered_json::array();
    return j;
}

Json &Json::Set(const std::string &key, Json value) {
    m_value[Latin1ToUtf8(key)] = std::move(value.m_value);
    return *this;
}

Json &Json::Push(Json value) {
    m_value.push_back(std::move(value.m_value));
    return *this;
}

std::string Json::Dump() const { return m_value.dump(2, ' ', true); }

}  // namespace vdcli

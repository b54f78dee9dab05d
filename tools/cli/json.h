// The --json output, written by nlohmann-json as the tool's reading is:
// objects keep their keys in the order they were set, so the output reads in
// the same order as the tables, and device texts (8-bit) carry each byte as
// its Latin-1 code point, the rule by which plans and backups are read back.
#ifndef VANDREL_CLI_JSON_H
#define VANDREL_CLI_JSON_H

#include <nlohmann/json.hpp>
#include <string>

namespace vdcli {

class Json {
public:
    Json() = default;  // null
    Json(const char *text) : Json(std::string(text)) {}
    Json(const std::string &text);
    Json(long long number) : m_value(number) {}
    Json(int number) : m_value(number) {}
    Json(unsigned number) : m_value(number) {}
    Json(bool flag) : m_value(flag) {}

    static Json Object();
    static Json Array();

    Json &Set(const std::string &key, Json value);  // object
    Json &Push(Json value);                         // array

    // Indented text, ASCII only, ending without a newline.
    std::string Dump() const;

private:
    nlohmann::ordered_json m_value;
};

}  // namespace vdcli

#endif

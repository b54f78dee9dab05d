// A small JSON value for --json output: objects keep their keys in the order
// they were set, so the output reads in the same order as the tables.
#ifndef VANDREL_CLI_JSON_H
#define VANDREL_CLI_JSON_H

#include <string>
#include <utility>
#include <vector>

namespace vdcli {

class Json {
public:
    Json() = default;  // null
    Json(const char *text) : m_kind(Kind::String), m_text(text) {}
    Json(std::string text) : m_kind(Kind::String), m_text(std::move(text)) {}
    Json(long long number) : m_kind(Kind::Number), m_text(std::to_string(number)) {}
    Json(int number) : Json(static_cast<long long>(number)) {}
    Json(unsigned number) : Json(static_cast<long long>(number)) {}
    Json(bool flag) : m_kind(Kind::Bool), m_text(flag ? "true" : "false") {}

    static Json Object();
    static Json Array();

    Json &Set(const std::string &key, Json value);  // object
    Json &Push(Json value);                         // array

    // Indented text, ending without a newline.
    std::string Dump() const;

private:
    enum class Kind { Null, Bool, Number, String, Array, Object };
    void DumpTo(std::string &out, int depth) const;

    Kind m_kind = Kind::Null;
    std::string m_text;
    std::vector<std::pair<std::string, Json>> m_items;  // arrays leave the keys empty
};

}  // namespace vdcli

#endif

#include "json_read.h"

#include <set>
#include <vector>

#include "json_text.h"

namespace vdcli {

namespace {

// "line L, column C" of the byte at index (0-based).
std::string Where(const std::string &text, size_t index) {
    if (index > text.size()) index = text.size();
    size_t line = 1, lineStart = 0;
    for (size_t i = 0; i < index; ++i)
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    return "line " + std::to_string(line) + ", column " + std::to_string(index - lineStart + 1);
}

}  // namespace

bool ParseJson(const std::string &text, JsonValue &out, std::string &error) {
    // One set of keys per object being read.
    std::vector<std::set<std::string>> open;
    std::string repeated;
    const JsonValue::parser_callback_t track = [&](int, JsonValue::parse_event_t event, JsonValue &parsed) {
        using E = JsonValue::parse_event_t;
        if (event == E::object_start) open.emplace_back();
        if (event == E::object_end && !open.empty()) open.pop_back();
        if (event == E::key && !open.empty() && !open.back().insert(parsed.get<std::string>()).second &&
            repeated.empty())
            repeated = parsed.get<std::string>();
        return true;
    };
    try {
        out = JsonValue::parse(AcceptByteEscapes(text), track);
    } catch (const JsonValue::parse_error &e) {
        std::string what = e.what();
        const size_t colon = what.find(": ", what.find("column"));
        what = colon == std::string::npos ? what : what.substr(colon + 2);
        error = Where(text, e.byte == 0 ? 0 : e.byte - 1) + ": " + what;
        return false;
    }
    if (!repeated.empty()) {
        error = "the key \"" + repeated + "\" is given twice in one object";
        return false;
    }
    return true;
}

bool ValueText(const JsonValue &value, std::string &text) {
    if (value.is_number_integer()) {
        text = value.dump();
        return true;
    }
    if (!value.is_string()) return false;
    text = DeviceBytes(value.get<std::string>());
    return true;
}

}  // namespace vdcli

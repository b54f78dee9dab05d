#include "key_rules.h"

#include <sstream>

#include "vandrel_rules.h"

namespace vdcli {

namespace {

std::string KeyText(int type, const std::string &key, int32_t which) {
    std::string text(VR_KeyText(type, key.c_str(), which, nullptr, 0), '\0');
    if (text.empty()) return text;
    VR_KeyText(type, key.c_str(), which, &text[0], text.size());
    text.pop_back();
    return text;
}

std::string Takes(int type, const std::string &key) {
    std::string text(VR_Takes(type, key.c_str(), nullptr, 0), '\0');
    if (text.empty()) return text;
    VR_Takes(type, key.c_str(), &text[0], text.size());
    text.pop_back();
    return text;
}

std::vector<std::string> KeysOf(int type) {
    std::string list(VR_KeysOf(type, nullptr, 0), '\0');
    if (!list.empty()) VR_KeysOf(type, &list[0], list.size());
    std::istringstream in(list.c_str());
    std::vector<std::string> keys;
    for (std::string key; std::getline(in, key);) keys.push_back(key);
    return keys;
}

// "9 115200 bit/s" lines: the value, then its name.
std::vector<std::pair<int64_t, std::string>> Choices(const std::string &lines) {
    std::vector<std::pair<int64_t, std::string>> choices;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        const size_t space = line.find(' ');
        choices.emplace_back(std::stoll(line.substr(0, space)), line.substr(space + 1));
    }
    return choices;
}

KeyRule RuleOf(int type, const std::string &key) {
    KeyRule r;
    r.key = key;
    const int32_t flags = VR_KeyRule(type, key.c_str(), &r.lowest, &r.highest);
    r.readOnly = flags & VR_KEY_READ_ONLY;
    r.secret = flags & VR_KEY_SECRET;
    r.off = flags & VR_KEY_OFF;
    r.range = flags & VR_KEY_RANGE;
    r.label = KeyText(type, key, VR_KEY_TEXT_LABEL);
    r.group = KeyText(type, key, VR_KEY_TEXT_GROUP);
    r.unit = KeyText(type, key, VR_KEY_TEXT_UNIT);
    r.description = KeyText(type, key, VR_KEY_TEXT_DESCRIPTION);
    r.choices = Choices(KeyText(type, key, VR_KEY_TEXT_CHOICES));
    if (!r.readOnly) r.takes = Takes(type, key);
    return r;
}

JsonValue RuleJson(const KeyRule &r) {
    JsonValue j = JsonValue::object({{"key", r.key}, {"label", r.label}, {"group", r.group}, {"unit", r.unit},
                                     {"description", r.description}, {"read_only", r.readOnly},
                                     {"secret", r.secret}, {"takes", r.takes}});
    if (r.range) {
        j["lowest"] = r.lowest;
        j["highest"] = r.highest;
    }
    if (!r.choices.empty()) {
        j["choices"] = JsonValue::array();
        for (const auto &c : r.choices)
            j["choices"].push_back(JsonValue::object({{"value", c.first}, {"name", c.second}}));
    }
    if (r.off) j["off"] = "invalid";
    return j;
}

}  // namespace

std::vector<KeyRule> KeyRulesOf(int type) {
    std::vector<KeyRule> rules;
    for (const std::string &key : KeysOf(type)) rules.push_back(RuleOf(type, key));
    return rules;
}

JsonValue KeyRulesJson(int type) {
    int32_t ports = 0;
    const int32_t family = VR_FamilyOf(type, &ports);
    JsonValue doc = JsonValue::object({{"type", type}, {"family", family ? std::string(1, char(family)) : ""}});
    if (family == 'B') doc["ports"] = ports;
    doc["keys"] = JsonValue::array();
    for (const KeyRule &r : KeyRulesOf(type)) doc["keys"].push_back(RuleJson(r));
    return doc;
}

}  // namespace vdcli

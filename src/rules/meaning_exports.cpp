// The C interface of the keys' meanings, and no exception out.
#include <algorithm>
#include <string>

#include "base/text.h"
#include "rules/key_meaning.h"
#include "rules/key_names.h"
#include "vandrel_rules.h"

namespace {

int32_t Flags(const vd::KeyMeaning &m) {
    int32_t flags = VR_KEY_KNOWN;
    if (m.readOnly) flags |= VR_KEY_READ_ONLY;
    if (vd::IsSecretKey(m.key)) flags |= VR_KEY_SECRET;
    if (m.allowed == vd::Allowed::Range) flags |= VR_KEY_RANGE;
    if (m.allowed == vd::Allowed::Choices) flags |= VR_KEY_CHOICES;
    if (m.offValue) flags |= VR_KEY_OFF;
    return flags;
}

void Bounds(const vd::KeyMeaning &m, int64_t &lowest, int64_t &highest) {
    lowest = m.lowest;
    highest = m.highest;
    if (m.allowed != vd::Allowed::Choices || m.choices.empty()) return;
    const auto [least, most] = std::minmax_element(
        m.choices.begin(), m.choices.end(), [](const vd::Choice &a, const vd::Choice &b) { return a.value < b.value; });
    lowest = least->value;
    highest = most->value;
}

// false for a which of none of the texts.
bool Text(const vd::KeyMeaning &m, int32_t which, std::string &out) {
    switch (which) {
    case VR_KEY_TEXT_LABEL: out = m.label; return true;
    case VR_KEY_TEXT_GROUP: out = m.group; return true;
    case VR_KEY_TEXT_UNIT: out = m.unit; return true;
    case VR_KEY_TEXT_DESCRIPTION: out = m.description; return true;
    case VR_KEY_TEXT_CHOICES:
        for (const vd::Choice &c : m.choices) out += std::to_string(c.value) + " " + c.name + "\n";
        return true;
    default: return false;
    }
}

}  // namespace

extern "C" {

int32_t VR_KeyRule(int32_t type, const char *key, int64_t *lowest, int64_t *highest) {
    try {
        vd::KeyMeaning m;
        if (!vd::FindMeaning(type, vd::OrEmpty(key), m)) return 0;
        int64_t least = 0, most = 0;
        Bounds(m, least, most);
        if (lowest) *lowest = least;
        if (highest) *highest = most;
        return Flags(m);
    } catch (...) {
        return 0;
    }
}

size_t VR_KeyText(int32_t type, const char *key, int32_t which, char *text, size_t room) {
    try {
        vd::KeyMeaning m;
        std::string out;
        const bool known = vd::FindMeaning(type, vd::OrEmpty(key), m);
        if (!Text(m, which, out)) return 0;
        if (!known) out.clear();
        if (text && out.size() < room) vd::CopyText(text, room, out);
        return out.size() + 1;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"

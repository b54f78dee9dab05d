// What each key of a device type means to the person who sets it: a label,
// the group it belongs to (the device, the network, a serial port, a CAN
// bus, IO), its unit, a one-line description, the values that make sense
// (a range, or choices with their names, such as a baud code and the rate it
// stands for) and whether it is only shown. The meanings are data, a table
// per family (meaning_family_a.cpp, meaning_family_b.cpp); the check of a
// setting and every front end read them from here.
#ifndef VANDREL_RULES_KEY_MEANING_H
#define VANDREL_RULES_KEY_MEANING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vd {

struct Choice {
    int64_t value;
    const char *name;  // "115200 bit/s", "even"
};

struct ChoiceList {
    const Choice *first;
    size_t count;
    const Choice *begin() const { return first; }
    const Choice *end() const { return first + count; }
};

template <size_t N>
constexpr ChoiceList ChoicesOf(const Choice (&list)[N]) {
    return {list, N};
}

// Which values make sense: whatever the key's kind stores (text, an
// address, a pair), a number within a range, or one of the choices.
enum class Allowed : uint8_t { Kind, Range, Choices };

// One row of a family's table. A "%d" in key, label and group stands for
// the number of a serial port or an IP filter ("C%d_BAUD", "port %d").
struct MeaningRow {
    const char *key;
    uint8_t typeGroups;  // family A: the type groups that have it; family B: 0
    const char *label;
    const char *group;
    const char *unit;  // "" when the value has none
    const char *description;
    Allowed allowed;
    int64_t lowest, highest;  // for Range
    ChoiceList choices;       // for Choices
    bool readOnly;            // shown, never sent
    bool offValue;            // "invalid" switches it off
};

struct MeaningRows {
    const MeaningRow *first;
    size_t count;
    const MeaningRow *begin() const { return first; }
    const MeaningRow *end() const { return first + count; }
};
MeaningRows FamilyAMeanings();
MeaningRows FamilyBMeanings();

// A row made concrete for one key of one device type.
struct KeyMeaning {
    std::string key, label, group, unit, description;
    Allowed allowed = Allowed::Kind;
    int64_t lowest = 0, highest = 0;
    std::vector<Choice> choices;
    bool readOnly = false, offValue = false;
};

// The meaning of key on a device of this type; false when the type does
// not have the key.
bool FindMeaning(int type, const std::string &key, KeyMeaning &out);

// What the key takes ("a number from 5 to 8 (bits)", "0 = none, 1 = odd
// or 2 = even"), as the refusals word it; "" for Allowed::Kind, whose
// kind says it.
std::string AllowedText(const KeyMeaning &m);

// Why value makes no sense for the key ("out of range: it takes ..."); ""
// when it does, or when the key's kind alone judges it.
std::string NotAllowed(const KeyMeaning &m, const std::string &value);

}  // namespace vd

#endif

// The shapes of the rows of the meaning tables, so that each table reads as
// one line a key: what is shown only, what the key's kind judges, a number
// within a range, one of a list of choices, and the choices both families
// share.
#ifndef VANDREL_RULES_MEANING_ROWS_H
#define VANDREL_RULES_MEANING_ROWS_H

#include "rules/key_meaning.h"

namespace vd {
namespace rows {

constexpr MeaningRow Shown(const char *key, uint8_t types, const char *label, const char *group, const char *what) {
    return {key, types, label, group, "", what, Allowed::Kind, 0, 0, {nullptr, 0}, true, false};
}

constexpr MeaningRow Kind(const char *key, uint8_t types, const char *label, const char *group, const char *what) {
    return {key, types, label, group, "", what, Allowed::Kind, 0, 0, {nullptr, 0}, false, false};
}

constexpr MeaningRow Number(const char *key, uint8_t types, const char *label, const char *group, const char *unit,
                            int64_t lowest, int64_t highest, const char *what) {
    return {key, types, label, group, unit, what, Allowed::Range, lowest, highest, {nullptr, 0}, false, false};
}

// A destination of a port: a number, or "invalid" for none.
constexpr MeaningRow Destination(const char *key, uint8_t types, const char *label, const char *group,
                                 const char *what) {
    return {key, types, label, group, "", what, Allowed::Range, 0, 255, {nullptr, 0}, false, true};
}

constexpr MeaningRow Choose(const char *key, uint8_t types, const char *label, const char *group, const char *unit,
                            ChoiceList choices, const char *what) {
    return {key, types, label, group, unit, what, Allowed::Choices, 0, 0, choices, false, false};
}

constexpr Choice kOnOff[] = {{0, "off"}, {1, "on"}};
constexpr Choice kParity[] = {{0, "none"}, {1, "odd"}, {2, "even"}, {3, "mark"}, {4, "space"}};

}  // namespace rows
}  // namespace vd

#endif

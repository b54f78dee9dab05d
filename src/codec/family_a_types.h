// The family A type codes and their type groups, whose settings differ: 10T
// (types 3, 7, 9), CAN (17, 18, 19) and serial (the others, with one serial
// port). Several item codes mean different keys in different groups. Data
// only, so that the library and the tools built on its public interface
// share one list.
#ifndef VANDREL_CODEC_FAMILY_A_TYPES_H
#define VANDREL_CODEC_FAMILY_A_TYPES_H

#include <cstdint>

namespace vd {

// Bits, so that a key can belong to several groups.
enum TypeGroup : uint8_t {
    kGroupSerial = 1,
    kGroup10T = 2,
    kGroupCan = 4,
    kGroupAll = kGroupSerial | kGroup10T | kGroupCan,
};

struct FamilyAType {
    uint8_t type;
    TypeGroup group;
};

inline constexpr FamilyAType kFamilyATypes[] = {
    {1, kGroupSerial}, {2, kGroupSerial}, {3, kGroup10T},  {4, kGroupSerial}, {5, kGroupSerial},
    {6, kGroupSerial}, {7, kGroup10T},    {8, kGroupSerial}, {9, kGroup10T},  {17, kGroupCan},
    {18, kGroupCan},   {19, kGroupCan},   {33, kGroupSerial},
};

// The names the groups go by, in the order of their bits.
struct TypeGroupName {
    TypeGroup group;
    const char *name;
};
inline constexpr TypeGroupName kTypeGroupNames[] = {{kGroupSerial, "serial"}, {kGroup10T, "10T"}, {kGroupCan, "CAN"}};

// The entry of a type code, of which only the low 8 bits count; null for a
// code outside family A.
inline const FamilyAType *FindFamilyAType(int32_t type) {
    for (const FamilyAType &t : kFamilyATypes)
        if (t.type == static_cast<uint8_t>(type)) return &t;
    return nullptr;
}

inline bool IsFamilyA(int32_t type) { return FindFamilyAType(type) != nullptr; }

// The group of a device type code; codes outside 10T and CAN are serial
// (also those outside family A, such as a record's type before its "TYPE"
// item is read).
inline TypeGroup TypeGroupOf(uint8_t type) {
    const FamilyAType *t = FindFamilyAType(type);
    return t ? t->group : kGroupSerial;
}

}  // namespace vd

#endif

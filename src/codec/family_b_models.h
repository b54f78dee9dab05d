// The family B models: serial servers with 1, 2, 4 or 8 ports, each told
// apart by its type code. A full read asks for the model's blocks in the
// order listed: block 0 holds the device-wide settings, block p + 1 those of
// serial port p (block 1 is never asked for). Data only, so that the library
// and the tools built on its public interface share one list.
#ifndef VANDREL_CODEC_FAMILY_B_MODELS_H
#define VANDREL_CODEC_FAMILY_B_MODELS_H

#include <cstdint>

namespace vd {

struct FamilyBModel {
    uint8_t type;
    uint8_t blockCount;  // block 0 and one block per serial port
    uint8_t blocks[9];
    int Ports() const { return blockCount - 1; }
};

// In the order in which the library registers their handlers.
inline constexpr FamilyBModel kFamilyBModels[] = {
    {48, 5, {0, 2, 3, 4, 5}},
    {64, 9, {0, 2, 3, 4, 5, 6, 7, 8, 9}},
    {56, 3, {0, 2, 3}},
    {32, 2, {0, 2}},
};

// The model of a type code, of which only the low 8 bits count; null for a
// code outside family B.
inline const FamilyBModel *FindFamilyBModel(int32_t type) {
    for (const FamilyBModel &model : kFamilyBModels)
        if (model.type == static_cast<uint8_t>(type)) return &model;
    return nullptr;
}

inline bool IsFamilyB(int32_t type) { return FindFamilyBModel(type) != nullptr; }

}  // namespace vd

#endif

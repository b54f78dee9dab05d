#include "codec/item_key_rules.h"

#include "base/device_text.h"

namespace vd {

namespace {

constexpr const char *kEnableKey = "COM1_ENABLEST";
constexpr const char *kIpMode = "IP_MODE";

// The destination keys and their bit in the port's enable byte.
struct Destination {
    const char *part;
    int bit;
};
constexpr Destination kDestinations[] = {{"_D1", 0x01}, {"_D2", 0x02}};

const Destination *FindDestination(const std::string &key) {
    for (const Destination &d : kDestinations)
        if (Contains(key, d.part)) return &d;
    return nullptr;
}

std::string Inverted(const std::string &value) { return AtoI(value) == 0 ? "1" : "0"; }

}  // namespace

bool IsHiddenItemKey(const std::string &key) { return Contains(key, "ENABLEST"); }

bool FormatItemValue(const DeviceRecord &info, const std::string &key, const std::string &value,
                     std::string &out) {
    if (const Destination *d = FindDestination(key)) {
        // "C1_D1" belongs to "COM1_ENABLEST": the port number follows the C.
        const int i = info.Find(Format("COM%d_ENABLEST", AtoI(key.c_str() + 1)));
        if (i < 0 || (AtoI(info.values[size_t(i)]) & d->bit)) return false;
        out = kInvalidValue;
        return true;
    }
    if (Contains(key, kIpMode)) {
        out = Inverted(value);
        return true;
    }
    return false;
}

bool InterceptItemModify(const DeviceRecord &info, DeviceRecord &staged, const std::string &key,
                         const std::string &value) {
    if (const Destination *d = FindDestination(key)) {
        // Without a read there is no enable byte to change: stage nothing.
        const int inInfo = info.Find(kEnableKey);
        if (inInfo < 0) return true;
        const int inStaged = staged.Find(kEnableKey);
        const std::string &current = inStaged >= 0 ? staged.values[size_t(inStaged)] : info.values[size_t(inInfo)];
        uint8_t bits = uint8_t(AtoI(current));
        const bool unused = value == kInvalidValue;
        bits = unused ? uint8_t(bits & ~d->bit) : uint8_t(bits | d->bit);
        staged.Set(kEnableKey, Format("%d", bits));
        return unused;
    }
    if (Contains(key, kIpMode)) {
        staged.Append(kIpMode, Inverted(value));
        return true;
    }
    return false;
}

}  // namespace vd

// DeviceRecord: one device's discovery data and its key/value lists.
#ifndef VANDREL_CODEC_DEVICE_RECORD_H
#define VANDREL_CODEC_DEVICE_RECORD_H

#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"

namespace vd {

struct DeviceRecord {
    std::string ip;
    std::string version;
    std::string mac;
    uint8_t code1 = 0;  // device type code
    uint8_t code2 = 0;  // second code byte of a discovery reply, uninterpreted
    uint32_t port = 0;
    std::vector<std::string> keys;
    std::vector<std::string> values;  // values[i] belongs to keys[i]

    void ClearPairs() {
        keys.clear();
        values.clear();
    }
    // Index of the first key equal to key, or -1.
    int Find(const std::string &key) const {
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == key) return static_cast<int>(i);
        return -1;
    }
    void Append(const std::string &key, const std::string &value) {
        keys.push_back(key);
        values.push_back(value);
    }
    // Replaces the value of key when present, else appends the pair.
    void Set(const std::string &key, const std::string &value) {
        int i = Find(key);
        if (i >= 0)
            values[size_t(i)] = value;
        else
            Append(key, value);
    }
};

}  // namespace vd

#endif

// What a device will store for a value text, told before anything is sent.
// The answer comes from the library's own key tables, key rules and value
// codecs: the text is staged and encoded as the library sends it, and the
// bytes are decoded as the library reads them back.
#ifndef VANDREL_RULES_STORED_VALUE_H
#define VANDREL_RULES_STORED_VALUE_H

#include <string>

namespace vd {

struct StoredValue {
    bool writable = false;  // the library sends this key to a device of this type
    std::string text;       // what a read of the device shows after the write
    std::string holds;      // what the setting takes ("a number from 0 to 255")
};

// For a device of the given type code, of either family.
StoredValue PredictStored(int type, const std::string &key, const std::string &value);

}  // namespace vd

#endif

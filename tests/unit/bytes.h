// Byte strings as the unit tests write them.
#ifndef VANDREL_TESTS_UNIT_BYTES_H
#define VANDREL_TESTS_UNIT_BYTES_H

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

#endif

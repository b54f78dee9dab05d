// Helpers of the buffer bounds tests: host buffers that end right before an
// inaccessible page, and what the library left in them.
#ifndef VANDREL_TESTS_BUFFER_BOUNDS_SUPPORT_H
#define VANDREL_TESTS_BUFFER_BOUNDS_SUPPORT_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/guarded_buffer.h"

// Fills every byte, terminator room included, so that only a written text
// reads as terminated.
inline void Junk(GuardedBuffer &b) { std::memset(b.data(), '#', b.size()); }

// The text in the buffer; a buffer without a terminator fails the test.
inline std::string Written(GuardedBuffer &b) {
    const void *end = std::memchr(b.data(), 0, b.size());
    EXPECT_NE(end, nullptr) << "no terminator within " << b.size() << " bytes";
    const size_t n = end ? size_t(static_cast<const char *>(end) - b.data()) : b.size();
    return std::string(b.data(), n);
}

#endif

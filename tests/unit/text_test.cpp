#include <gtest/gtest.h>

#include "base/text.h"

using namespace vd;

TEST(Text, AtoIFollowsTheCLibraryRules) {
    const struct { const char *text; int32_t value; } cases[] = {
        {"  42abc", 42}, {"-7", -7}, {"+9", 9}, {"abc", 0}, {"", 0}, {nullptr, 0},
        {"4294967297", 1}};  // wraps instead of overflowing
    for (const auto &c : cases) EXPECT_EQ(AtoI(c.text), c.value) << OrEmpty(c.text);
}

TEST(Text, InetAddrReadsOnlyDottedAddresses) {
    uint8_t b[4];
    EXPECT_TRUE(InetAddr("192.168.0.10", b));
    EXPECT_EQ(FormatIp(b), "192.168.0.10");
    for (const char *bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "a.b.c.d", "1.2.3.4 ", "1..2.3"}) {
        EXPECT_FALSE(InetAddr(bad, b)) << bad;
        EXPECT_EQ(FormatIp(b), "255.255.255.255") << bad;
    }
}

TEST(Text, CopyTextNeverRunsPastTheBuffer) {
    char buf[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    CopyText(buf, 5, "abcdefgh");
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'x');
    CopyText(nullptr, 5, "abc");
    CopyText(buf, 0, "abc");
    EXPECT_STREQ(buf, "abcd");
}

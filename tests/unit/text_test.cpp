#include <gtest/gtest.h>

#include "core/text.h"

using namespace vd;

TEST(Text, AtoIFollowsTheCLibraryRules) {
    EXPECT_EQ(AtoI("  42abc"), 42);
    EXPECT_EQ(AtoI("-7"), -7);
    EXPECT_EQ(AtoI("+9"), 9);
    EXPECT_EQ(AtoI("abc"), 0);
    EXPECT_EQ(AtoI(""), 0);
    EXPECT_EQ(AtoI(static_cast<const char *>(nullptr)), 0);
    EXPECT_EQ(AtoI("4294967297"), 1);  // wraps instead of overflowing
}

TEST(Text, InetAddrReadsOnlyDottedAddresses) {
    uint8_t b[4];
    EXPECT_TRUE(InetAddr("192.168.0.10", b));
    EXPECT_EQ(FormatIp(b), "192.168.0.10");
    for (const char *bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "a.b.c.d", "1.2.3.4 ", "1..2.3"}) {
        EXPECT_FALSE(InetAddr(bad, b)) << bad;
        EXPECT_EQ(FormatIp(b), "255.255.255.255") << bad;
    }
    EXPECT_EQ(InetAddrValue("255.255.255.255"), 0xFFFFFFFFu);
}

TEST(Text, MacTextBothWays) {
    uint8_t b[6];
    EXPECT_EQ(ParseMac("2:0:0:ab:CD:eF", b), 6);
    EXPECT_EQ(FormatMac(b), "02:00:00:AB:CD:EF");
    EXPECT_EQ(ParseMac("12:34", b), 2);
    EXPECT_EQ(FormatMac(b), "12:34:00:00:00:00");
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

#include <gtest/gtest.h>

#include "base/text.h"
#include "codec/terminal_text.h"

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

// Each escape stands for one byte, and nothing a terminal acts on is left.
TEST(Text, TerminalTextEscapesWhatATerminalActsOn) {
    const struct { std::string bytes, shown; } cases[] = {
        {"pump-1 Caf\xC3\xA9 \xF0\x9F\x98\x80", "pump-1 Caf\xC3\xA9 \xF0\x9F\x98\x80"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\x1B[2J\x07\r\n\t\x7F", "\\x1b[2J\\x07\\x0d\\x0a\\x09\\x7f"},
        {"\xC2\x9B\xC2\x9F\xC2\xA0", "\\xc2\\x9b\\xc2\\x9f\xC2\xA0"},       // C1, then NBSP as it is
        {"\xE2\x80\xAE\xE2\x81\xA9\xE2\x80\xA8", "\\xe2\\x80\\xae\\xe2\\x81\\xa9\\xe2\\x80\\xa8"},
        {"caf\xE9 \xC3 \xED\xA0\x80 \xC0\xAF", "caf\\xe9 \\xc3 \\xed\\xa0\\x80 \\xc0\\xaf"},  // no UTF-8
        {"a\\x1b", "a\\\\x1b"}};
    for (const auto &c : cases) EXPECT_EQ(TerminalText(c.bytes), c.shown) << c.shown;
}

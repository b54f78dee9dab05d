// The AT session's reply texts and the hex rewriting of destination values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "at_session/at_hex_value.h"
#include "at_session/at_reply.h"
#include "vandrel.h"

using namespace vd;

namespace {

AtReply Parse(const std::string &text) { return ParseAtReply(text.data(), text.size()); }

}  // namespace

TEST(AtReply, OkReplyGivesTheValueBetweenTheOuterQuotes) {
    const struct { const char *text, *value; } cases[] = {
        {"\r\n\"192.168.0.7\"\r\nOK\r\n", "192.168.0.7"},
        {"+NAME:\"a \"quoted\" b\"\r\nOK\r\n", "a \"quoted\" b"},
        {"\"\"\r\nOK\r\n", ""},
        {"x\"tail\r\nOK\r\n", "tail\r\nOK\r\n"},  // one quote: the rest of the text
        {"\r\nOK\r\n", ""}};
    for (const auto &c : cases) {
        const AtReply r = Parse(c.text);
        EXPECT_EQ(r.code, VD_OK) << c.text;
        EXPECT_EQ(r.value, c.value) << c.text;
    }
}

TEST(AtReply, OtherRepliesGiveTheirErrorCode) {
    const struct { const char *text; int code; } cases[] = {
        {"OK\r\n", VD_FAIL}, {"\r\nOK", VD_FAIL},  // "OK" needs its line breaks on both sides
        {"\r\nERROR\r\n", VD_FAIL}, {"", VD_FAIL}, {"0_command invalid", VD_FAIL},
        {"\r\n2_Password Error\r\n", VD_WRONG_PASSWORD},
        {"4_Parameter Number Error\r\nOK\r\n", VD_OK},         // "OK" wins over an error text
        {"4_Parameter Number Error 1_No Lgin", VD_NOT_SENT}};  // the texts are searched in order
    for (const auto &c : cases) EXPECT_EQ(Parse(c.text).code, c.code) << c.text;
    EXPECT_EQ(ParseAtReply(nullptr, 5).code, VD_FAIL);
}

TEST(AtReply, TextEndsAtTheFirstZeroByteOrTheGivenCount) {
    EXPECT_EQ(Parse(std::string("\"v\"\0\r\nOK\r\n", 10)).code, VD_FAIL);
    const char *longer = "\"v\"\r\nOK\r\n";
    EXPECT_EQ(ParseAtReply(longer, 8).code, VD_FAIL);  // the last byte is not part of it
    EXPECT_EQ(ParseAtReply(longer, std::strlen(longer)).code, VD_OK);
}

// During login only the line endings count: a bare "OK" or "ERROR" anywhere
// in the read, "OK" first.
TEST(AtReply, LoginAnswers) {
    const struct { const char *text; LoginAnswer answer; } cases[] = {
        {"OK\r\n", LoginAnswer::Ok}, {"\r\nOK\r\n\r\nOK\r\n", LoginAnswer::Ok},
        {"ERROR\r\nOK\r\n", LoginAnswer::Ok}, {"\r\nERROR\r\n", LoginAnswer::Error},
        {"OK", LoginAnswer::None}, {"ERROR\n", LoginAnswer::None}, {"", LoginAnswer::None}};
    for (const auto &c : cases) EXPECT_EQ(JudgeLoginAnswer(c.text), c.answer) << c.text;
}

// The usual values, both ways, are the session tests' (tests/integration);
// here the edges.
TEST(AtHexValue, DestinationValuesAreRewrittenBothWays) {
    EXPECT_TRUE(IsHexKey("C1_D1") && IsHexKey("X_D2_Y"));
    EXPECT_FALSE(IsHexKey("C1_D3") || IsHexKey("c1_d1") || IsHexKey(nullptr));
    // out null: the call refuses and leaves its output alone.
    const struct { bool (*rewrite)(const char *, std::string &); const char *in, *out; } cases[] = {
        {HexValueToDecimal, "0xff zz", "255"}, {HexValueToDecimal, "0x123456789", "591751049"},  // wraps at 32 bits
        {HexValueToDecimal, "0x", nullptr}, {HexValueToDecimal, "0", nullptr}, {HexValueToDecimal, "", nullptr},
        {HexValueToDecimal, "0x-", nullptr}, {HexValueToDecimal, nullptr, nullptr}, {DecimalValueToHex, "300", "0x12C"},
        {DecimalValueToHex, "0X1A", "0x00"},  // only a lower-case "0x" is kept
        {DecimalValueToHex, "invalid", nullptr}, {DecimalValueToHex, nullptr, nullptr}};
    for (const auto &c : cases) {
        std::string out = "unchanged";
        EXPECT_EQ(c.rewrite(c.in, out), c.out != nullptr) << OrEmpty(c.in);
        EXPECT_EQ(out, c.out ? c.out : "unchanged") << OrEmpty(c.in);
    }
}

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tcp/at_hex_value.h"
#include "tcp/at_reply.h"
#include "vandrel.h"

using namespace vd;

namespace {

AtReply Parse(const std::string &text) { return ParseAtReply(text.data(), text.size()); }

}  // namespace

TEST(AtReply, OkReplyGivesTheValueBetweenTheOuterQuotes) {
    AtReply r = Parse("\r\n\"192.168.0.7\"\r\nOK\r\n");
    EXPECT_EQ(r.code, VD_OK);
    EXPECT_EQ(r.value, "192.168.0.7");
    EXPECT_EQ(Parse("+NAME:\"a \"quoted\" b\"\r\nOK\r\n").value, "a \"quoted\" b");
    EXPECT_EQ(Parse("\"\"\r\nOK\r\n").value, "");
    EXPECT_EQ(Parse("x\"tail\r\nOK\r\n").value, "tail\r\nOK\r\n");
    EXPECT_EQ(Parse("\r\nOK\r\n").value, "");
}

TEST(AtReply, OkNeedsItsLineBreaksOnBothSides) {
    EXPECT_EQ(Parse("OK\r\n").code, VD_FAIL);
    EXPECT_EQ(Parse("\r\nOK").code, VD_FAIL);
    EXPECT_EQ(Parse("\r\nERROR\r\n").code, VD_FAIL);
    EXPECT_EQ(Parse("").code, VD_FAIL);
    EXPECT_EQ(ParseAtReply(nullptr, 5).code, VD_FAIL);
}

TEST(AtReply, DeviceErrorTextsMapToTheirCodes) {
    EXPECT_EQ(Parse("\r\n0_Command Invalid\r\n").code, VD_INVALID_COMMAND);
    EXPECT_EQ(Parse("\r\n1_No Lgin\r\n").code, VD_NOT_SENT);
    EXPECT_EQ(Parse("\r\n2_Password Error\r\n").code, VD_WRONG_PASSWORD);
    EXPECT_EQ(Parse("\r\n3_Parameter Format Error\r\n").code, VD_PARAM_FORMAT);
    EXPECT_EQ(Parse("\r\n4_Parameter Number Error\r\n").code, VD_PARAM_COUNT);
    // "OK" wins over an error text, and the texts are searched in order.
    EXPECT_EQ(Parse("4_Parameter Number Error\r\nOK\r\n").code, VD_OK);
    EXPECT_EQ(Parse("4_Parameter Number Error 1_No Lgin").code, VD_NOT_SENT);
    EXPECT_EQ(Parse("0_command invalid").code, VD_FAIL);
}

TEST(AtReply, TextEndsAtTheFirstZeroByteAndTheCountIsRespected) {
    const std::string hidden("\"v\"\0\r\nOK\r\n", 10);
    EXPECT_EQ(Parse(hidden).code, VD_FAIL);
    const char *longer = "\"v\"\r\nOK\r\n";
    EXPECT_EQ(ParseAtReply(longer, 8).code, VD_FAIL);  // the last byte is not part of it
    EXPECT_EQ(ParseAtReply(longer, std::strlen(longer)).code, VD_OK);
}

TEST(AtHexValue, KeysWithD1OrD2AreHex) {
    EXPECT_TRUE(IsHexKey("C1_D1"));
    EXPECT_TRUE(IsHexKey("X_D2_Y"));
    EXPECT_FALSE(IsHexKey("C1_D3"));
    EXPECT_FALSE(IsHexKey("c1_d1"));
    EXPECT_FALSE(IsHexKey(nullptr));
}

TEST(AtHexValue, DeviceHexBecomesDecimal) {
    CString out = "unchanged";
    EXPECT_TRUE(HexValueToDecimal("0x1A", out));
    EXPECT_EQ(out, "26");
    EXPECT_TRUE(HexValueToDecimal("0xff zz", out));
    EXPECT_EQ(out, "255");
    EXPECT_TRUE(HexValueToDecimal("0xFFFFFFFF", out));
    EXPECT_EQ(out, "-1");
    EXPECT_TRUE(HexValueToDecimal("0x123456789", out));  // wraps at 32 bits
    EXPECT_EQ(out, "591751049");
    out = "unchanged";
    for (const char *kept : {"invalid", "0x", "0", "", "0xZZ", "0x-"}) {
        EXPECT_FALSE(HexValueToDecimal(kept, out)) << kept;
        EXPECT_EQ(out, "unchanged");
    }
    EXPECT_FALSE(HexValueToDecimal(nullptr, out));
}

TEST(AtHexValue, HostDecimalBecomesHex) {
    CString out = "unchanged";
    EXPECT_TRUE(DecimalValueToHex("26", out));
    EXPECT_EQ(out, "0x1A");
    EXPECT_TRUE(DecimalValueToHex("5", out));
    EXPECT_EQ(out, "0x05");
    EXPECT_TRUE(DecimalValueToHex("300", out));
    EXPECT_EQ(out, "0x12C");
    EXPECT_TRUE(DecimalValueToHex("-1", out));
    EXPECT_EQ(out, "0xFFFFFFFF");
    EXPECT_TRUE(DecimalValueToHex("0X1A", out));  // only a lower-case "0x" is kept
    EXPECT_EQ(out, "0x00");
    out = "unchanged";
    EXPECT_FALSE(DecimalValueToHex("0x05", out));
    EXPECT_FALSE(DecimalValueToHex("invalid", out));
    EXPECT_FALSE(DecimalValueToHex(nullptr, out));
    EXPECT_EQ(out, "unchanged");
}

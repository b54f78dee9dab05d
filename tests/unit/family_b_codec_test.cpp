// The family B value kinds: block bytes to text and text to block bytes,
// with the exact bytes stored.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "devices/family_b/value_codec.h"

using namespace vd;
using Bytes = std::vector<uint8_t>;

namespace {

const FieldTable &Table() {
    static const FieldTable table = [] {
        FieldTable t;
        BuildFieldTable(t, 2);
        return t;
    }();
    return table;
}

const ConfigField &Row(const char *name) {
    const ConfigField *row = FindField(Table(), name);
    if (!row) throw std::runtime_error(name);
    return *row;
}

Block Filled(uint8_t value) {
    Block b;
    b.fill(value);
    return b;
}

void Put(Block &b, size_t offset, const Bytes &bytes) { std::copy(bytes.begin(), bytes.end(), b.begin() + long(offset)); }

Bytes At(const Block &b, size_t offset, size_t n) { return Bytes(b.begin() + long(offset), b.begin() + long(offset + n)); }

CString Decode(const char *name, const Block &b) { return DecodeValue(Row(name), b); }

// Stores text into a block of 0xEE bytes.
Block Encode(const char *name, const CString &text) {
    Block b = Filled(0xEE);
    EncodeValue(Row(name), text, b);
    return b;
}

// The bytes that differ from 0xEE.
size_t Changed(const Block &b) {
    size_t n = 0;
    for (uint8_t v : b) n += v != 0xEE;
    return n;
}

}  // namespace

TEST(FamilyBDecode, NumbersAndAddresses) {
    Block b = Filled(0);
    Put(b, 32, {192, 168, 0, 7});
    Put(b, 48, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF});
    Put(b, 54, {0xFE, 0x1F, 0x90});
    Put(b, 59, {0x05});
    EXPECT_EQ(Decode("IP", b), "192.168.0.7");
    EXPECT_EQ(Decode("MAC", b), "02:00:00:AB:CD:EF");
    EXPECT_EQ(Decode("IP_MODE", b), "254");
    EXPECT_EQ(Decode("WEB_PORT", b), "8080");
    EXPECT_EQ(Decode("ENIPFILTER1", b), "1");
    EXPECT_EQ(Decode("ENIPFILTER2", b), "0");
    EXPECT_EQ(Decode("ENIPFILTER3", b), "1");

    Block port = Filled(0);
    Put(port, 10, {0x00, 0x01, 0xC2, 0x00});
    EXPECT_EQ(Decode("C1_BAUD", port), "115200");
    Put(port, 10, {0x80, 0x00, 0x00, 0x00});
    EXPECT_EQ(Decode("C1_BAUD", port), "-2147483648");
    Put(port, 10, {0xFF, 0xFF, 0xFF, 0xFE});
    EXPECT_EQ(Decode("C1_BAUD", port), "-2");
    Put(port, 18, {0xFF, 0xFF});
    EXPECT_EQ(Decode("C1_SER_LEN", port), "65535");
}

TEST(FamilyBDecode, RangesReadInvalidWithoutAFirstByte) {
    Block b = Filled(0);
    Put(b, 80, {192, 168, 0, 10, 192, 168, 0, 20});
    EXPECT_EQ(Decode("IPF3", b), "192.168.0.10-192.168.0.20");
    Put(b, 80, {0});
    EXPECT_EQ(Decode("IPF3", b), "invalid");
    EXPECT_EQ(Decode("IPF8", b), "invalid");
}

TEST(FamilyBDecode, TextStopsAtItsNulOrItsWidth) {
    Block b = Filled(0);
    Put(b, 0, {'d', 'e', 'v', 0, 'x'});
    EXPECT_EQ(Decode("NAME", b), "dev");
    Block full = Filled('A');
    EXPECT_EQ(Decode("NAME", full), CString(16, 'A'));
    EXPECT_EQ(Decode("PASS", full), CString(16, 'A'));
    // The last host field ends with the block.
    EXPECT_EQ(Decode("C1_CLI_IP4", full), CString(40, 'A'));
}

TEST(FamilyBDecode, HostOrIpForms) {
    Block b = Filled(0);
    Put(b, 96, {10, 0, 0, 1, 0, 'j', 'u', 'n', 'k'});
    EXPECT_EQ(Decode("C1_CLI_IP1", b), "10.0.0.1");
    Put(b, 96, {10, 0, 0, 1, 10, 0, 0, 9, 0});
    EXPECT_EQ(Decode("C1_CLI_IP1", b), "10.0.0.1-10.0.0.9");
    Put(b, 96, {0, 1, 1, 1, 1, 1, 1, 1, 0});
    EXPECT_EQ(Decode("C1_CLI_IP1", b), "invalid");
    Put(b, 96, {'h', 'o', 's', 't', '.', 'l', 'a', 'n', 0});
    EXPECT_EQ(Decode("C1_CLI_IP1", b), "host.lan");  // a dot makes it text
    Put(b, 96, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0});
    EXPECT_EQ(Decode("C1_CLI_IP1", b), "97.98.99.100-101.102.103.104");
    Put(b, 96, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0});
    EXPECT_EQ(Decode("C1_CLI_IP1", b), "abcdefghi");
}

TEST(FamilyBEncode, NumbersKeepTheirLowBits) {
    EXPECT_EQ(At(Encode("C1_BAUD", "115200"), 10, 4), (Bytes{0x00, 0x01, 0xC2, 0x00}));
    EXPECT_EQ(At(Encode("C1_BAUD", "-2"), 10, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(At(Encode("WEB_PORT", "80"), 55, 2), (Bytes{0x00, 0x50}));
    EXPECT_EQ(At(Encode("WEB_PORT", "65537"), 55, 2), (Bytes{0x00, 0x01}));
    EXPECT_EQ(At(Encode("C2_DATAB", "300"), 14, 1), Bytes{0x2C});
    EXPECT_EQ(At(Encode("C2_DATAB", "eight"), 14, 1), Bytes{0x00});
    EXPECT_EQ(At(Encode("IP_MODE", " 7x"), 54, 1), Bytes{0x07});
    EXPECT_EQ(Changed(Encode("C1_BAUD", "1")), 4u);
    EXPECT_EQ(Changed(Encode("C2_DATAB", "1")), 1u);
}

TEST(FamilyBEncode, BitsAreSetOnlyByOne) {
    const ConfigField &f3 = Row("ENIPFILTER3");
    Block b = Filled(0);
    EncodeValue(f3, "1", b);
    EXPECT_EQ(b[59], 0x04);
    EncodeValue(f3, "257", b);  // low byte 1
    EXPECT_EQ(b[59], 0x04);
    b[59] = 0xFF;
    EncodeValue(f3, "2", b);
    EXPECT_EQ(b[59], 0xFB);
    b[59] = 0xFF;
    EncodeValue(f3, "invalid", b);
    EXPECT_EQ(b[59], 0xFB);
    EXPECT_EQ(b[58], 0x00);
    EXPECT_EQ(b[60], 0x00);
}

TEST(FamilyBEncode, TextIsCutAndTerminated) {
    const Block name = Encode("NAME", "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(At(name, 0, 16), (Bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 0}));
    EXPECT_EQ(Decode("NAME", name), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(Changed(name), 16u);
    const Block pass = Encode("PASS", "ab");
    EXPECT_EQ(At(pass, 16, 4), (Bytes{'a', 'b', 0, 0xEE}));  // later bytes untouched
    EXPECT_EQ(Changed(pass), 3u);
    EXPECT_EQ(Decode("PASS", pass), "ab");
}

TEST(FamilyBEncode, Addresses) {
    EXPECT_EQ(At(Encode("IP", "10.1.2.3"), 32, 4), (Bytes{10, 1, 2, 3}));
    EXPECT_EQ(At(Encode("MASK", "nonsense"), 36, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    const Block mac = Encode("MAC", "02:00:00:AB:CD:EF");
    EXPECT_EQ(At(mac, 48, 6), (Bytes{0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(Decode("MAC", mac), "02:00:00:AB:CD:EF");
    EXPECT_EQ(At(Encode("MAC", "2:0:0:ab:cd:1ef"), 48, 6), (Bytes{0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF}));
    // Numbers that do not read give 0.
    EXPECT_EQ(At(Encode("MAC", "12:34"), 48, 6), (Bytes{0x12, 0x34, 0, 0, 0, 0}));
    EXPECT_EQ(Changed(Encode("MAC", "12:34")), 6u);
}

TEST(FamilyBEncode, RangesWithDashOrComma) {
    const Bytes range = {0xC0, 0xA8, 0x00, 0x0A, 0xC0, 0xA8, 0x00, 0x14};
    EXPECT_EQ(At(Encode("IPF3", "192.168.0.10-192.168.0.20"), 80, 8), range);
    EXPECT_EQ(At(Encode("IPF3", "192.168.0.10,192.168.0.20"), 80, 8), range);
    EXPECT_EQ(Changed(Encode("IPF3", "192.168.0.10,192.168.0.20")), 8u);
    // Switched off: only the first byte changes.
    for (const char *off : {"invalid", "192.168.0.10", "-192.168.0.20", ",1.2.3.4", ""}) {
        const Block b = Encode("IPF3", off);
        EXPECT_EQ(At(b, 80, 2), (Bytes{0x00, 0xEE})) << off;
        EXPECT_EQ(Changed(b), 1u) << off;
        EXPECT_EQ(Decode("IPF3", b), "invalid") << off;
    }
    // A leading dash falls back to the comma.
    EXPECT_EQ(At(Encode("IPF1", "-1,2.2.2.2"), 64, 8), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 2, 2, 2, 2}));
    EXPECT_EQ(At(Encode("IPF1", "1.1.1.1-x"), 64, 8), (Bytes{1, 1, 1, 1, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(FamilyBEncode, HostOrIpForms) {
    const Block ip = Encode("C1_CLI_IP1", "192.168.1.5");
    EXPECT_EQ(At(ip, 96, 6), (Bytes{0xC0, 0xA8, 0x01, 0x05, 0x00, 0xEE}));
    EXPECT_EQ(Decode("C1_CLI_IP1", ip), "192.168.1.5");

    const Block range = Encode("C1_CLI_IP2", "10.0.0.1-10.0.0.9");
    EXPECT_EQ(At(range, 136, 10), (Bytes{10, 0, 0, 1, 10, 0, 0, 9, 0, 0xEE}));
    EXPECT_EQ(Decode("C1_CLI_IP2", range), "10.0.0.1-10.0.0.9");

    const Block host = Encode("C1_CLI_IP3", "device.example.lan");
    EXPECT_EQ(Decode("C1_CLI_IP3", host), "device.example.lan");
    EXPECT_EQ(Changed(host), 19u);

    const CString longName(45, 'h');
    const Block cut = Encode("C1_CLI_IP4", longName);
    EXPECT_EQ(Decode("C1_CLI_IP4", cut), CString(39, 'h'));
    EXPECT_EQ(cut[255], 0);

    // Four characters put the NUL at byte 4: the field reads as an address.
    EXPECT_EQ(Decode("C1_CLI_IP1", Encode("C1_CLI_IP1", "abcd")), "97.98.99.100");
    // Digits and dots that are no address store FF FF FF FF.
    EXPECT_EQ(At(Encode("C1_CLI_IP1", "1.2.3.4.5"), 96, 5), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00}));
}

TEST(FamilyBCodec, RowsOutsideTheBlockAreRefused) {
    Block b = Filled(0x11);
    const ConfigField past = {"X", 0, 250, 8, kNoBit, FieldKind::IpRange};
    const ConfigField narrow = {"Y", 0, 0, 2, kNoBit, FieldKind::DWord};
    const ConfigField badBit = {"Z", 0, 0, 1, 9, FieldKind::Bit};
    for (const ConfigField *row : {&past, &narrow, &badBit}) {
        EXPECT_EQ(DecodeValue(*row, b), "");
        EncodeValue(*row, "1.2.3.4-5.6.7.8", b);
    }
    EXPECT_EQ(b, Filled(0x11));
}

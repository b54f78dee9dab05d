// The family B field table: row counts per model, the rows' places, and the
// bytes of each block that no key covers.
#include <gtest/gtest.h>

#include <set>

#include "devices/family_b/field_table.h"

using namespace vd;

namespace {

FieldTable TableFor(int ports) {
    FieldTable table;
    BuildFieldTable(table, ports);
    return table;
}

// Bytes of block that no row covers.
std::set<int> Uncovered(const FieldTable &table, uint8_t block) {
    std::set<int> free;
    for (int i = 0; i < int(kBlockSize); ++i) free.insert(i);
    for (const ConfigField &row : table)
        if (row.block == block)
            for (int i = row.offset; i < row.offset + row.width; ++i) free.erase(i);
    return free;
}

std::set<int> Range(int first, int last) {
    std::set<int> out;
    for (int i = first; i <= last; ++i) out.insert(i);
    return out;
}

}  // namespace

TEST(FamilyBTable, RowCountsPerModel) {
    EXPECT_EQ(TableFor(0).size(), 26u);
    EXPECT_EQ(TableFor(1).size(), 55u);
    EXPECT_EQ(TableFor(2).size(), 84u);
    EXPECT_EQ(TableFor(4).size(), 142u);
    EXPECT_EQ(TableFor(8).size(), 258u);
    EXPECT_EQ(TableFor(20).size(), 258u);  // never more ports than blocks allow
}

TEST(FamilyBTable, BuildingTwiceKeepsTheFirstTable) {
    FieldTable table = TableFor(1);
    BuildFieldTable(table, 8);
    EXPECT_EQ(table.size(), 55u);
}

TEST(FamilyBTable, DeviceRowsInOrder) {
    const FieldTable table = TableFor(1);
    const char *names[] = {"NAME", "PASS", "IP", "MASK", "GATEWAY", "DNS", "MAC", "IP_MODE", "WEB_PORT", "CMD_PORT"};
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(table[i].name, names[i]);
    for (int n = 1; n <= 8; ++n) {
        const ConfigField &enable = table[size_t(9 + n)];
        EXPECT_EQ(enable.name, Format("ENIPFILTER%d", n));
        EXPECT_EQ(enable.kind, FieldKind::Bit);
        EXPECT_EQ(enable.offset, 59);
        EXPECT_EQ(enable.bit, n - 1);
        const ConfigField &range = table[size_t(17 + n)];
        EXPECT_EQ(range.name, Format("IPF%d", n));
        EXPECT_EQ(range.kind, FieldKind::IpRange);
        EXPECT_EQ(range.offset, 56 + 8 * n);
        EXPECT_EQ(range.width, 8);
        EXPECT_EQ(range.bit, kNoBit);
    }
    EXPECT_EQ(table[26].name, "C1_OP");
}

TEST(FamilyBTable, PortRowsFollowTheirPort) {
    const FieldTable table = TableFor(8);
    const ConfigField *baud = FindField(table, "C3_BAUD");
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(baud->block, 4);
    EXPECT_EQ(baud->offset, 10);
    EXPECT_EQ(baud->width, 4);
    EXPECT_EQ(baud->kind, FieldKind::DWord);
    const ConfigField *enable = FindField(table, "COM2_ENABLEST");
    ASSERT_NE(enable, nullptr);
    EXPECT_EQ(enable->block, 3);
    EXPECT_EQ(enable->offset, 7);
    const ConfigField *last = &table.back();
    EXPECT_EQ(last->name, "C8_CLI_IP4");
    EXPECT_EQ(last->block, 9);
    EXPECT_EQ(last->offset, 216);
    EXPECT_EQ(last->width, 40);
    EXPECT_EQ(last->kind, FieldKind::HostOrIp);
    // Each port's rows in the same order.
    EXPECT_EQ(table[26 + 29].name, "C2_OP");
    EXPECT_EQ(table[26 + 29 + 4].name, "COM2_ENABLEST");
}

TEST(FamilyBTable, FindIsExact) {
    const FieldTable table = TableFor(4);
    EXPECT_NE(FindField(table, "IP"), nullptr);
    EXPECT_EQ(FindField(table, "ip"), nullptr);
    EXPECT_EQ(FindField(table, "IP "), nullptr);
    EXPECT_EQ(FindField(table, "VERSION"), nullptr);
    EXPECT_NE(FindField(table, "C4_OP"), nullptr);
    EXPECT_EQ(FindField(table, "C5_OP"), nullptr);
    EXPECT_EQ(FindField(table, ""), nullptr);
}

TEST(FamilyBTable, BytesNoKeyCovers) {
    const FieldTable table = TableFor(2);
    std::set<int> device = Range(60, 63);
    for (int i : Range(128, 255)) device.insert(i);
    EXPECT_EQ(Uncovered(table, 0), device);
    std::set<int> port = Range(29, 31);
    for (int i : Range(40, 95)) port.insert(i);
    EXPECT_EQ(Uncovered(table, 2), port);
    EXPECT_EQ(Uncovered(table, 3), port);
    EXPECT_EQ(Uncovered(table, 1).size(), kBlockSize);
    for (const ConfigField &row : table) EXPECT_LE(row.offset + row.width, int(kBlockSize)) << row.name;
}

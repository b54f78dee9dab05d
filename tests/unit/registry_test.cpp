// The registry's fan-out rules over handlers of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/registry.h"

using namespace vd;

namespace {

// A handler that accepts one transport and one type, and records the calls
// the registry makes into a log shared by all handlers of a test.
class FakeDevType : public CDevType {
public:
    FakeDevType(std::string name, std::vector<std::string> &log, int transport, int type)
        : m_name(std::move(name)), m_log(log), m_acceptTransport(transport), m_acceptType(type) {}

    int SearchAll() override { return Note("SearchAll"), 1; }
    int Search() override { return Note("Search:" + m_targetIp), 1; }
    int RequestInfo() override { return Note("RequestInfo:" + m_targetIp + "|" + m_targetMac), 1; }
    int IsInfoComplete() override { return complete; }
    int OnDatagram(const uint8_t *, int, const char *) override { return 0; }
    int WriteConfig() override { return Note("WriteConfig:" + m_targetIp + "|" + m_targetMac), 1; }
    int UsesDatagram() override { return 1; }
    int SendCmd(int, const char *cmd, char *, size_t) override {
        Note(std::string("SendCmd:") + cmd);
        return cmdResult;
    }
    int CanSearch() override { return 1; }
    int IsTypeSupported(int type) override {
        Note("type?");
        return type == m_acceptType;
    }
    int IsTransportSupported(int transport) override { return transport == m_acceptTransport; }
    int IsBlockReplied() override { return blockReplied; }
    int RequestBlock(int block) override { return Note("RequestBlock:" + std::to_string(block)), 1; }
    int InterceptModify(const CString &key, const CString &) override {
        return key == intercept ? (Note("Intercept:" + key), 1) : 0;
    }
    int IsHiddenKey(const CString &key) override { return Contains(key, "ENABLEST"); }

    int complete = 0;
    int blockReplied = 0;
    int cmdResult = 0;
    CString intercept;

private:
    void Note(const std::string &what) { m_log.push_back(m_name + "." + what); }
    std::string m_name;
    std::vector<std::string> &m_log;
    int m_acceptTransport, m_acceptType;
};

class RegistryTest : public ::testing::Test {
protected:
    FakeDevType &AddHandler(const std::string &name, int transport, int type) {
        auto h = std::make_unique<FakeDevType>(name, log, transport, type);
        FakeDevType &ref = *h;
        registry.Add(std::move(h));
        return ref;
    }
    std::vector<std::string> log;
    CDevTypeRegistry registry;
};

}  // namespace

TEST_F(RegistryTest, EmptyRegistryGivesEachShapesEmptyAnswer) {
    CString key, out = "x";
    DeviceRecord record;
    EXPECT_EQ(registry.SearchAll(), 1);
    EXPECT_EQ(registry.ResetModifyConfig(), 1);
    EXPECT_EQ(registry.SetModifyConfig("IP", "1.2.3.4"), 1);
    EXPECT_EQ(registry.TakeValue(key, out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(registry.GetSearchDev(record), 0);
    char param[12] = "";
    EXPECT_EQ(registry.SendCmd(5, "1.2.3.4", 0, "RESETDEV", param, sizeof param, 1), 0);
}

TEST_F(RegistryTest, TypeTestIsAskedOnlyAfterTheTransportTestPasses) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 0, 56);
    a.cmdResult = 1;
    char param[12] = "p";
    EXPECT_EQ(registry.SendCmd(5, "10.0.0.1", 99, "RESETDEV", param, sizeof param, 1), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"A.type?", "A.SendCmd:RESETDEV"}));
    EXPECT_EQ(a.m_targetIp, "10.0.0.1");
    EXPECT_EQ(a.m_port, 99u);
    EXPECT_EQ(a.m_targetMac, "p");
    EXPECT_EQ(b.m_targetIp, "");
}

TEST_F(RegistryTest, SendCmdGoesOnUnlessTheAnswerIsExactlyOne) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 1, 5);
    a.cmdResult = 2;
    b.cmdResult = 1;
    char param[12] = "";
    EXPECT_EQ(registry.SendCmd(5, "", 0, "X", param, sizeof param, 1), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"A.type?", "A.SendCmd:X", "B.type?", "B.SendCmd:X"}));
}

TEST_F(RegistryTest, SearchSetsTheRequestOnEveryHandlerButCallsOnlyDatagramOnes) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 0, 48);
    b.m_targetIp = "old";
    EXPECT_EQ(registry.Search("10.0.0.255"), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"A.Search:10.0.0.255"}));
    EXPECT_EQ(b.m_targetIp, "10.0.0.255");
    EXPECT_EQ(b.m_transport, 1);
    EXPECT_EQ(a.m_port, 0u);
}

TEST_F(RegistryTest, InformationRequestReachesOnlyTheAcceptingHandlerButEmptiesAll) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 1, 56);
    a.m_info.Append("IP", "1.1.1.1");
    b.m_info.Append("NAME", "x");
    b.complete = 1;
    EXPECT_EQ(registry.GetDevInfoByIP("10.0.0.7", 1, 56), 1);
    EXPECT_TRUE(a.m_info.keys.empty());
    EXPECT_TRUE(b.m_info.keys.empty());
    // The request, then the poll's acceptance test before asking completion.
    EXPECT_EQ(log, (std::vector<std::string>{"A.type?", "B.type?", "B.RequestInfo:10.0.0.7|",
                                             "A.type?", "B.type?"}));
    EXPECT_EQ(b.m_devType, 56);
}

TEST_F(RegistryTest, ByMacCompletionIsAskedOfEveryHandler) {
    FakeDevType &a = AddHandler("A", 1, 5);
    AddHandler("B", 1, 48);
    a.complete = 1;  // does not accept the request, but is asked anyway
    EXPECT_EQ(registry.GetDevInfoByMAC("02:00:00:00:00:01", 1, 48), 1);
    EXPECT_EQ(log.back(), "B.RequestInfo:|02:00:00:00:00:01");
}

TEST_F(RegistryTest, PasswordByMacTakesPassThroughEveryHandlerInOrder) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 1, 48);
    a.m_info.Append("PASS", "left-over");  // an earlier read nobody took wins
    b.m_info.Append("PASS", "secret");
    b.blockReplied = 1;
    CString out;
    EXPECT_EQ(registry.GetPasswordByMAC("02:00:00:00:00:01", out, 48), 1);
    EXPECT_EQ(out, "left-over");
    EXPECT_EQ(b.m_info.Find("PASS"), 0);
    EXPECT_NE(std::find(log.begin(), log.end(), "B.RequestBlock:0"), log.end());
}

TEST_F(RegistryTest, TakeValueSkipsHiddenKeysAndTakesEachPairOnce) {
    FakeDevType &a = AddHandler("A", 1, 5);
    a.m_info.Append("COM1_ENABLEST", "1");
    a.m_info.Append("IP", "10.0.0.9");
    a.m_info.Append("NAME", "dev");
    CString key, out;
    EXPECT_EQ(registry.TakeValue(key, out), 1);
    EXPECT_EQ(key, "IP");
    EXPECT_EQ(out, "10.0.0.9");
    key = "COM1_ENABLEST";
    EXPECT_EQ(registry.TakeValue(key, out), 0);
    key = "NAME";
    EXPECT_EQ(registry.TakeValue(key, out), 1);
    EXPECT_EQ(out, "dev");
    EXPECT_EQ(registry.TakeValue(key, out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(a.m_info.keys, (std::vector<CString>{"COM1_ENABLEST"}));
}

TEST_F(RegistryTest, StagingReplacesInPlaceAndOffersOnlyNewKeysToTheHandler) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 1, 48);
    a.intercept = "IP_MODE";
    registry.SetModifyConfig("NAME", "one");
    registry.SetModifyConfig("IP_MODE", "1");
    registry.SetModifyConfig("NAME", "two");
    EXPECT_EQ(a.m_staged.keys, (std::vector<CString>{"NAME"}));
    EXPECT_EQ(a.m_staged.values, (std::vector<CString>{"two"}));
    EXPECT_EQ(b.m_staged.keys, (std::vector<CString>{"NAME", "IP_MODE"}));
    EXPECT_EQ(b.m_staged.values, (std::vector<CString>{"two", "1"}));
    registry.ResetModifyConfig();
    EXPECT_TRUE(a.m_staged.keys.empty());
    EXPECT_TRUE(b.m_staged.keys.empty());
}

TEST_F(RegistryTest, WritesReachAcceptingHandlersAndKeepTheStagedPairs) {
    AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 1, 48);
    registry.SetModifyConfig("NAME", "x");
    EXPECT_EQ(registry.ModifyDevByMAC("02:00:00:00:00:01", 1, 48), 1);
    EXPECT_EQ(log.back(), "B.WriteConfig:|02:00:00:00:00:01");
    EXPECT_EQ(b.m_staged.keys.size(), 1u);
}

TEST_F(RegistryTest, SearchResultsComeOutOldestFirstThenNothing) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 1, 48);
    for (const char *ip : {"10.0.0.1", "10.0.0.2"}) {
        auto r = std::make_unique<DeviceRecord>();
        r->ip = ip;
        a.m_results.push_back(std::move(r));
    }
    auto r = std::make_unique<DeviceRecord>();
    r->ip = "10.0.0.3";
    b.m_results.push_back(std::move(r));
    DeviceRecord out;
    std::vector<std::string> seen;
    while (registry.GetSearchDev(out)) seen.push_back(out.ip);
    EXPECT_EQ(seen, (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    EXPECT_EQ(out.ip, "10.0.0.3");
}

TEST_F(RegistryTest, ClearLeavesAnEmptyRegistry) {
    AddHandler("A", 1, 5).m_info.Append("IP", "1.2.3.4");
    registry.Clear();
    CString key, out;
    EXPECT_EQ(registry.Count(), 0u);
    EXPECT_EQ(registry.TakeValue(key, out), 0);
    EXPECT_EQ(registry.SearchAll(), 1);
}

// The registry's fan-out rules over handlers of the test's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/registry.h"

using namespace vd;

namespace {

using Log = std::vector<std::string>;

// A handler that accepts one transport and one type, and records the calls
// the registry makes into a log shared by all handlers of a test.
class FakeDevType : public CDevType {
public:
    FakeDevType(std::string name, Log &log, int transport, int type)
        : m_name(std::move(name)), m_log(log), m_acceptTransport(transport), m_acceptType(type) {}

    int SearchAll() override { return Note("SearchAll"); }
    int Search() override { return Note("Search:" + m_targetIp); }
    int RequestInfo() override { return Note("RequestInfo:" + m_targetIp + "|" + m_targetMac); }
    int IsInfoComplete() override { return complete; }
    int OnDatagram(const uint8_t *, int, const char *) override { return 0; }
    int WriteConfig() override { return Note("WriteConfig"); }
    int UsesDatagram() override { return 1; }
    int SendCmd(int, const char *cmd, char *, size_t) override {
        Note(std::string("SendCmd:") + cmd);
        return cmdResult;
    }
    int CanSearch() override { return 1; }
    int IsTypeSupported(int type) override { return Note("type?") && type == m_acceptType; }
    int IsTransportSupported(int transport) override { return transport == m_acceptTransport; }
    int IsBlockReplied() override { return blockReplied; }
    int RequestBlock(int block) override { return Note("RequestBlock:" + std::to_string(block)); }
    int InterceptModify(const CString &key, const CString &) override { return key == intercept; }

    int complete = 0, blockReplied = 0, cmdResult = 0;
    CString intercept;

private:
    // Records a call; returns 1, a handler's answer for success.
    int Note(const std::string &what) {
        m_log.push_back(m_name + "." + what);
        return 1;
    }
    std::string m_name;
    Log &m_log;
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
    Log log;
    CDevTypeRegistry registry;
};

}  // namespace

TEST_F(RegistryTest, CommandsAskTheTypeAfterTheTransportAndGoOnUnlessTheAnswerIsOne) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 0, 5);
    FakeDevType &c = AddHandler("C", 1, 5);
    a.cmdResult = 2;
    c.cmdResult = 1;
    char param[12] = "p";
    EXPECT_EQ(registry.SendCmd(5, "10.0.0.1", 99, "X", param, sizeof param, 1), 1);
    EXPECT_EQ(log, (Log{"A.type?", "A.SendCmd:X", "C.type?", "C.SendCmd:X"}));
    EXPECT_EQ(c.m_targetIp + " " + c.m_targetMac + " " + std::to_string(c.m_port), "10.0.0.1 p 99");
    EXPECT_EQ(b.m_targetIp, "");
    c.cmdResult = 0;
    EXPECT_EQ(registry.SendCmd(5, "", 0, "X", param, sizeof param, 1), 0);
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
    EXPECT_EQ(log, (Log{"A.type?", "B.type?", "B.RequestInfo:10.0.0.7|", "A.type?", "B.type?"}));
    EXPECT_EQ(b.m_devType, 56);
    // By MAC, completion is asked of every handler, accepting or not.
    log.clear();
    b.complete = 0;
    a.complete = 1;
    EXPECT_EQ(registry.GetDevInfoByMAC("02:00:00:00:00:01", 1, 56), 1);
    EXPECT_EQ(log, (Log{"A.type?", "B.type?", "B.RequestInfo:|02:00:00:00:00:01"}));
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
    EXPECT_EQ(log, (Log{"A.type?", "B.type?", "B.RequestBlock:0"}));
}

TEST_F(RegistryTest, StagingReplacesInPlaceAndOffersOnlyNewKeysToTheHandler) {
    FakeDevType &a = AddHandler("A", 1, 5);
    FakeDevType &b = AddHandler("B", 1, 48);
    a.intercept = "IP_MODE";
    b.intercept = "NAME";
    b.m_staged.Append("NAME", "old");
    registry.SetModifyConfig("NAME", "one");
    registry.SetModifyConfig("IP_MODE", "1");
    registry.SetModifyConfig("NAME", "two");
    EXPECT_EQ(a.m_staged.keys, (std::vector<CString>{"NAME"}));
    EXPECT_EQ(a.m_staged.values, (std::vector<CString>{"two"}));
    EXPECT_EQ(b.m_staged.keys, (std::vector<CString>{"NAME", "IP_MODE"}));
    EXPECT_EQ(b.m_staged.values, (std::vector<CString>{"two", "1"}));
    registry.ResetModifyConfig();
    EXPECT_TRUE(a.m_staged.keys.empty() && b.m_staged.keys.empty());
}

// A host with three links, the default route on the first, and behind each
// link N a site with a family A device (198.18.N.2) and a family B device
// (198.18.N.3): every broadcast reaches every link once, from the link's own
// address; VANDREL_INTERFACES keeps it to the links it names. Each test runs
// in the host namespace of a lab of its own (scripts/lab.sh run 3), and the
// simulated devices open their sockets in the site namespaces.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>

#include <memory>

#include "integration/support.h"
#include "sim_family_a.h"
#include "sim_safety.h"

using namespace vdtest;

namespace {

std::string Site(int n, int last) { return "198.18." + std::to_string(n) + "." + std::to_string(last); }
std::string MacB(int n) { return "02:00:00:B0:00:0" + std::to_string(n); }

class Lab : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!std::getenv("VANDREL_LAB") || !vdsim::InPrivateNetwork(why)) {
            std::fprintf(stderr, "refusing to run outside a lab (scripts/lab.sh run 3): %s\n", why.c_str());
            std::exit(2);
        }
        const int own = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        for (int n = 1; n <= 3; ++n) {
            // Sockets opened in the site's namespace stay there.
            const int site = open(("/run/netns/vdlab-" + std::string(std::getenv("VANDREL_LAB")) + "-site" +
                                   std::to_string(n)).c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_EQ(setns(site, CLONE_NEWNET), 0);
            close(site);
            a[n] = std::make_unique<vdsim::FamilyADevice>(Site(n, 2), 5, vdsim::Mac{2, 0, 0, 0xA0, 0, uint8_t(n)});
            a[n]->SetSearchReply(vdsim::FamilyADevice::SearchReply::Fixed);
            b[n] = std::make_unique<vdsim::FamilyBDevice>(Site(n, 3), 48, vdsim::Mac{2, 0, 0, 0xB0, 0, uint8_t(n)});
            b[n]->SetName("site-" + std::to_string(n));
            b[n]->SetPassword("admin");
            ASSERT_TRUE(a[n]->Start() && b[n]->Start());
        }
        ASSERT_EQ(setns(own, CLONE_NEWNET), 0);
        close(own);
    }

    // The family A devices that answer a search, by address.
    static std::vector<std::string> Search(size_t expected) {
        EXPECT_EQ(VD_SearchAll(), VD_OK);
        std::vector<std::string> ips;
        for (const Found &f : TakeFound(expected, true)) ips.push_back(f.ip);
        return ips;
    }

    // The sites where any device heard anything, as "13".
    std::string Heard() const {
        SleepMs(100);
        std::string sites;
        for (int n = 1; n <= 3; ++n)
            if (!a[n]->ReceivedDatagrams().empty() || !b[n]->ReceivedDatagrams().empty()) sites += std::to_string(n);
        return sites;
    }

    std::unique_ptr<vdsim::FamilyADevice> a[4];
    std::unique_ptr<vdsim::FamilyBDevice> b[4];
};

TEST_F(Lab, SearchReachesEveryLinkOnceFromItsOwnAddress) {
    EXPECT_EQ(Search(3), (std::vector<std::string>{Site(1, 2), Site(2, 2), Site(3, 2)}));
    for (int n = 1; n <= 3; ++n) {
        ASSERT_EQ(a[n]->ReceivedDatagrams().size(), 1u) << "site " << n;
        EXPECT_EQ(a[n]->ReceivedDatagrams()[0].from, Site(n, 1));
    }
}

TEST_F(Lab, FamilyBBehindALinkThatIsNotTheDefaultRoute) {
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(MacB(3).c_str(), 48), VD_OK);
    EXPECT_EQ(Ask("NAME"), "site-3");
    VD_SetModifyConfigUDP("NAME", "renamed");
    ASSERT_EQ(VD_ModifyDevUDPbyMAC(MacB(3).c_str(), "admin", 48), VD_OK);
    EXPECT_STREQ(reinterpret_cast<const char *>(b[3]->Block(0).data()), "renamed");
}

TEST_F(Lab, OnlyChosenLinksHearAnythingAndAFallenLinkOnlyItself) {
    for (const char *garbage : {"", " , ", "nosuch,link9", "link1;link2", "LINK1", "link1:0"}) {
        setenv("VANDREL_INTERFACES", garbage, 1);
        EXPECT_EQ(Search(0), std::vector<std::string>{}) << garbage;
    }
    EXPECT_EQ(Heard(), "");
    setenv("VANDREL_INTERFACES", "link2", 1);
    EXPECT_EQ(Search(1), std::vector<std::string>{Site(2, 2)});
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(MacB(2).c_str(), 48), VD_OK);
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC(MacB(3).c_str(), 48), VD_FAIL);
    EXPECT_EQ(Heard(), "2");
    unsetenv("VANDREL_INTERFACES");
    ASSERT_EQ(std::system("ip link set link2 down"), 0);
    EXPECT_EQ(Search(2), (std::vector<std::string>{Site(1, 2), Site(3, 2)}));
    // A link that comes up carries traffic once its carrier is seen.
    ASSERT_EQ(std::system("ip link set link2 up && for i in $(seq 40); do "
                          "grep -q up /sys/class/net/link2/operstate && break; sleep 0.05; done"), 0);
    EXPECT_EQ(Search(3).size(), 3u);
}

}  // namespace

// Refuses to run the tests anywhere but in a private network namespace whose
// only interface is loopback: the tests broadcast, and no datagram of theirs
// may ever reach a real network.
#include <gtest/gtest.h>
#include <net/if.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool OnlyLoopback() {
    struct if_nameindex *list = if_nameindex();
    if (!list) return false;
    bool only = true;
    for (struct if_nameindex *i = list; i->if_index != 0; ++i)
        if (std::strcmp(i->if_name, "lo") != 0) only = false;
    if_freenameindex(list);
    return only;
}

class NetnsGuard : public ::testing::Environment {
public:
    void SetUp() override {
        if (!OnlyLoopback()) {
            std::fprintf(stderr,
                         "refusing to run: this process sees network interfaces other than "
                         "loopback; run the tests through scripts/test.sh\n");
            std::exit(2);
        }
    }
};

const auto *const kGuard = ::testing::AddGlobalTestEnvironment(new NetnsGuard);

}  // namespace

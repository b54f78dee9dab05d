// The fleet interface against a simulated fleet: fifty devices of both
// families read and written at once, each write seen taken by a read after
// it; two writes to one device one after the other; a wrong password and a
// type of no family; completions by callback and by the completion handle;
// a write that does not take undone while another device's write goes on;
// a write that waits for the device's lock another writer holds;
// many threads submitting to one fleet; the sockets a fleet opens, two
// whatever the number of devices.
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "integration/fleet_fixture.h"
#include "integration/support.h"
#include "net/platform.h"
#include "sim_family_b.h"
#include "vandrel_fleet.h"

using namespace vdtest;

namespace {

// The sockets this process holds (a write also holds its device's lock file
// while it runs, which is no socket).
size_t OpenSockets() {
    size_t sockets = 0;
    for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code gone;
        if (std::filesystem::read_symlink(fd.path(), gone).string().rfind("socket:", 0) == 0) ++sockets;
    }
    return sockets;
}

// The device's name in the fleet interface: its IP or its MAC.
std::string NameOf(const vdsim::FleetRow &row) { return row.kind == "family-a" ? row.address : row.mac; }

std::string Value(VF_Fleet *fleet, VF_Op op, const char *key) {
    char value[VD_VALUE_LEN] = "#";
    EXPECT_EQ(VF_GetValue(fleet, op, key, value), VD_OK) << key;
    return value;
}

void VF_CALL Count(void *user, VF_Op, int32_t) { ++*static_cast<std::atomic<int> *>(user); }

TEST(Fleet, WritesFiftyDevicesAtOnceAndEachHoldsItsNewValue) {
    SimFleet sim(50);
    ASSERT_EQ(sim.rows.size(), 50u);
    std::atomic<int> called{0};
    const size_t before = OpenSockets();
    VF_Fleet *fleet = VF_Create(Count, &called);
    ASSERT_NE(fleet, nullptr);
    EXPECT_EQ(VF_Version(), uint32_t(VF_VERSION));
    const char *keys[] = {"NAME", "C1_PORT"};
    std::vector<std::string> names;
    std::vector<VF_Op> writes;
    const auto start = Clock::now();
    for (size_t i = 0; i < sim.rows.size(); ++i) {
        names.push_back("fleet-" + std::to_string(i));
        const char *values[] = {names.back().c_str(), "4100"};
        writes.push_back(VF_Write(fleet, NameOf(sim.rows[i]).c_str(), std::stoi(sim.rows[i].type), "admin", keys,
                                  values, 2, 5000));
    }
    // Fifty devices at work share the fleet's sockets: none has one of its own.
    EXPECT_EQ(VF_Result(fleet, writes.back()), VF_PENDING);
    EXPECT_LT(OpenSockets(), before + 10);
    for (VF_Op op : writes) EXPECT_EQ(VF_Wait(fleet, op, 20000), VD_OK);
    // One device's write takes about a second and a half; fifty one after
    // the other over a minute.
    EXPECT_LT(Seconds(start), 6.0);
    std::vector<VF_Op> reads;
    for (const auto &row : sim.rows) reads.push_back(VF_Read(fleet, NameOf(row).c_str(), std::stoi(row.type), 4000));
    for (size_t i = 0; i < reads.size(); ++i) {
        ASSERT_EQ(VF_Wait(fleet, reads[i], 10000), VD_OK) << sim.rows[i].address;
        EXPECT_EQ(Value(fleet, reads[i], "NAME"), names[i]);
        EXPECT_EQ(Value(fleet, reads[i], "C1_PORT"), "4100");
        char value[VD_VALUE_LEN];
        EXPECT_EQ(VF_GetValue(fleet, reads[i], "PASS", value), VD_FAIL);
    }
    VF_Destroy(fleet);
    EXPECT_EQ(called, 100);
}

TEST(Fleet, OneDeviceServesItsOperationsInTurnAndRefusals) {
    SimFleet sim(2);
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    const char *keys[] = {"NAME"};
    const char *first[] = {"first"}, *second[] = {"second"};
    for (const auto &row : sim.rows) {
        const int type = std::stoi(row.type);
        const std::string name = NameOf(row);
        const VF_Op a = VF_Write(fleet, name.c_str(), type, "admin", keys, first, 1, 5000);
        const VF_Op b = VF_Write(fleet, name.c_str(), type, "admin", keys, second, 1, 8000);
        const VF_Op wrong = VF_Write(fleet, name.c_str(), type, "nope", keys, first, 1, 8000);
        const VF_Op read = VF_Read(fleet, name.c_str(), type, 8000);
        EXPECT_EQ(VF_Result(fleet, read), VF_PENDING);
        EXPECT_EQ(VF_Wait(fleet, read, 20000), VD_OK) << name;
        EXPECT_EQ(VF_Result(fleet, a), VD_OK);
        EXPECT_EQ(VF_Result(fleet, b), VD_OK);
        EXPECT_EQ(VF_Result(fleet, wrong), VD_WRONG_PASSWORD);
        EXPECT_EQ(Value(fleet, read, "NAME"), "second");
    }
    const VF_Op none = VF_Read(fleet, "127.1.0.1", 200, 1000);
    // Ended operations wait on the completion handle, in the order they ended.
    pollfd wait{int(VF_CompletionHandle(fleet)), POLLIN, 0};
    std::vector<VF_Op> taken;
    while (poll(&wait, 1, 3000) == 1)
        for (VF_Op op; (op = VF_TakeCompleted(fleet)) != 0;) taken.push_back(op);
    EXPECT_EQ(taken.size(), 9u);
    EXPECT_EQ(taken.back(), none);
    EXPECT_EQ(VF_Result(fleet, none), VD_WRONG_FAMILY);
    VF_Release(fleet, none);
    EXPECT_EQ(VF_Result(fleet, none), VF_UNKNOWN);
    VF_Destroy(fleet);
}

// Another writer of the device (a process's VD_ write, as here, or another
// fleet) holds its lock: a write waits for it without sending, ends with
// VD_TIMEOUT when its deadline passes first, and writes once it is given
// back, while a read and another device's write go on meanwhile.
TEST(Fleet, AWriteWaitsForTheLockAnotherWriterOfItsDeviceHolds) {
    SimFleet sim(4);
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    const char *keys[] = {"NAME"}, *values[] = {"after"};
    const vdsim::FleetRow &held = sim.rows[0], &free = sim.rows[2];
    ASSERT_EQ(held.kind, free.kind);
    const int type = std::stoi(held.type);
    auto other = std::make_unique<vd::net::DeviceLock>(vd::net::DeviceLockName('A', held.address));
    const VF_Op late = VF_Write(fleet, held.address.c_str(), type, "admin", keys, values, 1, 300);
    const VF_Op waits = VF_Write(fleet, held.address.c_str(), type, "admin", keys, values, 1, 20000);
    const VF_Op elsewhere = VF_Write(fleet, free.address.c_str(), type, "admin", keys, values, 1, 8000);
    const VF_Op read = VF_Read(fleet, NameOf(sim.rows[1]).c_str(), std::stoi(sim.rows[1].type), 8000);
    EXPECT_EQ(VF_Wait(fleet, late, 3000), VD_TIMEOUT);
    EXPECT_EQ(VF_Wait(fleet, elsewhere, 8000), VD_OK);
    EXPECT_EQ(VF_Wait(fleet, read, 8000), VD_OK);
    EXPECT_EQ(VF_Result(fleet, waits), VF_PENDING);
    other.reset();
    EXPECT_EQ(VF_Wait(fleet, waits, 8000), VD_OK);
    const VF_Op check = VF_Read(fleet, held.address.c_str(), type, 5000);
    EXPECT_EQ(VF_Wait(fleet, check, 5000), VD_OK);
    EXPECT_EQ(Value(fleet, check, "NAME"), "after");
    VF_Destroy(fleet);
}

// Block 3 of one device never takes: its write is undone and names the key
// that did not take, and the other device's write, begun with it, is done
// first, untouched by the failing one's tries.
TEST(Fleet, AWriteThatDoesNotTakeIsUndoneAndHoldsUpNoOtherDevice) {
    vdsim::FamilyBDevice failing{"127.0.0.2", 48, kMacB}, other{"127.0.0.3", 48, {0x02, 0, 0, 0xAB, 0xCD, 0xE0}};
    failing.IgnoreWrites(3, 4);
    ASSERT_TRUE(failing.Start());
    ASSERT_TRUE(other.Start());
    const Bytes port1 = failing.Block(2), port2 = failing.Block(3);
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    const char *keys[] = {"C1_BAUD", "C2_BAUD"}, *values[] = {"300", "9600"};
    const VF_Op bad = VF_Write(fleet, kMacBText, 48, "", keys, values, 2, 5000);
    const VF_Op good = VF_Write(fleet, "02:00:00:ab:cd:e0", 48, "", keys, values, 2, 5000);
    EXPECT_EQ(VF_Wait(fleet, good, 10000), VD_OK);
    EXPECT_EQ(VF_Result(fleet, bad), VF_PENDING);
    EXPECT_EQ(VF_Wait(fleet, bad, 10000), VD_FAIL);
    char key[VD_KEY_LEN], value[VD_VALUE_LEN];
    ASSERT_EQ(VF_GetPair(fleet, bad, 0, key, value), VD_OK);
    EXPECT_EQ(std::string(key) + "=" + value, "C2_BAUD=9600");
    EXPECT_EQ(VF_GetPair(fleet, bad, 1, key, value), VD_FAIL);
    EXPECT_EQ(failing.Block(2), port1);
    EXPECT_EQ(failing.Block(3), port2);
    EXPECT_EQ(failing.Restarts(), 0);
    EXPECT_EQ(other.Restarts(), 1);
    VF_Destroy(fleet);
}

TEST(Fleet, ManyThreadsSubmitToOneFleet) {
    SimFleet sim(8);
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    std::atomic<int> ok{0};
    std::vector<std::thread> hosts;
    for (int t = 0; t < 8; ++t)
        hosts.emplace_back([&, t] {
            for (int i = 0; i < 3; ++i) {
                const auto &row = sim.rows[size_t(t + i) % sim.rows.size()];
                const VF_Op op = VF_Read(fleet, NameOf(row).c_str(), std::stoi(row.type), 8000);
                ok += VF_Wait(fleet, op, 20000) == VD_OK && Value(fleet, op, "NAME").rfind("dev-", 0) == 0;
                VF_Release(fleet, op);
            }
        });
    for (auto &host : hosts) host.join();
    EXPECT_EQ(ok, 24);
    VF_Destroy(fleet);
}

}  // namespace

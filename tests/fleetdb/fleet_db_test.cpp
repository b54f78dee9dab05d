// The fleet database as several processes write it at once, one of them
// killed in the middle of its transactions: nobody fails, and the file is
// whole, with every transaction in it all or not at all.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "fleet_db.h"

namespace {

using vdfleet::AuditRow;
using vdfleet::FleetDb;

constexpr int kWriters = 4, kBatches = 30, kRowsPerBatch = 5;

// A folder of its own for a test's file, removed with it.
struct TempFolder {
    TempFolder() {
        char name[] = "/tmp/fleetdb-XXXXXX";
        dir = mkdtemp(name);
    }
    ~TempFolder() { std::filesystem::remove_all(dir); }
    std::string dir;
};

std::vector<AuditRow> Batch(const std::string &operation) {
    std::vector<AuditRow> rows(kRowsPerBatch);
    for (AuditRow &r : rows) {
        r.time = vdfleet::Now();
        r.device = "127.0.0.2";
        r.key = "NAME";
        r.operation = operation;
    }
    return rows;
}

// A child process that writes batches (forever when batches < 0), seeing
// the same device each time; exits 0 when every write went through.
pid_t StartWriter(const std::string &path, const std::string &operation, int batches) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    std::string error;
    std::unique_ptr<FleetDb> db = FleetDb::Open(path, error);
    bool fine = db != nullptr;
    for (int i = 0; fine && (batches < 0 || i < batches); ++i)
        fine = db->Append(Batch(operation), error) &&
               db->RecordSeen({{"02:56:44:00:00:02", "127.0.0." + std::to_string(i % 2 + 2), "1.05", operation, 5}},
                              vdfleet::Now(), error);
    if (!fine) std::fprintf(stderr, "writer %s: %s\n", operation.c_str(), error.c_str());
    _exit(fine ? 0 : 1);
}

size_t RowsOf(const std::vector<AuditRow> &rows, const std::string &operation) {
    size_t n = 0;
    for (const AuditRow &r : rows) n += r.operation == operation;
    return n;
}

// Whether rows of the operation reach the file within 20 s.
bool Written(const std::string &path, const std::string &operation) {
    for (int i = 0; i < 1000; ++i, usleep(20 * 1000)) {
        std::string error;
        std::vector<AuditRow> rows;
        const std::unique_ptr<FleetDb> db = FleetDb::Open(path, error);
        if (db && db->Audit({}, rows, error) && RowsOf(rows, operation) > 0) return true;
    }
    return false;
}

TEST(FleetDb, WritersSideBySideAndAKilledOneLeaveAWholeFile) {
    const TempFolder folder;
    const std::string path = folder.dir + "/fleet.db";
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) writers.push_back(StartWriter(path, "w" + std::to_string(w), kBatches));
    const pid_t victim = StartWriter(path, "killed", -1);
    // Killed once it has written, however long its opening waited for the others.
    EXPECT_TRUE(Written(path, "killed"));
    ASSERT_EQ(kill(victim, SIGKILL), 0);
    int status = 0;
    waitpid(victim, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    for (pid_t p : writers) {
        waitpid(p, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::string error;
    std::unique_ptr<FleetDb> db = FleetDb::Open(path, error);
    ASSERT_TRUE(db) << error;
    EXPECT_TRUE(db->Check(error)) << error;
    std::vector<AuditRow> rows;
    ASSERT_TRUE(db->Audit({}, rows, error)) << error;
    for (int w = 0; w < kWriters; ++w) EXPECT_EQ(RowsOf(rows, "w" + std::to_string(w)), size_t(kBatches * kRowsPerBatch));
    EXPECT_GT(RowsOf(rows, "killed"), 0u);
    EXPECT_EQ(RowsOf(rows, "killed") % kRowsPerBatch, 0u);
    // One device however many sightings; its address flipped between two.
    std::vector<vdfleet::InventoryDevice> devices;
    ASSERT_TRUE(db->Inventory(devices, error)) << error;
    ASSERT_EQ(devices.size(), 1u);
    std::vector<vdfleet::DeviceChange> changes;
    ASSERT_TRUE(db->Changes("02:56:44:00:00:02", changes, error));
    EXPECT_GT(changes.size(), size_t(kBatches));
    EXPECT_EQ(changes.back().after, devices[0].device.ip);
}

TEST(FleetDb, KeepsTextAsGivenButBoundedAndRefusesWhatIsNoDatabase) {
    const TempFolder folder;
    const std::string path = folder.dir + "/fleet.db";
    std::string error;
    std::unique_ptr<FleetDb> db = FleetDb::Open(path, error);
    ASSERT_TRUE(db) << error;
    const std::string hostile = std::string("\x1b[2J\0name", 10) + std::string(1000, 'x');
    ASSERT_TRUE(db->RecordSeen({{"02:56:44:00:00:09", "127.0.0.9", "", hostile, 5}}, 1000, error)) << error;
    ASSERT_TRUE(db->RecordSeen({{"02:56:44:00:00:09", "", "2.0", "", 0}}, 2000, error)) << error;
    std::vector<vdfleet::InventoryDevice> devices;
    ASSERT_TRUE(db->Inventory(devices, error));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].device.name, hostile.substr(0, vdfleet::kMaxText));
    EXPECT_EQ(devices[0].device.ip, "127.0.0.9");  // kept: the second sighting did not tell it
    EXPECT_EQ(devices[0].device.type, 5);
    EXPECT_EQ(devices[0].firstSeen, 1000);
    EXPECT_EQ(devices[0].lastSeen, 2000);
    std::vector<AuditRow> since;
    ASSERT_TRUE(db->Append(Batch("old"), error));
    ASSERT_TRUE(db->Audit({"02:56:44:00:00:09", 0}, since, error));
    EXPECT_TRUE(since.empty());
    ASSERT_TRUE(db->Audit({"127.0.0.2", vdfleet::Now() + 60000}, since, error));
    EXPECT_TRUE(since.empty());

    // A bound on rows keeps the newest, oldest first.
    ASSERT_TRUE(db->Append(Batch("new"), error));
    std::vector<AuditRow> newest;
    ASSERT_TRUE(db->Audit({"", 0, kRowsPerBatch + 1}, newest, error)) << error;
    ASSERT_EQ(newest.size(), size_t(kRowsPerBatch + 1));
    EXPECT_EQ(newest.front().operation, "old");
    EXPECT_EQ(newest.back().operation, "new");

    std::ofstream(path + ".junk") << std::string(4096, 'j');
    EXPECT_FALSE(FleetDb::Open(path + ".junk", error));
    EXPECT_NE(error.find(path + ".junk"), std::string::npos) << error;
    EXPECT_FALSE(FleetDb::Open("/nonexistent-folder/fleet.db", error));
    EXPECT_NE(error.find("cannot open the fleet database /nonexistent-folder/fleet.db"), std::string::npos) << error;
}

vdfleet::Snapshot SnapshotOf(const std::string &mac, const std::string &name, size_t keys) {
    vdfleet::Snapshot s;
    s.time = vdfleet::Now();
    s.mac = mac;
    s.device = "127.0.0.7";
    s.type = 5;
    s.settings.emplace_back("NAME", name);
    for (size_t k = 1; k < keys; ++k) s.settings.emplace_back("K" + std::to_string(k), "v");
    return s;
}

TEST(FleetDb, KeepsTheLatestSnapshotsOfEachDeviceWhole) {
    const TempFolder folder;
    std::string error;
    std::unique_ptr<FleetDb> db = FleetDb::Open(folder.dir + "/fleet.db", error);
    ASSERT_TRUE(db) << error;
    const size_t most = vdfleet::kMaxSnapshotsPerDevice;
    for (size_t n = 0; n <= most; ++n)
        ASSERT_TRUE(db->Keep({SnapshotOf("02:56:44:00:00:07", "n" + std::to_string(n), 3)}, error)) << error;
    const std::string hostile = std::string("\x1b]0;\0", 6) + std::string(1000, 'x');
    ASSERT_TRUE(db->Keep({SnapshotOf("02:56:44:00:00:08", hostile, vdfleet::kMaxSnapshotKeys + 5),
                          SnapshotOf("", "no MAC, not kept", 1)}, error)) << error;

    std::vector<vdfleet::Snapshot> seven, atAddress;
    ASSERT_TRUE(db->Snapshots("02:56:44:00:00:07", seven, error)) << error;
    ASSERT_TRUE(db->Snapshots("127.0.0.7", atAddress, error)) << error;  // by the address read: both devices
    ASSERT_EQ(seven.size(), most);
    EXPECT_EQ(atAddress.size(), most + 1);
    vdfleet::Snapshot s;
    ASSERT_TRUE(db->SnapshotById(seven.front().id, s, error)) << error;
    EXPECT_EQ(s.settings.front().second, "n" + std::to_string(most));
    ASSERT_TRUE(db->SnapshotById(seven.back().id, s, error)) << error;
    EXPECT_EQ(s.settings.front().second, "n1");  // n0 dropped, with its keys
    EXPECT_EQ(s.settings.size(), 3u);
    EXPECT_FALSE(db->SnapshotById(seven.back().id - 1, s, error));
    EXPECT_EQ(error, "no such snapshot");
    ASSERT_TRUE(db->SnapshotById(atAddress.front().id, s, error)) << error;
    EXPECT_EQ(s.mac, "02:56:44:00:00:08");
    EXPECT_EQ(s.settings.size(), vdfleet::kMaxSnapshotKeys);
    EXPECT_EQ(s.settings.front().second, hostile.substr(0, vdfleet::kMaxText));
    EXPECT_TRUE(db->Check(error)) << error;
}

// A rollout's plan and its devices come back as recorded, across a reopen,
// the latest rollout first; a device's change touches that device alone, and
// the counts by state are the rollout's own.
TEST(FleetDb, KeepsARolloutAndEachDeviceState) {
    const TempFolder folder;
    const std::string path = folder.dir + "/fleet.db";
    std::string error;
    vdfleet::RolloutPlan plan, read;
    std::vector<vdfleet::RolloutDevice> devices, back;
    {
        std::unique_ptr<FleetDb> db = FleetDb::Open(path, error);
        ASSERT_TRUE(db) << error;
        ASSERT_TRUE(db->LastRollout(read, back, error)) << error;
        EXPECT_EQ(read.id, 0);
        vdfleet::RolloutPlan old{0, 1, {"old.bin"}, "1.05", "0", "done", "op-0", 1};
        ASSERT_TRUE(db->CreateRollout(old, {{0, 0, 5, "127.0.0.9", "", "pending", "1.04", "", 1}}, error)) << error;
        plan = {0, 2, {"/fw/app one.bin", "/fw/boot.bin"}, "1.06", "10%", "running", "op-1", 2};
        for (int i = 0; i < 3; ++i)
            devices.push_back({i, i / 2, 5, "127.0.0." + std::to_string(i + 2), "", "pending", "1.05", "", 2});
        ASSERT_TRUE(db->CreateRollout(plan, devices, error)) << error;
        EXPECT_GT(plan.id, old.id);
        devices[1].state = "restarting";
        devices[1].mac = "02:56:44:00:00:03";
        ASSERT_TRUE(db->SetRolloutDevice(plan.id, devices[1], error)) << error;
        ASSERT_TRUE(db->SetRolloutState(plan.id, "stopped", error)) << error;
    }
    std::unique_ptr<FleetDb> db = FleetDb::Open(path, error);
    ASSERT_TRUE(db) << error;
    ASSERT_TRUE(db->LastRollout(read, back, error)) << error;
    EXPECT_EQ(read.id, plan.id);
    EXPECT_EQ(read.images, plan.images);
    EXPECT_EQ(read.expectVersion, "1.06");
    EXPECT_EQ(read.maxFailures, "10%");
    EXPECT_EQ(read.state, "stopped");
    EXPECT_EQ(read.operation, "op-1");
    EXPECT_EQ(read.canary, 2);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].state, "pending");
    EXPECT_EQ(back[1].state, "restarting");
    EXPECT_EQ(back[1].mac, "02:56:44:00:00:03");
    EXPECT_EQ(back[2].wave, 1);
    EXPECT_EQ(back[2].ip, "127.0.0.4");
    std::vector<std::pair<std::string, long long>> counts;
    ASSERT_TRUE(db->RolloutStateCounts(plan.id, counts, error)) << error;
    std::sort(counts.begin(), counts.end());
    EXPECT_EQ(counts, (std::vector<std::pair<std::string, long long>>{{"pending", 2}, {"restarting", 1}}));
}

}  // namespace

// The fleet database's own costs, beside the operations that pay them:
//
//   vandrel-fleetdb-bench audit FOLDER     the audit rows of a 1,000-device apply
//   vandrel-fleetdb-bench history FOLDER   one device's history among 16,000
//
// audit records two keys a device for 1,000 devices three ways: each device
// opening the file and appending its rows (as apply's worker processes do),
// each appending on one open file (an apply in one process, device by
// device), and all rows in one transaction. history fills a file with
// 16,000 devices (two snapshots of 40 keys and six audit rows each) and one
// device with 100 snapshots and 100 rows, then times that device's
// snapshots, its latest snapshot whole and its audit rows. Times are the
// median of several runs, in milliseconds, each on a new file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fleet_db.h"

namespace {

using vdfleet::FleetDb;
using Clock = std::chrono::steady_clock;

constexpr int kApplyDevices = 1000, kRuns = 5, kQueries = 20;
constexpr int kCrowd = 16000, kSnapshotsEach = 2, kRowsEach = 6, kKeys = 40, kHistory = 100;
constexpr char kTarget[] = "02:56:44:FF:FF:FF";

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string MacOf(int i) {
    char mac[18];
    std::snprintf(mac, sizeof mac, "02:56:44:%02X:%02X:%02X", (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF);
    return mac;
}

std::vector<vdfleet::AuditRow> RowsOf(const std::string &mac, int keys) {
    std::vector<vdfleet::AuditRow> rows(static_cast<size_t>(keys));
    for (int k = 0; k < keys; ++k)
        rows[size_t(k)] = {vdfleet::Now(), "ops", "cli", "198.18.0.1", mac, k ? "C1_BAUD" : "NAME",
                           "old-value", "new-value", "0123456789abcdef", true};
    return rows;
}

vdfleet::Snapshot SnapshotOf(const std::string &mac, long long time) {
    vdfleet::Snapshot s;
    s.time = time;
    s.mac = mac;
    s.device = "198.18.0.1";
    s.type = 5;
    for (int k = 0; k < kKeys; ++k) s.settings.emplace_back("KEY_" + std::to_string(k), "value of key " + std::to_string(k));
    return s;
}

std::unique_ptr<FleetDb> OpenOrSay(const std::string &path) {
    std::string error;
    std::unique_ptr<FleetDb> db = FleetDb::Open(path, error);
    if (!db) std::fprintf(stderr, "%s\n", error.c_str());
    return db;
}

// Runs one way of recording kRuns times, each on a new file; its median.
double TimeAudit(const std::string &folder, const std::function<bool(const std::string &)> &record) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const std::string path = folder + "/audit-" + std::to_string(run) + ".db";
        std::filesystem::remove(path);
        OpenOrSay(path);  // the file made beforehand, as an apply finds it
        const Clock::time_point start = Clock::now();
        if (!record(path)) return -1;
        times.push_back(Ms(start));
    }
    return Median(times);
}

int BenchAudit(const std::string &folder) {
    std::string error;
    const double perProcess = TimeAudit(folder, [&](const std::string &path) {
        for (int i = 0; i < kApplyDevices; ++i) {
            std::unique_ptr<FleetDb> db = OpenOrSay(path);
            if (!db || !db->Append(RowsOf(MacOf(i), 2), error)) return false;
        }
        return true;
    });
    const double perDevice = TimeAudit(folder, [&](const std::string &path) {
        std::unique_ptr<FleetDb> db = OpenOrSay(path);
        for (int i = 0; db && i < kApplyDevices; ++i)
            if (!db->Append(RowsOf(MacOf(i), 2), error)) return false;
        return db != nullptr;
    });
    const double allAtOnce = TimeAudit(folder, [&](const std::string &path) {
        std::vector<vdfleet::AuditRow> rows;
        for (int i = 0; i < kApplyDevices; ++i)
            for (const vdfleet::AuditRow &r : RowsOf(MacOf(i), 2)) rows.push_back(r);
        std::unique_ptr<FleetDb> db = OpenOrSay(path);
        return db && db->Append(rows, error);
    });
    if (perProcess < 0 || perDevice < 0 || allAtOnce < 0) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    std::printf("audit of %d devices, 2 keys each (median of %d, ms)\n", kApplyDevices, kRuns);
    std::printf("  a file opened by each device, as apply's workers: %.1f\n", perProcess);
    std::printf("  one open file, a transaction a device:            %.1f\n", perDevice);
    std::printf("  one transaction for all:                          %.1f\n", allAtOnce);
    return 0;
}

// 16,000 devices, their snapshots and audit rows, and among them, over
// time, the one device's.
bool Fill(FleetDb &db, std::string &error) {
    for (int first = 0; first < kCrowd; first += 500) {
        std::vector<vdfleet::SeenDevice> seen;
        std::vector<vdfleet::Snapshot> snapshots;
        std::vector<vdfleet::AuditRow> rows;
        for (int i = first; i < first + 500; ++i) {
            seen.push_back({MacOf(i), "198.18.0.1", "1.05", "device", 5});
            for (int s = 0; s < kSnapshotsEach; ++s) snapshots.push_back(SnapshotOf(MacOf(i), vdfleet::Now()));
            for (const vdfleet::AuditRow &r : RowsOf(MacOf(i), kRowsEach)) rows.push_back(r);
            if (i % (kCrowd / kHistory) != 0) continue;
            snapshots.push_back(SnapshotOf(kTarget, vdfleet::Now()));
            rows.push_back(RowsOf(kTarget, 1)[0]);
        }
        if (!db.RecordSeen(seen, vdfleet::Now(), error) || !db.Keep(snapshots, error) || !db.Append(rows, error))
            return false;
    }
    return true;
}

int BenchHistory(const std::string &folder) {
    const std::string path = folder + "/history.db";
    std::filesystem::remove(path);
    std::unique_ptr<FleetDb> db = OpenOrSay(path);
    std::string error;
    const Clock::time_point filling = Clock::now();
    if (!db || !Fill(*db, error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    const double filled = Ms(filling);
    db = OpenOrSay(path);
    std::vector<double> lists, wholes, audits;
    size_t snapshots = 0, rows = 0;
    for (int q = 0; db && q < kQueries; ++q) {
        std::vector<vdfleet::Snapshot> list;
        vdfleet::Snapshot latest;
        std::vector<vdfleet::AuditRow> audit;
        Clock::time_point start = Clock::now();
        if (!db->Snapshots(kTarget, list, error) || list.empty()) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
        lists.push_back(Ms(start));
        start = Clock::now();
        if (!db->SnapshotById(list.front().id, latest, error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
        wholes.push_back(Ms(start));
        start = Clock::now();
        if (!db->Audit({kTarget, 0, 0}, audit, error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
        audits.push_back(Ms(start));
        snapshots = list.size();
        rows = audit.size();
    }
    std::printf("history of one device among %d (filled in %.0f ms, %.0f MiB)\n", kCrowd, filled,
                double(std::filesystem::file_size(path)) / 1048576);
    std::printf("  its %zu snapshots listed:  median %.2f ms, first %.2f, slowest %.2f\n", snapshots, Median(lists),
                lists.front(), *std::max_element(lists.begin(), lists.end()));
    std::printf("  its latest snapshot whole: median %.2f ms, first %.2f, slowest %.2f\n", Median(wholes),
                wholes.front(), *std::max_element(wholes.begin(), wholes.end()));
    std::printf("  its %zu audit rows:        median %.2f ms, first %.2f, slowest %.2f\n", rows, Median(audits),
                audits.front(), *std::max_element(audits.begin(), audits.end()));
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3 || (std::strcmp(argv[1], "audit") != 0 && std::strcmp(argv[1], "history") != 0)) {
        std::fprintf(stderr, "usage: vandrel-fleetdb-bench audit|history FOLDER\n");
        return 2;
    }
    return std::strcmp(argv[1], "audit") == 0 ? BenchAudit(argv[2]) : BenchHistory(argv[2]);
}

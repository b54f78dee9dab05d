#include "fleet_db.h"

#include <chrono>
#include <thread>

#include "fleet_schema.h"
#include "sqlite_statement.h"

namespace vdfleet {

namespace {

// How long a writer waits for another's transaction before it gives up: far
// longer than any of ours holds the lock.
constexpr int kBusyTimeoutMs = 10000;
constexpr std::chrono::milliseconds kOpenRetry{20};

// Whether opening failed because another connection held the file. Not
// every step of opening waits as the busy wait does (putting the file in
// write-ahead-log mode while another opens it, for one), so opening tries
// again for as long as a writer would wait.
bool HeldByAnother(const std::string &why) { return why.find("is locked") != std::string::npos; }

// Write-ahead logging lets readers go on beside a writer, and a process
// killed mid-transaction leaves a log that the next opener rolls back.
bool Configure(sqlite3 *db, std::string &error) {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    Statement wal(db, "PRAGMA journal_mode = WAL");
    const std::string mode = wal.Step() == SQLITE_ROW ? wal.Text(0) : "";
    if (!wal.Fine(error)) return false;
    if (mode != "wal") {
        error = "it cannot be put in write-ahead-log mode (journal mode " + mode + ")";
        return false;
    }
    return Exec(db, "PRAGMA synchronous = NORMAL", error);
}

}  // namespace

Millis Now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool FleetDb::Available() { return true; }

std::unique_ptr<FleetDb> FleetDb::Open(const std::string &path, std::string &error) {
    sqlite3 *db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    const bool opened = sqlite3_open_v2(path.c_str(), &db, flags, nullptr) == SQLITE_OK;
    std::string why;
    if (!opened) why = db ? LastError(db) : "out of memory";
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (; opened; std::this_thread::sleep_for(kOpenRetry)) {
        why.clear();
        if (Configure(db, why) && Migrate(db, why)) return std::unique_ptr<FleetDb>(new FleetDb(db, path));
        if (!HeldByAnother(why) || std::chrono::steady_clock::now() >= until) break;
    }
    sqlite3_close(db);
    error = "cannot open the fleet database " + path + ": " + why;
    return nullptr;
}

FleetDb::~FleetDb() { sqlite3_close(m_db); }

bool FleetDb::Check(std::string &error) const {
    Statement check(m_db, "PRAGMA integrity_check");
    const std::string verdict = check.Step() == SQLITE_ROW ? check.Text(0) : "";
    if (!check.Fine(error)) return false;
    if (verdict != "ok") error = verdict;
    return verdict == "ok";
}

}  // namespace vdfleet

// The fleet database's C interface (libvandrel-fleetdb), as the Python
// module calls it: which file it opens, and the rows of one write as the
// tool's own reader finds them.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "fleet_db.h"
#include "vandrel_fleetdb.h"

namespace {

struct Folder {
    Folder() {
        char name[] = "/tmp/fleetdb-c-XXXXXX";
        dir = mkdtemp(name);
    }
    ~Folder() { std::filesystem::remove_all(dir); }
    std::string dir;
};

TEST(FleetDbC, OpensTheFileChosenOrNoneWhenOff) {
    Folder f;
    char message[256];
    setenv("VANDREL_DB", "off", 1);
    EXPECT_EQ(VDB_Open(nullptr, message, sizeof message), nullptr);
    EXPECT_STREQ(message, "");
    setenv("VANDREL_DB", (f.dir + "/env.db").c_str(), 1);
    VDB_Db *db = VDB_Open(nullptr, message, sizeof message);
    EXPECT_NE(db, nullptr);
    VDB_Close(db);
    EXPECT_TRUE(std::filesystem::exists(f.dir + "/env.db"));
    std::ofstream(f.dir + "/junk.db") << "not a database";
    EXPECT_EQ(VDB_Open((f.dir + "/junk.db").c_str(), message, sizeof message), nullptr);
    EXPECT_NE(std::string(message).find("junk.db"), std::string::npos) << message;
    unsetenv("VANDREL_DB");
}

TEST(FleetDbC, OneWriteIsItsRowsUnderOneOperationThePasswordHidden) {
    Folder f;
    const std::string path = f.dir + "/fleet.db";
    std::string error;
    ASSERT_TRUE(vdfleet::FleetDb::Open(path, error)->RecordSeen({{"02:56:44:00:00:02", "127.0.0.2", "", "", 5}},
                                                                 vdfleet::Now(), error));
    char message[256];
    VDB_Db *db = VDB_Open(path.c_str(), message, sizeof message);
    ASSERT_NE(db, nullptr) << message;
    const VDB_Row rows[] = {{"NAME", "old", "new", 1}, {"PASS", "admin", "s3cret", 0}, {"C1_BAUD", nullptr, "7", 1}};
    ASSERT_EQ(VDB_AppendWrite(db, nullptr, "python", "127.0.0.2", "", nullptr, rows, 3, message, sizeof message), 1);
    VDB_Close(db);

    std::vector<vdfleet::AuditRow> found;
    ASSERT_TRUE(vdfleet::FleetDb::Open(path, error)->Audit({}, found, error)) << error;
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[1].before + " " + found[1].after, "(changed) (changed)");
    EXPECT_FALSE(found[1].confirmed);
    EXPECT_EQ(found[2].before, "");
    for (const vdfleet::AuditRow &r : found) {
        EXPECT_EQ(r.mac, "02:56:44:00:00:02");  // the inventory's, for the address
        EXPECT_EQ(r.channel, "python");
        EXPECT_FALSE(r.actor.empty());
        EXPECT_EQ(r.operation.size(), 16u);
        EXPECT_EQ(r.operation, found[0].operation);
        EXPECT_EQ(r.time, found[0].time);
    }
}

}  // namespace

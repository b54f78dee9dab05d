// A simulated fleet for the fleet interface's tests: the members of a fleet
// text (vandrel-sim's --fleet lines), started in this process and stopped
// at the end, with their rows and their logs.
#ifndef VANDREL_TESTS_FLEET_FIXTURE_H
#define VANDREL_TESTS_FLEET_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim_fleet.h"

namespace vdtest {

struct SimFleet {
    vdsim::FleetShared shared;
    std::vector<std::unique_ptr<vdsim::FleetMember>> members;
    std::vector<vdsim::FleetRow> rows;
    explicit SimFleet(const std::string &text) {
        std::vector<vdsim::FleetEntry> entries;
        std::string error;
        EXPECT_TRUE(vdsim::ParseFleet(text, entries, error)) << error;
        for (const auto &entry : entries) {
            members.push_back(vdsim::MakeMember(entry, shared, error));
            EXPECT_TRUE(members.back() && members.back()->Start()) << error;
            for (const auto &row : members.back()->Rows()) rows.push_back(row);
        }
    }
    // The generated fleet of size devices, both families by turns.
    explicit SimFleet(int size) : SimFleet(vdsim::GeneratedFleetText(size)) {}
    ~SimFleet() {
        for (auto &member : members) member->Stop();
    }
    // The log lines so far that hold word.
    std::vector<std::string> Lines(const std::string &word) {
        std::vector<std::string> lines, found;
        for (auto &member : members) member->TakeLog(lines);
        for (const auto &line : lines)
            if (line.find(word) != std::string::npos) found.push_back(line);
        return found;
    }
};

}  // namespace vdtest

#endif

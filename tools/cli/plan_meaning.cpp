#include "plan_meaning.h"

#include <set>

#include "vandrel_rules.h"

namespace vdcli {

namespace {

std::string Takes(int type, const std::string &key) {
    char takes[VR_MESSAGE_LEN] = "";
    VR_Takes(type, key.c_str(), takes, sizeof takes);
    return takes;
}

// A text means the same on both families whatever its length (a value too
// long for one device is refused by that device's own check); numbers with
// other ranges are other things, such as a baud rate's code and the rate.
std::string Meaning(const std::string &takes) {
    const std::string head = "at most ", tail = " characters";
    const bool text = takes.size() > head.size() + tail.size() && takes.compare(0, head.size(), head) == 0 &&
                      takes.compare(takes.size() - tail.size(), tail.size(), tail) == 0;
    return text ? "text" : takes;
}

const char *FamilyName(Family f) { return f == Family::A ? "A" : "B"; }

// What a device of family f among the jobs takes for key.
std::string OtherTakes(const std::vector<Job> &jobs, Family f, const std::string &key) {
    for (const Job &j : jobs)
        if (FamilyOf(j.target.type) == f) {
            const std::string takes = Takes(j.target.type, key);
            if (!takes.empty()) return takes;
        }
    return "";
}

}  // namespace

void RefuseChangedMeanings(const Plan &plan, std::vector<Job> &jobs) {
    for (const auto &setting : plan.settings) {
        std::set<std::string> taken[2];  // by family A, by family B
        for (const Job &j : jobs)
            if (j.outcome == Outcome::Pending && FamilyOf(j.target.type) != Family::None) {
                const std::string takes = Takes(j.target.type, setting.first);
                if (!takes.empty()) taken[FamilyOf(j.target.type) == Family::B].insert(Meaning(takes));
            }
        if (taken[0].empty() || taken[1].empty() || taken[0] == taken[1]) continue;
        for (Job &j : jobs) {
            std::string value;
            if (j.outcome != Outcome::Pending || !FindPair(j.settings, setting.first, value) || value != setting.second)
                continue;
            const Family own = FamilyOf(j.target.type), other = own == Family::A ? Family::B : Family::A;
            const std::string takes = Takes(j.target.type, setting.first);
            if (takes.empty()) continue;
            j.outcome = Outcome::Refused;
            j.detail += (j.detail.empty() ? "" : ", ") + setting.first + " refused";
            j.refusals.push_back(setting.first + "=" + setting.second + ": a setting for every device of the plan, " +
                                 "which this one (family " + FamilyName(own) + ") takes as " + takes +
                                 " and its family " + FamilyName(other) + " devices as " +
                                 OtherTakes(jobs, other, setting.first) + ": give it per device");
        }
    }
}

}  // namespace vdcli

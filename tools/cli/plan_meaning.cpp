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

const char *FamilyName(Family f) { return f == Family::A ? "A" : "B"; }

}  // namespace

void RefuseChangedMeanings(const Plan &plan, std::vector<Job> &jobs) {
    for (const auto &setting : plan.settings) {
        std::set<std::string> taken[2];  // by family A, by family B
        for (const Job &j : jobs)
            if (j.outcome == Outcome::Pending && FamilyOf(j.target.type) != Family::None) {
                const std::string takes = Takes(j.target.type, setting.first);
                if (!takes.empty()) taken[FamilyOf(j.target.type) == Family::B].insert(takes);
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
                                 *taken[other == Family::B].begin() + ": give it per device");
        }
    }
}

}  // namespace vdcli

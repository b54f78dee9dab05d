// The devices of an apply: the plan's entries resolved to devices, with a
// search when the plan does not say a device's type or its other address,
// and each device's settings and password put together from the plan.
#ifndef VANDREL_CLI_APPLY_JOBS_H
#define VANDREL_CLI_APPLY_JOBS_H

#include <functional>
#include <string>
#include <vector>

#include "device.h"
#include "fleet.h"
#include "json_read.h"
#include "plan.h"

namespace vdcli {

enum class Outcome { Pending, ToChange, Unchanged, Ok, Failed, NotFound, Refused, NotDone };

struct Job {
    std::string label;  // the device's address, or the selector that found none
    std::string where;  // the plan entries that name it
    Target target;
    std::string password;
    Pairs settings;
    Outcome outcome = Outcome::Pending;
    std::string detail;
    std::vector<std::string> refusals;  // why the checks refuse its settings
    JsonValue changes = JsonValue::array();  // as the device's check or write reported them
    // What its check read and judged: the MAC, and the settings to send.
    std::string mac;
    Pairs held;
    std::vector<Setting> send;
};

// What apply and drift begin with: --jobs (devices at once), --wait (for the
// search) and the plan the first argument names, which must name a device.
// False once the message is out, with the exit status in exitStatus.
struct PlanRun {
    std::string path;
    Plan plan;
    long long atOnce = 1;
    long long waitMs = 0;
};
bool ReadPlanRun(const Args &args, const Printer &out, PlanRun &run, int &exitStatus);

// The jobs of a plan, in plan order. search is called only when the plan
// needs it, and its answers are kept in fleet. password serves the devices
// whose entries give none (null: there is none). False with a message for a plan
// that names a device twice or leaves one without a password; true
// otherwise, with unanswered devices as NotFound jobs.
bool ResolveJobs(const Plan &plan, const std::string *password, const std::function<std::vector<FoundDevice>()> &search,
                 Fleet &fleet, std::vector<Job> &jobs, std::string &error);

// The password for devices whose entries give none: --password, else the
// plan's, else VANDREL_PASSWORD; null when there is none.
const std::string *FallbackPassword(const Args &args, const Plan &plan, std::string &password);

}  // namespace vdcli

#endif

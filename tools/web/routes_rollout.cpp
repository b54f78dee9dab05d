// The latest firmware rollout of the fleet database, as the page's rollout
// view shows it (its waves and their devices by state), and its pause,
// resume and abort. A pause or an abort is asked of the rollout through the
// database: the rollout's own process takes it before its next wave, so a
// wave under way ends whole. A resume runs the tool's rollout --resume in
// this process, and only once the rollout's process has stopped. Whether it
// runs, its lock on a file beside the database tells.
#include <algorithm>
#include <map>

#include "dashboard.h"
#include "guard.h"
#include "http_json.h"
#include "time_text.h"
#include "tool_run.h"

namespace vdweb {

namespace {

// The devices an answer lists, in their order; the waves count them all.
constexpr size_t kListedDevices = 1000;

JsonValue Waves(const std::vector<vdfleet::RolloutDevice> &devices) {
    std::map<int, std::map<std::string, int>> waves;
    for (const vdfleet::RolloutDevice &d : devices) ++waves[d.wave][d.state];
    JsonValue out = JsonValue::array();
    for (const auto &wave : waves) {
        JsonValue states = JsonValue::object();
        int total = 0;
        for (const char *state : vdfleet::kRolloutStates) {
            const auto found = wave.second.find(state);
            const int n = found == wave.second.end() ? 0 : found->second;
            states[state] = n;
            total += n;
        }
        out.push_back({{"wave", wave.first}, {"devices", total}, {"states", states}});
    }
    return out;
}

void Show(Dashboard &d, httplib::Response &res) {
    vdfleet::RolloutPlan plan;
    std::vector<vdfleet::RolloutDevice> devices;
    std::string error;
    if (!d.memory.LastRollout(plan, devices, error)) return SendError(res, d.memory.On() ? 500 : 404, error);
    if (plan.id == 0) return SendJson(res, 200, {{"rollout", nullptr}});
    JsonValue images = JsonValue::array(), listed = JsonValue::array();
    for (const std::string &image : plan.images) images.push_back(image.substr(image.find_last_of('/') + 1));
    for (size_t i = 0; i < std::min(devices.size(), kListedDevices); ++i) {
        const vdfleet::RolloutDevice &r = devices[i];
        listed.push_back({{"ip", r.ip}, {"mac", r.mac}, {"wave", r.wave}, {"state", r.state}, {"before", r.before},
                          {"after", r.after}});
    }
    const JsonValue rollout = {{"id", plan.id}, {"created", vdcli::IsoTime(plan.created)},
                               {"version", plan.expectVersion}, {"state", plan.state}, {"canary", plan.canary},
                               {"max_failures", plan.maxFailures}, {"images", images}, {"waves", Waves(devices)},
                               {"devices", listed}, {"cut", devices.size() > kListedDevices}};
    // The devices' texts are their bytes, which JsonText spells.
    res.set_content(vdcli::JsonText(JsonValue::object({{"rollout", rollout}})), "application/json");
}

// Moves the rollout the body names (id), which must be the latest, by the
// first of the moves whose state it is in (running's while its process
// runs, idle's when none does); the state it took, or "" after answering.
std::string Move(Dashboard &d, const httplib::Request &req, httplib::Response &res, FleetMemory::RolloutMoves running,
                 FleetMemory::RolloutMoves idle, const char *verb, long long &id) {
    JsonValue body;
    id = 0;
    if (!ReadObject(req, res, {{"rollout", Kind::Number}}, body) ||
        !NumberField(body, "rollout", 1, 1LL << 53, res, id))
        return "";
    bool latest = false, moved = false;
    std::string state, error;
    if (!d.memory.MoveRollout(id, running, idle, latest, moved, state, error))
        return SendError(res, d.memory.On() ? 500 : 404, error), "";
    if (!latest) return SendError(res, 409, "rollout " + std::to_string(id) + " is not the latest rollout"), "";
    if (!moved) return SendError(res, 409, "rollout " + std::to_string(id) + " is " + state + ": it cannot be " + verb), "";
    return state;
}

// A pause or an abort: the state the rollout took.
void Asked(const httplib::Request &req, httplib::Response &res, Dashboard &d, FleetMemory::RolloutMoves running,
           FleetMemory::RolloutMoves idle, const char *verb) {
    long long id = 0;
    const std::string state = Move(d, req, res, running, idle, verb, id);
    if (!state.empty()) SendJson(res, 200, {{"state", state}});
}

void Resume(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    long long id = 0;
    if (Move(d, req, res, {}, {{"paused", "running"}, {"pausing", "running"}, {"running", "running"}}, "resumed", id)
            .empty())
        return;
    const std::string user = UserOf(d, req);
    const int operation = d.operations.Start("rollout", user, [&d, user](OperationLog &log) {
        const ToolReply reply = RunHere(d.workers, d.memory.Recorded({"firmware", "rollout", "--resume"}, user));
        log.Set("status", reply.status);
        log.Set("result", reply.doc);
    });
    if (operation == 0) {
        // Not queued: nothing will run it, so it stays paused.
        bool latest = false, moved = false;
        std::string state, error;
        d.memory.MoveRollout(id, {{"running", "paused"}}, {{"running", "paused"}}, latest, moved, state, error);
    }
    SendStarted(res, operation);
}

}  // namespace

void AddRolloutRoutes(httplib::Server &server, Dashboard &d) {
    server.Get("/api/rollout", [&d](const httplib::Request &, httplib::Response &res) { Show(d, res); });
    // A rollout without its process takes a pause or an abort at once.
    server.Post("/api/rollout/pause", [&d](const httplib::Request &req, httplib::Response &res) {
        Asked(req, res, d, {{"running", "pausing"}}, {{"running", "paused"}, {"pausing", "paused"}}, "paused");
    });
    server.Post("/api/rollout/abort", [&d](const httplib::Request &req, httplib::Response &res) {
        Asked(req, res, d, {{"paused", "aborted"}, {"running", "aborting"}, {"pausing", "aborting"}},
              {{"paused", "aborted"}, {"running", "aborted"}, {"pausing", "aborted"}, {"aborting", "aborted"}},
              "aborted");
    });
    server.Post("/api/rollout/resume", [&d](const httplib::Request &req, httplib::Response &res) { Resume(d, req, res); });
}

}  // namespace vdweb

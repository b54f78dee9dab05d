// Many devices: a plan applied as 'apply' does (every device checked first,
// nothing written when the checks refuse any), a restart, a firmware
// download. Each device is served by a worker process, at most "jobs" at
// once, and reported to the page as it ends.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "codec/codec.h"
#include "dashboard.h"
#include "guard.h"
#include "http_json.h"

namespace vdweb {

namespace {

constexpr long long kMaxJobs = 64;

bool IsVersion(const std::string &text) { return text.size() < 64; }

std::string Text(const JsonValue &d, const char *key) {
    return d.contains(key) && d[key].is_string() ? d[key].get<std::string>() : "";
}

JsonValue RowFor(const std::string &device, int type, const std::string &result, const std::string &detail) {
    return {{"device", device}, {"type", type}, {"result", result}, {"detail", detail}};
}

// The password the plan gives a device: its entry's, else the plan's.
std::string PasswordFor(const JsonValue &plan, const std::string &device) {
    if (plan.contains("devices") && plan["devices"].is_array())
        for (const JsonValue &e : plan["devices"])
            if (e.is_object() && (Text(e, "ip") == device || Text(e, "mac") == device) && e.contains("password"))
                return Text(e, "password");
    return Text(plan, "password");
}

// A plan of one checked device with the changes its check found.
JsonValue OneDevicePlan(const JsonValue &plan, const JsonValue &row) {
    const std::string device = Text(row, "device");
    JsonValue settings = JsonValue::object();
    for (const JsonValue &c : row["changes"]) settings[Text(c, "key")] = Text(c, "to");
    JsonValue entry = {{device.size() == 17 ? "mac" : "ip", device}, {"type", row["type"]}, {"settings", settings}};
    return {{"password", PasswordFor(plan, device)}, {"devices", JsonValue::array({entry})}};
}

void ApplyBody(const JsonValue &plan, int jobs, bool force, Dashboard &d, OperationLog &log) {
    std::vector<std::string> check = {"apply", "-", "--dry-run", "--jobs", std::to_string(jobs)};
    if (force) check.push_back("--force");
    const ToolReply checked = RunTool(d.workers, ToolTask(check, plan.dump()));
    log.Set("check", checked.doc);
    const JsonValue devices = checked.doc.contains("devices") ? checked.doc["devices"] : JsonValue::array();
    log.Total(devices.size());
    std::vector<vdcli::WorkerTask> tasks;
    std::vector<JsonValue> checkedRows;
    for (const JsonValue &row : devices) {
        // Refused by the checks: nothing is written to any device.
        if (checked.status != 0 && checked.status != 1) {
            log.Row(row);
            continue;
        }
        if (Text(row, "result") != "to change") {
            log.Row(row);
            continue;
        }
        std::vector<std::string> write = {"apply", "-"};
        if (force) write.push_back("--force");
        tasks.push_back(ToolTask(write, OneDevicePlan(plan, row).dump()));
        checkedRows.push_back(row);
    }
    RunTools(d.workers, tasks, jobs, [&](size_t i, const vdcli::WorkerResult &r) {
        const ToolReply written = ReplyOf(r);
        if (written.doc.contains("devices") && written.doc["devices"].is_array() && !written.doc["devices"].empty()) {
            JsonValue row = written.doc["devices"][0];
            d.fleet.NoteName(Text(row, "device"), row);
            row["plan"] = checkedRows[i]["plan"];  // where the whole plan names it
            log.Row(row);
        } else
            log.Row(RowFor(Text(checkedRows[i], "device"), checkedRows[i].value("type", 0), "failed",
                           Text(written.doc, "error")));
    });
}

// Runs one command per device and reports each as ok or failed.
void EachDevice(const std::vector<std::string> &devices, const std::function<vdcli::WorkerTask(const std::string &)> &task,
                const std::string &done, Dashboard &d, int jobs, OperationLog &log) {
    std::vector<vdcli::WorkerTask> tasks;
    for (const std::string &device : devices) tasks.push_back(task(device));
    RunTools(d.workers, tasks, jobs, [&](size_t i, const vdcli::WorkerResult &r) {
        const ToolReply reply = ReplyOf(r);
        log.Row(RowFor(devices[i], d.fleet.TypeOf(devices[i]), reply.status == 0 ? "ok" : "failed",
                       reply.status == 0 ? done : Text(reply.doc, "error")));
    });
}

std::vector<std::string> Typed(Dashboard &d, std::vector<std::string> args, const std::string &device) {
    if (const int type = d.fleet.TypeOf(device)) args.insert(args.end(), {"--type", std::to_string(type)});
    return args;
}

void Started(httplib::Response &res, int id) {
    if (id == 0) return SendError(res, 503, "too many operations are waiting; try again when some have ended");
    SendJson(res, 202, {{"operation", id}});
}

void Apply(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    JsonValue body;
    long long jobs = 8;
    bool force = false, dryRun = false;
    if (!ReadObject(req, res, body) || !NumberField(body, "jobs", 1, kMaxJobs, res, jobs) ||
        !FlagField(body, "force", res, force) || !FlagField(body, "dry_run", res, dryRun))
        return;
    if (!body.contains("plan") || !body["plan"].is_object())
        return SendError(res, 400, "\"plan\" must be a plan, as 'apply' reads it in JSON");
    const JsonValue plan = body["plan"];
    if (dryRun) {
        std::vector<std::string> args = {"apply", "-", "--dry-run", "--jobs", std::to_string(jobs)};
        if (force) args.push_back("--force");
        return SendReply(res, RunTool(d.workers, ToolTask(args, plan.dump())));
    }
    Started(res, d.operations.Start("apply", [&d, plan, jobs, force](OperationLog &log) {
        ApplyBody(plan, int(jobs), force, d, log);
    }));
}

void Restart(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    JsonValue body;
    std::vector<std::string> devices;
    long long jobs = 8;
    if (!ReadObject(req, res, body) || !TextList(body, "devices", IsAddress, "a device's address", res, devices) ||
        !NumberField(body, "jobs", 1, kMaxJobs, res, jobs))
        return;
    Started(res, d.operations.Start("restart", [&d, devices, jobs](OperationLog &log) {
        log.Total(devices.size());
        EachDevice(devices, [&](const std::string &device) { return ToolTask(Typed(d, {"restart", device}, device)); },
                   "restart sent", d, int(jobs), log);
    }));
}

// Body: the image. Parameters: devices (addresses separated by commas), skip
// (devices already at this version are left alone), transport (tcp or udp).
void Firmware(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    const std::string refused = vd::ImagesRefusal({req.body.size()});
    if (req.body.empty() || !refused.empty())
        return SendError(res, 413, req.body.empty() ? "the image is empty" : refused);
    JsonValue list = JsonValue::array();
    std::string devicesText = req.get_param_value("devices");
    for (size_t at = 0; at <= devicesText.size();) {
        const size_t end = std::min(devicesText.find(',', at), devicesText.size());
        if (end > at) list.push_back(devicesText.substr(at, end - at));
        at = end + 1;
    }
    std::vector<std::string> devices;
    if (!TextList({{"devices", list}}, "devices", IsAddress, "a device's address", res, devices)) return;
    const std::string skip = req.get_param_value("skip"), transport = req.get_param_value("transport");
    if (!IsVersion(skip) || (transport != "" && transport != "tcp" && transport != "udp"))
        return SendError(res, 400, "transport is tcp or udp");
    const std::filesystem::path image = std::filesystem::temp_directory_path() / ("vandrel-web-" + NewToken() + ".bin");
    std::ofstream(image, std::ios::binary).write(req.body.data(), std::streamsize(req.body.size()));
    const int id = d.operations.Start("firmware", [&d, devices, skip, transport, image](OperationLog &log) {
        log.Total(devices.size());
        std::vector<std::string> wanted;
        for (const std::string &device : devices) {
            if (!skip.empty() && d.fleet.VersionOf(device) == skip)
                log.Row(RowFor(device, d.fleet.TypeOf(device), "skipped", "already at " + skip));
            else
                wanted.push_back(device);
        }
        EachDevice(wanted, [&](const std::string &device) {
            std::vector<std::string> args = Typed(d, {"firmware", "download", device, image.string()}, device);
            if (transport == "tcp") args.push_back("--tcp");
            return ToolTask(args);
        }, "downloaded", d, 4, log);
        std::error_code ignored;
        std::filesystem::remove(image, ignored);
    });
    std::error_code ignored;
    if (id == 0) std::filesystem::remove(image, ignored);  // not queued: nothing will read it
    Started(res, id);
}

}  // namespace

void AddBatchRoutes(httplib::Server &server, Dashboard &d) {
    server.Post("/api/apply", [&d](const httplib::Request &req, httplib::Response &res) { Apply(d, req, res); });
    server.Post("/api/restart", [&d](const httplib::Request &req, httplib::Response &res) { Restart(d, req, res); });
    server.Post("/api/firmware", [&d](const httplib::Request &req, httplib::Response &res) { Firmware(d, req, res); });
}

}  // namespace vdweb

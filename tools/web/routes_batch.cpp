// Many devices: a plan applied as 'apply' does (every device checked first,
// nothing written when the checks refuse any), in this process
// (bulk_apply.h); a restart and a firmware download over UDP, in this
// process too (bulk_commands.h); a download over TCP, each device by a
// worker process. At most "jobs" devices are served at once, and each is
// reported to the page as it ends.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <cctype>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bulk_apply.h"
#include "bulk_commands.h"
#include "codec/codec.h"
#include "dashboard.h"
#include "device_batch.h"
#include "guard.h"
#include "http_json.h"

namespace vdweb {

namespace {

constexpr long long kMaxJobs = 64;
// Downloads under way at once: in this process each sends its chunks as
// fast as its device acknowledges them; over TCP each is a worker process.
constexpr int kDownloadsAtOnce = 16;
constexpr int kTcpDownloadsAtOnce = 4;

bool IsVersion(const std::string &text) { return text.size() < 64; }

std::string Text(const JsonValue &d, const char *key) {
    return d.contains(key) && d[key].is_string() ? d[key].get<std::string>() : "";
}

// The operation that the audit rows of all its devices name.
std::string AuditOperation() { return NewToken().substr(0, 16); }

// Runs one command per device and reports each as ok or failed.
void EachDevice(const std::vector<std::string> &devices, const std::function<vdcli::WorkerTask(const std::string &)> &task,
                const std::string &done, Dashboard &d, int jobs, OperationLog &log) {
    std::vector<vdcli::WorkerTask> tasks;
    for (const std::string &device : devices) tasks.push_back(task(device));
    RunTools(d.workers, tasks, jobs, [&](size_t i, const vdcli::WorkerResult &r) {
        const ToolReply reply = ReplyOf(r);
        log.Row(DeviceRow(devices[i], d.fleet.TypeOf(devices[i]), reply.status == 0 ? "ok" : "failed",
                       reply.status == 0 ? done : Text(reply.doc, "error")));
    });
}

std::vector<std::string> Typed(Dashboard &d, std::vector<std::string> args, const std::string &device) {
    if (const int type = d.fleet.TypeOf(device)) args.insert(args.end(), {"--type", std::to_string(type)});
    return args;
}

// An uploaded image's own file name, which the download hands the device:
// letters, digits and . _ - +, not starting with a dot, at most 64.
bool IsImageName(const std::string &name) {
    if (name.empty() || name.size() > 64 || name[0] == '.') return false;
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-' && c != '+') return false;
    return true;
}

// A file of this user's alone, new, and closed on exec: no worker started
// meanwhile holds it open.
bool SaveImage(const std::filesystem::path &path, const std::string &bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    size_t done = 0;
    for (ssize_t n = 0; done < bytes.size() && (n = write(fd, bytes.data() + done, bytes.size() - done)) > 0;)
        done += size_t(n);
    return close(fd) == 0 && done == bytes.size();
}

// The names of the parameters in a request's address, each with an empty
// text: the library adds those of a body sent as a form (an image's bytes,
// from curl --data-binary) to the request's parameters.
JsonValue QueryNames(const std::string &target) {
    JsonValue names = JsonValue::object();
    const size_t query = std::min(target.find('?'), target.size());
    for (size_t at = query + 1; at < target.size();) {
        const size_t end = std::min(target.find('&', at), target.size());
        if (end > at) names[target.substr(at, std::min(target.find('=', at), end) - at)] = "";
        at = end + 1;
    }
    return names;
}

void Apply(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    JsonValue body;
    BulkPlan bulk;
    bool dryRun = false;
    bulk.atOnce = vdcli::DefaultAtOnce();
    if (!ReadObject(req, res, {{"plan", Kind::Object}, {"jobs", Kind::Number}, {"force", Kind::Flag},
                               {"dry_run", Kind::Flag}}, body) ||
        !NumberField(body, "jobs", 1, vdcli::kMaxAtOnce, res, bulk.atOnce))
        return;
    FlagField(body, "force", bulk.force);
    FlagField(body, "dry_run", dryRun);
    if (!body.contains("plan") || !body["plan"].is_object())
        return SendError(res, 400, "\"plan\" must be a plan, as 'apply' reads it in JSON");
    bulk.plan = body["plan"];
    bulk.user = UserOf(d, req);
    if (dryRun) return SendReply(res, ApplyPlan(d, bulk, true, nullptr, nullptr));
    SendStarted(res, d.operations.Start("apply", bulk.user, [&d, bulk](OperationLog &log) mutable {
        bulk.operation = AuditOperation();
        ApplyPlan(d, bulk, false, [&](const ToolReply &checked) {
            log.Set("check", checked.doc);
            log.Total(checked.doc.value("devices", JsonValue::array()).size());
        }, [&](const JsonValue &row) { log.Row(row); });
    }));
}

void Restart(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    JsonValue body;
    std::vector<std::string> devices;
    long long jobs = 8;
    if (!ReadObject(req, res, {{"devices", Kind::List}, {"jobs", Kind::Number}}, body) ||
        !TextList(body, "devices", IsAddress, "a device's address", res, devices) ||
        !NumberField(body, "jobs", 1, kMaxJobs, res, jobs))
        return;
    for (std::string &device : devices) device = TableAddress(device);
    const std::string user = UserOf(d, req);
    SendStarted(res, d.operations.Start("restart", user, [&d, devices, jobs, user](OperationLog &log) {
        log.Total(devices.size());
        RestartDevices(d, {devices, jobs, user, AuditOperation()}, log);
    }));
}

// Body: the image. Parameters: devices (addresses separated by commas), skip
// (devices already at this version are left alone), transport (tcp or udp),
// name (the image's file name, image.bin when none is given).
void Firmware(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    if (!CheckFields(QueryNames(req.target),
                     {{"devices", Kind::Text}, {"skip", Kind::Text}, {"transport", Kind::Text}, {"name", Kind::Text}}, res))
        return;
    const std::string name = req.has_param("name") ? req.get_param_value("name") : "image.bin";
    if (!IsImageName(name))
        return SendError(res, 400, "name is the image's file name: letters, digits and . _ - +, at most 64, not starting with a dot");
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
    for (std::string &device : devices) device = TableAddress(device);
    const std::string skip = req.get_param_value("skip"), transport = req.get_param_value("transport");
    if (!IsVersion(skip) || (transport != "" && transport != "tcp" && transport != "udp"))
        return SendError(res, 400, "transport is tcp or udp");
    // Kept under its own name, in a folder of this download's alone.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("vandrel-web-image-" + NewToken());
    const std::filesystem::path image = folder / name;
    if (mkdir(folder.c_str(), 0700) != 0 || !SaveImage(image, req.body)) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return SendError(res, 500, "the image could not be kept for the download");
    }
    const std::string user = UserOf(d, req);
    const auto download = [&d, devices, skip, transport, folder, image, user](OperationLog &log) {
        log.Total(devices.size());
        const std::string audit = AuditOperation();
        std::vector<std::string> wanted;
        for (const std::string &device : devices) {
            if (!skip.empty() && d.fleet.VersionOf(device) == skip)
                log.Row(DeviceRow(device, d.fleet.TypeOf(device), "skipped", "already at " + skip));
            else
                wanted.push_back(device);
        }
        if (transport != "tcp") {
            DownloadImage(d, {wanted, kDownloadsAtOnce, user, audit}, image.string(), log);
        } else {
            EachDevice(wanted, [&](const std::string &device) {
                return ToolTask(d.memory.Recorded(
                    Typed(d, {"firmware", "download", device, image.string(), "--tcp"}, device), user, audit));
            }, "downloaded", d, kTcpDownloadsAtOnce, log);
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    };
    const int id = d.operations.Start("firmware", user, download);
    std::error_code ignored;
    if (id == 0) std::filesystem::remove_all(folder, ignored);  // not queued: nothing will read it
    SendStarted(res, id);
}

}  // namespace

void AddBatchRoutes(httplib::Server &server, Dashboard &d) {
    server.Post("/api/apply", [&d](const httplib::Request &req, httplib::Response &res) { Apply(d, req, res); });
    server.Post("/api/restart", [&d](const httplib::Request &req, httplib::Response &res) { Restart(d, req, res); });
    server.Post("/api/firmware", [&d](const httplib::Request &req, httplib::Response &res) { Firmware(d, req, res); });
}

}  // namespace vdweb

#include "bulk_commands.h"

#include "records.h"
#include "device_batch.h"
#include "status.h"

namespace vdweb {

namespace {

// What one kind of command sends and what its row says.
struct CommandKind {
    vdcli::BatchItem item;   // its task, command and files; no device yet
    std::string audited;     // the parameter its audit row names
    std::string sent;        // the detail of a device that took it
    std::string failed;      // the detail of one that did not
};

std::string FailureOf(int result, const CommandKind &kind, int type) {
    if (result == VD_WRONG_FAMILY)
        return vdcli::CodeMessage(result) + " (type " + std::to_string(type) + " takes no such command)";
    return result == VD_TIMEOUT ? vdcli::CodeMessage(result) : kind.failed;
}

// The device as the fleet names it, its family's address; false when the
// table does not hold it (no search has told its type).
bool TargetOf(const Dashboard &d, const std::string &device, vdcli::Target &target) {
    SeenDevice seen;
    if (!d.fleet.Find(device, seen) || seen.type == 0) return false;
    target.addr.isMac = seen.family == "B";
    target.addr.text = target.addr.isMac ? seen.mac : seen.ip;
    target.type = seen.type;
    return !target.addr.text.empty();
}

void RunEach(Dashboard &d, const BulkDevices &bulk, const CommandKind &kind, OperationLog &log) {
    vdcli::Args args;
    std::string error;
    if (!d.memory.Recording(bulk.user, bulk.operation, args, error)) {
        for (const std::string &device : bulk.devices) log.Row(DeviceRow(device, 0, "failed", error));
        return;
    }
    const vdcli::Printer out("web", true);
    vdcli::Fleet fleet(args, out);
    std::vector<vdcli::BatchItem> items;
    std::vector<std::string> names;
    for (const std::string &device : bulk.devices) {
        vdcli::BatchItem item = kind.item;
        if (!TargetOf(d, device, item.target)) {
            log.Row(DeviceRow(device, 0, "failed", "not in the devices table: no search has found it"));
            continue;
        }
        items.push_back(std::move(item));
        names.push_back(device);
    }
    // What ends together is recorded together.
    fleet.Hold();
    vdcli::DeviceBatch batch(bulk.atOnce);
    batch.Run(items, [] { return false; }, [&](size_t i, int result, const vdcli::Pairs &) {
        const vdcli::Target &t = items[i].target;
        vdcli::RecordCommand(fleet, t, kind.item.command, kind.audited, result == VD_OK);
        log.Row(DeviceRow(names[i], t.type, result == VD_OK ? "ok" : "failed",
                          result == VD_OK ? kind.sent : FailureOf(result, kind, t.type)));
    }, [&] { fleet.Flush(); });
    d.counters.Wire(batch.Wire());
}

}  // namespace

JsonValue DeviceRow(const std::string &device, int type, const std::string &result, const std::string &detail) {
    return {{"device", device}, {"type", type}, {"result", result}, {"detail", detail}};
}

void RestartDevices(Dashboard &d, const BulkDevices &bulk, OperationLog &log) {
    CommandKind kind;
    kind.item.task = vdcli::BatchTask::Command;
    kind.item.command = "RESETDEV";
    kind.item.param = kind.audited = "1";
    kind.sent = "restart sent";
    kind.failed = vdcli::CommandFailure(false);
    RunEach(d, bulk, kind, log);
}

void DownloadImage(Dashboard &d, const BulkDevices &bulk, const std::string &image, OperationLog &log) {
    CommandKind kind;
    kind.item.task = vdcli::BatchTask::Download;
    kind.item.command = "DOWNLOAD";
    kind.item.images = {image};
    kind.audited = image.substr(image.rfind('/') + 1);
    kind.sent = "downloaded";
    kind.failed = vdcli::DownloadFailure();
    RunEach(d, bulk, kind, log);
}

}  // namespace vdweb

// The dashboard's restart and firmware download of many devices, run in
// this process on one fleet of the library (tools/cli/device_batch.h), at
// most "atOnce" devices under way: each device's end is its row of the
// operation, and a row of the audit trail as the tool's own restart and
// download leave one (tools/cli/records.h).
#ifndef VANDREL_WEB_BULK_COMMANDS_H
#define VANDREL_WEB_BULK_COMMANDS_H

#include <string>
#include <vector>

#include "dashboard.h"

namespace vdweb {

struct BulkDevices {
    std::vector<std::string> devices;  // by IP or MAC, as the table holds them
    long long atOnce = 8;
    std::string user, operation;  // whom and which operation the audit rows name
};

// One device's row of an operation: {"device", "type", "result", "detail"}.
JsonValue DeviceRow(const std::string &device, int type, const std::string &result, const std::string &detail);

// Sends each device the restart ("RESETDEV"), once.
void RestartDevices(Dashboard &d, const BulkDevices &bulk, OperationLog &log);

// Downloads the image file to each device (family A) over UDP; the device
// is told the file's own name.
void DownloadImage(Dashboard &d, const BulkDevices &bulk, const std::string &image, OperationLog &log);

}  // namespace vdweb

#endif

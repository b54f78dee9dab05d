#include "options.h"

#include <cstdlib>

#include "status.h"

namespace vdcli {

namespace {
constexpr long long kDefaultPort = 8800;
constexpr long long kDefaultWaitMs = 1000;
constexpr long long kMaxWaitMs = 60000;
}  // namespace

Option TypeOption() { return {"--type", "N", "device type code (default: ask the device with a search)"}; }

Option InterfaceOption() {
    return {"--interface", "NAME", "broadcast on this interface only (repeatable; default: every one)", true};
}

Option PasswordOption() {
    return {"--password", "TEXT", "the device's password (required: this or VANDREL_PASSWORD; '' for none)"};
}

bool PasswordOf(const Args &args, std::string &password) {
    const char *env = std::getenv("VANDREL_PASSWORD");
    if (!args.Has("--password") && !env) return false;
    password = args.Has("--password") ? args.Value("--password") : env;
    return true;
}

bool RequirePassword(const Args &args, const Printer &out, std::string &password, int &exitStatus) {
    if (PasswordOf(args, password)) return true;
    exitStatus = out.Fail("--password is required (or VANDREL_PASSWORD in the environment; --password '' for a "
                          "device without one)",
                          0, kExitUsage);
    return false;
}

bool NumberOf(const Args &args, const Printer &out, const std::string &name, long long min, long long max,
              const std::string &what, long long &value, int &exitStatus, long long fallback) {
    value = fallback;
    if (!args.Has(name) || ParseNumber(args.Value(name), min, max, value)) return true;
    exitStatus = out.Fail(name + " takes " + what, 0, kExitUsage);
    return false;
}

bool PortOf(const Args &args, const Printer &out, uint32_t &port, int &exitStatus) {
    long long value = 0;
    if (!NumberOf(args, out, "--port", 1, 65535, "a number from 1 to 65535", value, exitStatus, kDefaultPort))
        return false;
    port = uint32_t(value);
    return true;
}

bool WaitOf(const Args &args, const Printer &out, long long &waitMs, int &exitStatus) {
    return NumberOf(args, out, "--wait", 0, kMaxWaitMs, "milliseconds, 0 to 60000", waitMs, exitStatus, kDefaultWaitMs);
}

}  // namespace vdcli

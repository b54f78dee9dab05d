// Where show and set read and write a device: on the library's default
// context, with --password (or the environment) and standard input for "-";
// or, for a program that runs them in its own process beside others (the
// dashboard), on a fleet of the library, with the password and that input
// handed over and each read bounded by a time.
#ifndef VANDREL_CLI_DEVICE_PLACE_H
#define VANDREL_CLI_DEVICE_PLACE_H

#include <chrono>
#include <string>
#include <vector>

#include "device.h"
#include "device_batch.h"
#include "device_settings.h"
#include "settings_file.h"

namespace vdcli {

struct DevicePlace {
    DeviceBatch *batch = nullptr;  // null: the default context
    std::string password, input;
    std::chrono::steady_clock::time_point until = std::chrono::steady_clock::time_point::max();
};

struct Hosted;

// The place of a command run in a program's own process: batch, with the
// password and input the program handed over; no time bound (show sets one).
DevicePlace OnFleet(DeviceBatch &batch, const Hosted &hosted);

// A settings file, or for "-" on a fleet the input handed over.
bool LoadFrom(const DevicePlace &place, const std::string &path, SettingsFile &file, std::string &error);

// Every pair of a read of t ("PASS" left out on a fleet, where the read ends
// by place.until); a VD_ code.
int ReadSettings(const DevicePlace &place, const Target &t, Pairs &pairs);

// Writes the settings' values, guarded by password, confirmed by the
// library's read back; after a write that was not confirmed (VD_FAIL),
// notTaken gets the pairs the device was not seen to hold.
int WriteSettings(const DevicePlace &place, const Target &t, const std::string &password,
                  const std::vector<Setting> &send, Pairs &notTaken);

}  // namespace vdcli

#endif

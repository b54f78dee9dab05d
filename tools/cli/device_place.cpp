#include "device_place.h"

#include <algorithm>

#include "commands.h"
#include "vandrel.h"

namespace vdcli {

DevicePlace OnFleet(DeviceBatch &batch, const Hosted &hosted) {
    DevicePlace place;
    place.batch = &batch;
    place.password = hosted.password;
    place.input = hosted.input;
    return place;
}

bool LoadFrom(const DevicePlace &place, const std::string &path, SettingsFile &file, std::string &error) {
    if (place.batch && path == "-") return ParseSettingsFile(path, place.input, file, error);
    return LoadSettingsFile(path, file, error);
}

int ReadSettings(const DevicePlace &place, const Target &t, Pairs &pairs) {
    if (place.batch) {
        using namespace std::chrono;
        BatchItem item = SettingsItem(t);
        const long long left = duration_cast<milliseconds>(place.until - steady_clock::now()).count();
        item.deadlineMs = uint32_t(std::max(1LL, std::min<long long>(left, item.deadlineMs)));
        return place.batch->RunOne(item, pairs);
    }
    const int r = ReadDevice(t);
    if (r == VD_OK) pairs = TakeAll();
    return r;
}

int WriteSettings(const DevicePlace &place, const Target &t, const std::string &password,
                  const std::vector<Setting> &send, Pairs &notTaken) {
    if (place.batch) {
        BatchItem item = SettingsItem(t, password);
        for (const Setting &s : send) item.pairs.emplace_back(s.key, s.value);
        return place.batch->RunOne(item, notTaken);
    }
    // Staged on the default context, then written; a write that was not
    // confirmed leaves what did not take staged, which the reset forgets.
    VD_ResetModifyConfigUDP();
    for (const Setting &s : send) VD_SetModifyConfigUDP(s.key.c_str(), s.value.c_str());
    const int r = t.addr.isMac ? VD_ModifyDevUDPbyMAC(t.addr.text.c_str(), password.c_str(), t.type)
                               : VD_ModifyDevUDPbyIP(t.addr.text.c_str(), password.c_str(), t.type);
    if (r == VD_FAIL) notTaken = TakeAll();
    VD_ResetModifyConfigUDP();
    return r;
}

}  // namespace vdcli

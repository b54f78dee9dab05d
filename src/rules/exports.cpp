// The rules' C interface: the C++ checks behind it, and no exception out.
#include "vandrel_rules.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "codec/codec.h"
#include "rules/address_range.h"
#include "rules/firmware_version.h"
#include "rules/key_names.h"
#include "rules/reported_type.h"
#include "rules/setting_check.h"

static_assert(int(vd::Verdict::Change) == VR_CHANGE && int(vd::Verdict::Unchanged) == VR_UNCHANGED &&
                  int(vd::Verdict::Altered) == VR_ALTERED && int(vd::Verdict::UnknownKey) == VR_UNKNOWN_KEY &&
                  int(vd::Verdict::ReadOnly) == VR_READ_ONLY && int(vd::Verdict::Identity) == VR_IDENTITY &&
                  int(vd::Verdict::Control) == VR_CONTROL && int(vd::Verdict::UnknownType) == VR_UNKNOWN_TYPE &&
                  int(vd::Verdict::NotAllowed) == VR_NOT_ALLOWED,
              "the C verdicts are the C++ ones");

extern "C" {

int32_t VR_CheckSetting(int32_t type, const char *key, const char *value, const char *current, char *stored,
                        size_t storedRoom, char *message, size_t messageRoom) {
    try {
        const vd::SettingCheck check = vd::CheckSetting(type, vd::OrEmpty(key), vd::OrEmpty(value), current);
        vd::CopyText(stored, storedRoom, check.stored);
        vd::CopyText(message, messageRoom, check.message);
        return static_cast<int32_t>(check.verdict);
    } catch (...) {
        vd::CopyText(message, messageRoom, "out of memory");
        return -1;
    }
}

int32_t VR_ControlRefusal(const char *key, const char *value, size_t valueLength, char *message,
                          size_t messageRoom) {
    try {
        const std::string bytes = value ? std::string(value, valueLength) : std::string();
        // A type code of neither family: only the rules that hold for every type.
        const vd::SettingCheck check = vd::CheckSetting(0, vd::OrEmpty(key), bytes, nullptr);
        const bool refused = check.verdict == vd::Verdict::Control;
        vd::CopyText(message, messageRoom, refused ? check.message : "");
        return refused ? 1 : 0;
    } catch (...) {
        vd::CopyText(message, messageRoom, "out of memory");
        return -1;
    }
}

int32_t VR_AddressRange(const char *text, uint32_t *first, uint32_t *count, char *message, size_t messageRoom) {
    try {
        vd::AddressRange range;
        std::string why;
        const bool valid = vd::ParseAddressRange(vd::OrEmpty(text), range, why);
        if (first) *first = range.first;
        if (count) *count = range.count;
        vd::CopyText(message, messageRoom, why);
        return valid ? 1 : 0;
    } catch (...) {
        vd::CopyText(message, messageRoom, "out of memory");
        return -1;
    }
}

int32_t VR_ReportedType(int32_t given, const char *reported, char *message, size_t messageRoom) {
    try {
        const std::string why = vd::ReportedTypeRefusal(given, vd::OrEmpty(reported));
        vd::CopyText(message, messageRoom, why);
        return why.empty() ? 1 : 0;
    } catch (...) {
        vd::CopyText(message, messageRoom, "out of memory");
        return -1;
    }
}

int32_t VR_FirmwareVersion(const char *text) {
    try {
        return text ? vd::FirmwareVersion(text) : -1;
    } catch (...) {
        return -1;
    }
}

int32_t VR_FirmwareImages(const uint64_t *sizes, uint32_t count, char *message, size_t messageRoom) {
    try {
        const std::string why =
            sizes ? vd::ImagesRefusal(std::vector<uint64_t>(sizes, sizes + count)) : vd::ImageCountRefusal(count);
        vd::CopyText(message, messageRoom, why);
        return why.empty() ? 1 : 0;
    } catch (...) {
        vd::CopyText(message, messageRoom, "out of memory");
        return -1;
    }
}

size_t VR_Takes(int32_t type, const char *key, char *takes, size_t room) {
    try {
        const std::string holds = vd::Takes(type, vd::OrEmpty(key));
        if (takes && holds.size() < room) vd::CopyText(takes, room, holds);
        return holds.size() + 1;
    } catch (...) {
        return 0;
    }
}

int32_t VR_FamilyOf(int32_t type, int32_t *ports) {
    if (const vd::FamilyBModel *model = vd::FindFamilyBModel(type)) {
        if (ports) *ports = model->Ports();
        return 'B';
    }
    return vd::IsFamilyA(type) ? 'A' : 0;
}

int32_t VR_IsIdentityKey(const char *key) { return vd::IdentityOf(vd::OrEmpty(key)) != nullptr; }

int32_t VR_IsSecretKey(const char *key) { return vd::IsSecretKey(vd::OrEmpty(key)); }

size_t VR_KeysOf(int32_t type, char *keys, size_t room) {
    try {
        std::string list;
        for (const std::string &key : vd::KeysOf(type)) list += key + "\n";
        if (keys && list.size() < room) vd::CopyText(keys, room, list);
        return list.size() + 1;
    } catch (...) {
        return 0;
    }
}

void VR_DataLimits(uint32_t *bytes, uint32_t *maxBytes) {
    if (bytes) *bytes = VR_DATA_BYTES;
    if (maxBytes) *maxBytes = VR_DATA_MAX_BYTES;
}

}  // extern "C"

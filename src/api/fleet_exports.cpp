// The fleet interface (vandrel_fleet.h): a VF_Fleet is a vd::Fleet
// (fleet/fleet.h), whose thread drives its operations.
#include <cstring>
#include <string>

#include "api/library.h"
#include "api/search_record.h"
#include "fleet/fleet.h"
#include "vandrel_fleet.h"

using namespace vd;

namespace {

Fleet *Of(VF_Fleet *fleet) { return reinterpret_cast<Fleet *>(fleet); }

DeviceJob JobOf(const char *device, int32_t type, DeviceTask task) {
    DeviceJob job;
    job.address = OrEmpty(device);
    job.type = type;
    job.task = task;
    return job;
}

VF_Op Submit(VF_Fleet *fleet, DeviceJob job, uint32_t deadlineMs) {
    if (!fleet) return 0;
    job.deadline = std::chrono::milliseconds(deadlineMs);
    return Of(fleet)->Submit(std::move(job));
}

}  // namespace

extern "C" {

uint32_t VF_CALL VF_Version(void) { return VF_VERSION; }

VF_Fleet *VF_CALL VF_Create(VF_Completion done, void *user) {
    return Guarded<VF_Fleet *>(nullptr, [&]() -> VF_Fleet * {
        auto call = [done, user](Fleet::OperationId op, int32_t result) {
            if (done) done(user, op, result);
        };
        auto fleet = std::make_unique<Fleet>(call);
        if (!fleet->Started()) return nullptr;
        return reinterpret_cast<VF_Fleet *>(fleet.release());
    });
}

void VF_CALL VF_Destroy(VF_Fleet *fleet) {
    Guarded<int>(0, [&] {
        delete Of(fleet);
        return 0;
    });
}

VF_Op VF_CALL VF_Read(VF_Fleet *fleet, const char *device, int32_t type, uint32_t deadlineMs) {
    return Guarded<VF_Op>(0, [&] {
        return Submit(fleet, JobOf(device, type, DeviceTask::Settings), deadlineMs);
    });
}

VF_Op VF_CALL VF_Write(VF_Fleet *fleet, const char *device, int32_t type, const char *password,
                       const char *const *keys, const char *const *values, uint32_t count, uint32_t deadlineMs) {
    return Guarded<VF_Op>(0, [&]() -> VF_Op {
        if (count == 0 || !keys || !values) return 0;
        DeviceJob job = JobOf(device, type, DeviceTask::Settings);
        job.password = OrEmpty(password);
        for (uint32_t i = 0; i < count; ++i) job.pairs.emplace_back(OrEmpty(keys[i]), OrEmpty(values[i]));
        return Submit(fleet, std::move(job), deadlineMs);
    });
}

VF_Op VF_CALL VF_Download(VF_Fleet *fleet, const char *device, int32_t type, const char *const *paths,
                          uint32_t count, uint32_t deadlineMs) {
    return Guarded<VF_Op>(0, [&]() -> VF_Op {
        if (count == 0 || count > kMaxImages || !paths) return 0;
        DeviceJob job = JobOf(device, type, DeviceTask::Download);
        for (uint32_t i = 0; i < count; ++i) job.images.emplace_back(OrEmpty(paths[i]));
        return Submit(fleet, std::move(job), deadlineMs);
    });
}

VF_Op VF_CALL VF_Restart(VF_Fleet *fleet, const char *device, int32_t type, uint32_t deadlineMs) {
    return Guarded<VF_Op>(0, [&] {
        return Submit(fleet, JobOf(device, type, DeviceTask::Restart), deadlineMs);
    });
}

VF_Op VF_CALL VF_Command(VF_Fleet *fleet, const char *device, int32_t type, const char *command, const char *param,
                         uint32_t deadlineMs) {
    return Guarded<VF_Op>(0, [&]() -> VF_Op {
        if (!command) return 0;
        DeviceJob job = JobOf(device, type, DeviceTask::Command);
        job.command = command;
        job.param = OrEmpty(param);
        return Submit(fleet, std::move(job), deadlineMs);
    });
}

VF_Op VF_CALL VF_Search(VF_Fleet *fleet, const char *address, const char *until, uint32_t waitMs) {
    return Guarded<VF_Op>(0, [&] {
        DeviceJob job = JobOf(address, 0, DeviceTask::Search);
        job.until = OrEmpty(until);
        return Submit(fleet, std::move(job), waitMs);
    });
}

int32_t VF_CALL VF_TakeFound(VF_Fleet *fleet, VF_Op op, char *ip, char *version, char *mac, uint8_t *code1,
                             uint8_t *code2, uint32_t *port) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        DeviceRecord record;
        if (!fleet || !Of(fleet)->TakeFound(op, record)) return VD_FAIL;
        CopySearchRecord(record, ip, version, mac, code1, code2, port);
        return VD_OK;
    });
}

int32_t VF_CALL VF_Result(VF_Fleet *fleet, VF_Op op) {
    return Guarded<int32_t>(VF_UNKNOWN, [&] { return fleet ? Of(fleet)->Result(op) : VF_UNKNOWN; });
}

int32_t VF_CALL VF_Wait(VF_Fleet *fleet, VF_Op op, uint32_t timeoutMs) {
    return Guarded<int32_t>(VF_UNKNOWN, [&] {
        return fleet ? Of(fleet)->Wait(op, std::chrono::milliseconds(timeoutMs)) : VF_UNKNOWN;
    });
}

int32_t VF_CALL VF_GetPair(VF_Fleet *fleet, VF_Op op, uint32_t index, char *key, char *value) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        std::pair<std::string, std::string> pair;
        if (!fleet || !Of(fleet)->Pair(op, index, pair)) return VD_FAIL;
        CopyText(key, VD_KEY_LEN, pair.first);
        CopyText(value, VD_VALUE_LEN, pair.second);
        return VD_OK;
    });
}

int32_t VF_CALL VF_GetValue(VF_Fleet *fleet, VF_Op op, const char *key, char *value) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        std::string found;
        const bool has = fleet && Of(fleet)->Value(op, OrEmpty(key), found);
        CopyText(value, VD_VALUE_LEN, found);
        return has ? VD_OK : VD_FAIL;
    });
}

VF_Op VF_CALL VF_TakeCompleted(VF_Fleet *fleet) {
    return Guarded<VF_Op>(0, [&] { return fleet ? Of(fleet)->TakeCompleted() : 0; });
}

intptr_t VF_CALL VF_CompletionHandle(VF_Fleet *fleet) {
    return Guarded<intptr_t>(-1, [&] { return fleet ? intptr_t(Of(fleet)->CompletionHandle()) : intptr_t(-1); });
}

void VF_CALL VF_Release(VF_Fleet *fleet, VF_Op op) {
    Guarded<int>(0, [&] {
        if (fleet) Of(fleet)->Release(op);
        return 0;
    });
}

uint64_t VF_CALL VF_Count(VF_Fleet *fleet, int32_t counter) {
    return Guarded<uint64_t>(0, [&]() -> uint64_t {
        if (!fleet) return 0;
        const WireCounts counts = Of(fleet)->Counts();
        if (counter == VF_RESENT) return counts.resent;
        return counter == VF_DUPLICATES ? counts.duplicates : 0;
    });
}

}  // extern "C"

#include "device_batch.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <algorithm>

namespace vdcli {

namespace {

// A download's, its wait included: the largest images are 223 chunks, each
// of which may take eight tries of 200 ms on a lossy link.
constexpr uint32_t kDownloadDeadlineMs = 120000;
// How soon Ctrl-C is seen while operations run.
constexpr uint32_t kStopCheckMs = 100;
// Files that are not the devices': the standard ones, the fleet's own
// signals, the fleet database, the library's.
constexpr long long kOtherFiles = 64;

Pairs PairsOf(VF_Fleet *fleet, VF_Op op) {
    Pairs pairs;
    char key[VD_KEY_LEN], value[VD_VALUE_LEN];
    for (uint32_t i = 0; VF_GetPair(fleet, op, i, key, value) == VD_OK; ++i) pairs.emplace_back(key, value);
    return pairs;
}

}  // namespace

BatchItem SettingsItem(const Target &target, const std::string &password, const Pairs &pairs) {
    BatchItem item;
    item.target = target;
    item.password = password;
    item.pairs = pairs;
    return item;
}

long long DefaultAtOnce() {
#ifdef _WIN32
    return kDefaultAtOnce;
#else
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0) return kDefaultAtOnce;
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    getrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur == RLIM_INFINITY) return kDefaultAtOnce;
    return std::max(1LL, std::min(kDefaultAtOnce, static_cast<long long>(files.rlim_cur) - kOtherFiles));
#endif
}

DeviceBatch::DeviceBatch(long long atOnce)
    : m_atOnce(size_t(std::max(1LL, atOnce))), m_fleet(VF_Create(nullptr, nullptr)) {}

DeviceBatch::~DeviceBatch() {
    if (m_fleet) VF_Destroy(m_fleet);
}

VF_Op DeviceBatch::Submit(const BatchItem &item) {
    const Target &t = item.target;
    if (item.task == BatchTask::Command)
        return VF_Command(m_fleet, t.addr.text.c_str(), t.type, item.command.c_str(), item.param.c_str(), item.deadlineMs);
    if (item.task == BatchTask::Download) {
        std::vector<const char *> paths;
        for (const std::string &image : item.images) paths.push_back(image.c_str());
        return VF_Download(m_fleet, t.addr.text.c_str(), t.type, paths.data(), uint32_t(paths.size()),
                           kDownloadDeadlineMs);
    }
    if (item.pairs.empty()) return VF_Read(m_fleet, t.addr.text.c_str(), t.type, item.deadlineMs);
    std::vector<const char *> keys, values;
    for (const auto &p : item.pairs) {
        keys.push_back(p.first.c_str());
        values.push_back(p.second.c_str());
    }
    return VF_Write(m_fleet, t.addr.text.c_str(), t.type, item.password.c_str(), keys.data(), values.data(),
                    uint32_t(keys.size()), item.deadlineMs);
}

JsonValue DeviceBatch::Wire() const {
    return {{"resent", VF_Count(m_fleet, VF_RESENT)}, {"duplicates", VF_Count(m_fleet, VF_DUPLICATES)}};
}

void DeviceBatch::Run(const std::vector<BatchItem> &items, const std::function<bool()> &stop,
                      const BatchDone &done, const std::function<void()> &drained) {
    std::map<VF_Op, size_t> running;  // the oldest first
    size_t next = 0;
    for (; !m_fleet && next < items.size(); ++next) done(next, VD_FAIL, {});
    for (;;) {
        for (; next < items.size() && running.size() < m_atOnce && !stop(); ++next) {
            const VF_Op op = Submit(items[next]);
            if (op != 0) running.emplace(op, next);
            else done(next, VD_FAIL, {});
        }
        if (running.empty()) return;
        VF_Wait(m_fleet, running.begin()->first, kStopCheckMs);
        for (VF_Op op = VF_TakeCompleted(m_fleet); op != 0; op = VF_TakeCompleted(m_fleet)) {
            const auto it = running.find(op);
            if (it == running.end()) continue;
            done(it->second, VF_Result(m_fleet, op), PairsOf(m_fleet, op));
            VF_Release(m_fleet, op);
            running.erase(it);
        }
        if (drained) drained();
    }
}

int DeviceBatch::RunOne(const BatchItem &item, Pairs &pairs) {
    int result = VD_FAIL;
    Run({item}, [] { return false; }, [&](size_t, int r, const Pairs &p) {
        result = r;
        pairs = p;
    });
    return result;
}

}  // namespace vdcli

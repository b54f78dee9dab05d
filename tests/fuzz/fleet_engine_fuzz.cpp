// The fleet's device exchanges, two family A and two family B devices read
// or written at once, on a wire that the input drives: each input byte is
// one event (a request or a reply delivered in order, out of order, twice,
// or lost; garbage from the input handed to any exchange as if from any
// device; time moved to the next deadline). When the input ends the wire
// turns clean until every exchange ends. What must hold: nothing is read
// out of bounds; every exchange ends; what an exchange hands out stays
// bounded; a write that ends OK leaves its device holding the pairs, as a
// read on the emptied, clean wire afterwards finds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "devices/family_a/family_a_exchange.h"
#include "devices/family_a/item_frame.h"
#include "devices/family_a/write_packet.h"
#include "devices/family_b/family_b_exchange.h"
#include "vandrel.h"

namespace {

using Bytes = std::vector<uint8_t>;
using TimePoint = vd::net::Exchange::TimePoint;

constexpr size_t kDevices = 4;  // 0 and 1 family A, 2 and 3 family B
constexpr size_t kMaxQueued = 256;
constexpr size_t kMaxPairs = 4096;
const char *const kAddress[kDevices] = {"10.0.0.1", "10.0.0.2", "02:00:00:00:00:03", "02:00:00:00:00:04"};

bool IsA(size_t device) { return device < 2; }

// The devices as the wire sees them: family A items by code, family B
// blocks by number; each answers a read and takes a write.
struct Devices {
    std::map<uint8_t, Bytes> items[2];
    std::map<uint8_t, Bytes> blocks[2];

    Devices() {
        vd::DeviceRecord record;
        record.code1 = 5;
        record.Append("NAME", "device");
        record.Append("PASS", "admin");
        for (auto &device : items) {
            device[vd::kCodeType] = {5};
            Take(device, vd::BuildWritePacket(record));
        }
        for (auto &device : blocks) device = {{0, Bytes(256, 0)}, {2, Bytes(256, 0)}};
    }
    static void Take(std::map<uint8_t, Bytes> &device, const Bytes &write) {
        vd::ByteReader reader(write.data(), write.size());
        vd::ItemView item;
        while (vd::NextItem(reader, item))
            device[item.code].assign(write.begin() + long(item.dataPos), write.begin() + long(item.dataPos + item.length));
    }
    // The device's answer to a request, empty for none.
    Bytes Answer(size_t device, const Bytes &request) {
        if (IsA(device)) {
            if (request.size() >= 2 && request[0] == vd::kItemStart && request[1] == vd::kCodeInfoRequest) {
                Bytes out;
                for (const auto &item : items[device]) vd::AppendItem(out, item.first, item.second.data(), uint8_t(item.second.size()));
                return out;
            }
            Take(items[device], request);
            return {};
        }
        // Every family B device hears every broadcast and takes its own.
        const uint8_t mac[6] = {0x02, 0, 0, 0, 0, uint8_t(device + 1)};
        auto &held = blocks[device - 2];
        if (request.size() < 17 || std::memcmp(request.data() + 4, mac, 6) != 0 || !held.count(request[14])) return {};
        if (request.size() == 274) std::copy_n(request.begin() + 16, 256, held[request[14]].begin());
        if (request.size() != 17) return {};
        Bytes out(request.begin(), request.begin() + 15);
        out.insert(out.end(), held[request[14]].begin(), held[request[14]].end());
        return out;
    }
};

struct Datagram {
    size_t device;
    Bytes bytes;
};

// What the exchanges send, queued towards the devices.
class WireLink : public vd::DeviceLink {
public:
    std::deque<Datagram> requests;
    bool SendTo(const std::string &ip, uint16_t, const uint8_t *bytes, size_t length) override {
        for (size_t d = 0; d < 2; ++d)
            if (ip == kAddress[d]) Queue(d, bytes, length);
        return true;
    }
    bool Broadcast(uint16_t, const uint8_t *bytes, size_t length) override {
        for (size_t d = 2; d < kDevices; ++d) Queue(d, bytes, length);
        return true;
    }
    void ExpectFrom(vd::DeviceExchange &, const std::string &) override {}
    void ExpectMac(vd::DeviceExchange &, const std::string &) override {}

private:
    void Queue(size_t device, const uint8_t *bytes, size_t length) {
        if (requests.size() < kMaxQueued) requests.push_back({device, Bytes(bytes, bytes + length)});
    }
};

std::unique_ptr<vd::DeviceExchange> ExchangeOf(size_t device, bool write, vd::DeviceLink &link) {
    vd::DeviceJob job;
    job.address = kAddress[device];
    job.type = IsA(device) ? 5 : 32;
    job.password = IsA(device) ? "admin" : "";
    job.deadline = std::chrono::seconds(10);
    if (write) job.pairs = {{"NAME", "renamed"}, {"C1_PORT", "4100"}};
    if (IsA(device)) return std::make_unique<vd::FamilyAExchange>(job, link);
    return std::make_unique<vd::FamilyBExchange>(job, *vd::FindFamilyBModel(32), link);
}

struct Run {
    WireLink link;
    Devices devices;
    std::deque<Datagram> replies;
    std::unique_ptr<vd::DeviceExchange> exchanges[kDevices];
    TimePoint now = TimePoint() + std::chrono::hours(1);

    void Deliver(const Datagram &reply) {
        const char *from = IsA(reply.device) ? kAddress[reply.device] : "10.0.1.1";
        for (auto &exchange : exchanges)
            if (!exchange->IsDone()) exchange->OnDatagram(0, reply.bytes.data(), int(reply.bytes.size()), from);
    }
    void Serve(const Datagram &request) {
        Bytes answer = devices.Answer(request.device, request.bytes);
        if (!answer.empty() && replies.size() < kMaxQueued) replies.push_back({request.device, std::move(answer)});
    }
    // The earliest deadline comes: its timers are called.
    bool Tick() {
        TimePoint next = TimePoint::max();
        for (auto &exchange : exchanges)
            if (!exchange->IsDone()) next = std::min(next, exchange->NextDeadline());
        if (next == TimePoint::max()) return false;
        now = std::max(now, next);
        for (auto &exchange : exchanges)
            if (!exchange->IsDone() && exchange->NextDeadline() <= now) exchange->OnTimer(now);
        return true;
    }
    void Event(uint8_t e, const uint8_t *rest, size_t left);
};

template <typename T>
T Take(std::deque<T> &queue, size_t at) {
    T item = queue[at % queue.size()];
    queue.erase(queue.begin() + long(at % queue.size()));
    return item;
}

void Run::Event(uint8_t e, const uint8_t *rest, size_t left) {
    const size_t at = e & 0x0F;
    switch (e >> 4) {
        case 0: case 1: case 2: if (!link.requests.empty()) Serve(Take(link.requests, 0)); break;
        case 3: if (!link.requests.empty()) Serve(Take(link.requests, at)); break;
        case 4: case 5: case 6: if (!replies.empty()) Deliver(Take(replies, 0)); break;
        case 7: if (!replies.empty()) Deliver(Take(replies, at)); break;
        case 8: if (!replies.empty()) Deliver(replies[at % replies.size()]); break;
        case 9: if (!link.requests.empty()) Take(link.requests, at); break;
        case 10: if (!replies.empty()) Take(replies, at); break;
        case 11: Deliver({at % kDevices, Bytes(rest, rest + std::min<size_t>(left, 8 * at + 17))}); break;
        default: Tick();
    }
}

// A read on a clean wire: the settings the device holds now. The requests
// still on the wire reach their devices first; the replies still on it are
// lost, as a reply that outlives every deadline may be taken by the next
// operation on its device (the protocol numbers nothing).
vd::KeyValues ReadOnCleanWire(Run &run, size_t device) {
    while (!run.link.requests.empty()) run.Serve(Take(run.link.requests, 0));
    run.replies.clear();
    run.exchanges[device] = ExchangeOf(device, false, run.link);
    run.exchanges[device]->Start(run.now);
    for (int step = 0; step < 10000 && !run.exchanges[device]->IsDone(); ++step) {
        while (!run.link.requests.empty()) run.Serve(Take(run.link.requests, 0));
        while (!run.replies.empty()) run.Deliver(Take(run.replies, 0));
        run.Tick();
    }
    if (!run.exchanges[device]->IsDone() || run.exchanges[device]->Result() != VD_OK) __builtin_trap();
    return run.exchanges[device]->Pairs();
}

std::string Value(const vd::KeyValues &pairs, const char *key) {
    for (const auto &pair : pairs)
        if (pair.first == key) return pair.second;
    return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    Run run;
    for (size_t d = 0; d < kDevices; ++d) {
        run.exchanges[d] = ExchangeOf(d, data[0] >> d & 1, run.link);
        run.exchanges[d]->Start(run.now);
    }
    for (size_t i = 1; i < size; ++i) run.Event(data[i], data + i + 1, size - i - 1);
    // The wire turns clean; the deadlines end whatever is left.
    for (int step = 0; step < 100000 && run.Tick(); ++step) {
        while (!run.link.requests.empty()) run.Serve(Take(run.link.requests, 0));
        while (!run.replies.empty()) run.Deliver(Take(run.replies, 0));
    }
    std::vector<bool> written(kDevices);
    for (size_t d = 0; d < kDevices; ++d) {
        if (!run.exchanges[d]->IsDone() || run.exchanges[d]->Pairs().size() > kMaxPairs) __builtin_trap();
        written[d] = (data[0] >> d & 1) && run.exchanges[d]->Result() == VD_OK;
    }
    for (size_t d = 0; d < kDevices; ++d) {
        if (!written[d]) continue;
        const vd::KeyValues held = ReadOnCleanWire(run, d);
        if (Value(held, "NAME") != "renamed" || Value(held, "C1_PORT") != "4100") __builtin_trap();
    }
    return 0;
}

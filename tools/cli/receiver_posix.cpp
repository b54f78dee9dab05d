#include "receiver.h"

#include "vandrel.h"

namespace vdcli {

namespace {

constexpr uint32_t kDataMessage = 0x0401;

// Once the read is over the channel gets no receiver: the library then
// leaves what the device sends unread, so the message loop returns even
// while the device keeps sending.
intptr_t OnData(VD_HostWindow *window, uint32_t, uintptr_t bytes, intptr_t count) {
    auto *collected = static_cast<Collected *>(window->user);
    if (bytes && count > 0 && !collected->Take(reinterpret_cast<const char *>(bytes), size_t(count)))
        VD_TCPSetRecHWnd(nullptr, 0);
    return 0;
}

}  // namespace

struct DataReceiver::Window {
    VD_HostWindow host;
};

DataReceiver::DataReceiver(Collected &collected) : m_window(new Window{{OnData, &collected}}) {
    VD_TCPSetRecHWnd(&m_window->host, kDataMessage);
}

DataReceiver::~DataReceiver() { VD_TCPSetRecHWnd(nullptr, 0); }

void DataReceiver::Pump(int ms) { VD_PumpMessages(ms); }

}  // namespace vdcli

#include "receiver.h"

#include "vandrel.h"

namespace vdcli {

namespace {

constexpr uint32_t kDataMessage = 0x0401;

intptr_t OnData(VD_HostWindow *window, uint32_t, uintptr_t bytes, intptr_t count) {
    auto *received = static_cast<std::string *>(window->user);
    if (bytes && count > 0) received->append(reinterpret_cast<const char *>(bytes), size_t(count));
    return 0;
}

}  // namespace

struct DataReceiver::Window {
    VD_HostWindow host;
};

DataReceiver::DataReceiver(std::string &received) : m_window(new Window{{OnData, &received}}) {
    VD_TCPSetRecHWnd(&m_window->host, kDataMessage);
}

DataReceiver::~DataReceiver() { VD_TCPSetRecHWnd(nullptr, 0); }

void DataReceiver::Pump(int ms) { VD_PumpMessages(ms); }

}  // namespace vdcli

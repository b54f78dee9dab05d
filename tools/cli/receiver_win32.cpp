#include "receiver.h"

#include <chrono>

#include "vandrel.h"

namespace vdcli {

namespace {

constexpr UINT kDataMessage = WM_USER + 1;
const char kClassName[] = "VandrelToolReceiver";

// Once the read is over the channel gets no receiver: the library then
// leaves what the device sends unread.
LRESULT CALLBACK OnMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto *collected = reinterpret_cast<Collected *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg != kDataMessage || !collected) return DefWindowProcA(hwnd, msg, wparam, lparam);
    if (wparam && lparam > 0 && !collected->Take(reinterpret_cast<const char *>(wparam), size_t(lparam)))
        VD_TCPSetRecHWnd(nullptr, 0);
    return 0;
}

}  // namespace

struct DataReceiver::Window {
    HWND hwnd;
};

DataReceiver::DataReceiver(Collected &collected) : m_window(new Window{nullptr}) {
    WNDCLASSA type{};
    type.lpfnWndProc = OnMessage;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = kClassName;
    RegisterClassA(&type);
    m_window->hwnd = CreateWindowA(kClassName, kClassName, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance,
                                   nullptr);
    SetWindowLongPtrA(m_window->hwnd, GWLP_USERDATA, LONG_PTR(&collected));
    VD_TCPSetRecHWnd(m_window->hwnd, kDataMessage);
}

DataReceiver::~DataReceiver() {
    VD_TCPSetRecHWnd(nullptr, 0);
    DestroyWindow(m_window->hwnd);
}

void DataReceiver::Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(ms), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    } while (std::chrono::steady_clock::now() < end);
}

}  // namespace vdcli

#include "receiver.h"

#include <chrono>

#include "vandrel.h"

namespace vdcli {

namespace {

constexpr UINT kDataMessage = WM_USER + 1;
const char kClassName[] = "VandrelToolReceiver";

LRESULT CALLBACK OnMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto *received = reinterpret_cast<std::string *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg != kDataMessage || !received) return DefWindowProcA(hwnd, msg, wparam, lparam);
    if (wparam && lparam > 0) received->append(reinterpret_cast<const char *>(wparam), size_t(lparam));
    return 0;
}

}  // namespace

struct DataReceiver::Window {
    HWND hwnd;
};

DataReceiver::DataReceiver(std::string &received) : m_window(new Window{nullptr}) {
    WNDCLASSA type{};
    type.lpfnWndProc = OnMessage;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = kClassName;
    RegisterClassA(&type);
    m_window->hwnd = CreateWindowA(kClassName, kClassName, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance,
                                   nullptr);
    SetWindowLongPtrA(m_window->hwnd, GWLP_USERDATA, LONG_PTR(&received));
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

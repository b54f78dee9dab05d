// The helper window on Windows: a hidden message-only window of the thread
// that loaded the library. Winsock posts socket notifications to it
// (WSAAsyncSelect) and host-name lookup ends (WSAAsyncGetHostByName); the
// thread's message loop, the host's or the connect wait's, dispatches them
// to its procedure.
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

const char kClassName[] = "AsyncSocket Helper Window";

// A peer that never stops sending would otherwise hold a pump forever: each
// read lets Winsock post the next notice.
constexpr int kMaxDispatch = 4096;

LRESULT CALLBACK HelperProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

HINSTANCE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&HelperProc), &module);
    return module;
}

}  // namespace

struct HelperWindow {
    explicit HelperWindow(SocketContext &owner) : context(owner) {}

    SocketContext &context;
    HWND hwnd = nullptr;
    std::mutex mutex;  // guards lookups
    // Running and finished lookups: request -> the buffer Winsock fills.
    std::map<uintptr_t, std::unique_ptr<char[]>> lookups;
};

namespace {

LRESULT CALLBACK HelperProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto *window = reinterpret_cast<HelperWindow *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!window || message < LOOKUP_DONE_MSG || message > SOCKET_MSG_LAST)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    window->context.Dispatch(message, uintptr_t(wparam), intptr_t(lparam));
    return 0;
}

}  // namespace

HelperWindow *CreateHelperWindow(SocketContext &context) {
    auto *window = new HelperWindow(context);
    WNDCLASSEXA type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = HelperProc;
    type.hInstance = OwnModule();
    type.lpszClassName = kClassName;
    // Already registered by an earlier context of this module: that will do.
    RegisterClassExA(&type);
    window->hwnd = CreateWindowExA(0, kClassName, kClassName, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance,
                                   nullptr);
    if (window->hwnd) SetWindowLongPtrA(window->hwnd, GWLP_USERDATA, LONG_PTR(window));
    return window;
}

void DestroyHelperWindow(HelperWindow *window) {
    if (!window) return;
    if (window->hwnd) {
        SetWindowLongPtrA(window->hwnd, GWLP_USERDATA, 0);
        // Fails on any thread but the owner's; the window then goes with it.
        DestroyWindow(window->hwnd);
        // Windows keeps a DLL's window classes after it is unloaded, their
        // procedure pointing where the DLL was, and a later load would use
        // them. Fails harmlessly while another window of the class lives.
        UnregisterClassA(kClassName, OwnModule());
    }
    for (auto &lookup : window->lookups) WSACancelAsyncRequest(reinterpret_cast<HANDLE>(lookup.first));
    delete window;
}

bool SelectEvents(HelperWindow &window, SocketHandle handle, int32_t slot, int32_t events) {
    if (slot < 0 || slot >= kMaxSlots) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    const UINT message = SOCKET_MSG_BASE + UINT(slot);
    const bool selected = WSAAsyncSelect(SOCKET(handle), window.hwnd, events ? message : 0, events) == 0;
    if (events == 0 && GetWindowThreadProcessId(window.hwnd, nullptr) == GetCurrentThreadId()) {
        // Drop what is queued for the slot, so that a later socket there
        // does not hear of this one.
        MSG stale;
        while (PeekMessageA(&stale, window.hwnd, message, message, PM_REMOVE)) {
        }
    }
    return selected;
}

void ConnectStarted(HelperWindow &, int32_t) {}

void EventsConsumed(HelperWindow &, int32_t, int32_t, bool) {}

uintptr_t StartLookup(HelperWindow &window, const char *name) {
    std::unique_ptr<char[]> buffer(new char[MAXGETHOSTSTRUCT]);
    std::lock_guard<std::mutex> guard(window.mutex);
    const HANDLE request = WSAAsyncGetHostByName(window.hwnd, LOOKUP_DONE_MSG, name, buffer.get(), MAXGETHOSTSTRUCT);
    if (!request) return 0;
    window.lookups[uintptr_t(request)] = std::move(buffer);
    return uintptr_t(request);
}

bool TakeLookupResult(HelperWindow &window, uintptr_t request, uint32_t &address) {
    std::lock_guard<std::mutex> guard(window.mutex);
    auto it = window.lookups.find(request);
    if (it == window.lookups.end()) {
        SetLastError(kErrHostNotFound);
        return false;
    }
    const auto *entry = reinterpret_cast<const hostent *>(it->second.get());
    const bool found = entry->h_addrtype == AF_INET && entry->h_addr_list && entry->h_addr_list[0];
    if (found) memcpy(&address, entry->h_addr_list[0], 4);
    window.lookups.erase(it);
    if (!found) SetLastError(kErrHostNotFound);
    return found;
}

void CancelLookup(HelperWindow &window, uintptr_t request) {
    std::lock_guard<std::mutex> guard(window.mutex);
    auto it = window.lookups.find(request);
    if (it == window.lookups.end()) return;
    // Fails harmlessly for a lookup that has already ended.
    WSACancelAsyncRequest(reinterpret_cast<HANDLE>(request));
    window.lookups.erase(it);
}

int PumpWindowMessages(HelperWindow &window, uint32_t first, uint32_t last) {
    if (!window.hwnd) return 0;
    int count = 0;
    MSG message;
    while (count < kMaxDispatch && PeekMessageA(&message, window.hwnd, first, last, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        ++count;
    }
    return count;
}

}  // namespace vd::net

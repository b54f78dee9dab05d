// A Windows host of vandrel.dll: every call goes through the exports, and
// stream data reaches a real window through this program's own message loop.
// Runs under Wine in a private network namespace beside vandrel-sim's
// built-in fleet (scripts/windows.sh).
#include <winsock2.h>
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "vandrel_fleet.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT kDataMessage = WM_USER + 0x155;
const char kSerial[] = "127.0.0.2";   // family A, type 5, with a firmware receiver
const char kIoModule[] = "127.0.0.3";
const char kFourPorts[] = "127.0.0.12";  // family B, type 48
const char kIoTen[] = "127.0.0.3";      // family A, type 7
const char kTwoPorts[] = "127.0.0.11";  // family B, type 56
constexpr uint32_t kPort = 8800;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The host's message loop: runs until done() or ms have passed.
void RunLoop(int ms, const std::function<bool()> &done) {
    const auto start = Clock::now();
    while (!done() && Seconds(start) * 1000 < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// A window of this program (message-only, as Wine runs here without a
// display) that collects the data notices sent to it.
struct DataWindow {
    HWND hwnd = nullptr;
    std::string received;
    bool terminated = true;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
        auto *self = reinterpret_cast<DataWindow *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg != kDataMessage || !self) return DefWindowProcA(hwnd, msg, wparam, lparam);
        const char *bytes = reinterpret_cast<const char *>(wparam);
        self->received.append(bytes, size_t(lparam));
        self->terminated = self->terminated && lparam <= 1023 && bytes[lparam] == '\0';
        return 0;
    }
    DataWindow() {
        WNDCLASSA type{};
        type.lpfnWndProc = Proc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "VandrelHostTestWindow";
        RegisterClassA(&type);
        hwnd = CreateWindowA(type.lpszClassName, "host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance,
                             nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(this));
    }
    ~DataWindow() { DestroyWindow(hwnd); }
};

struct Found {
    std::string ip, mac;
    int type = 0;
    uint32_t port = 0;
};

// Searches and collects for half a second; the device at ip, if it answered.
Found Search(const std::string &ip) {
    EXPECT_EQ(VD_SearchAll(), VD_OK);
    Sleep(500);
    Found match;
    char address[VD_IP_LEN], version[VD_VERSION_LEN], mac[VD_MAC_LEN];
    uint8_t code1 = 0, code2 = 0;
    uint32_t port = 0;
    while (VD_GetSearchDev(address, version, mac, &code1, &code2, &port) == VD_OK)
        if (ip == address) match = {address, mac, code1, port};
    return match;
}

std::string Value(const char *name) {
    char key[VD_KEY_LEN], value[VD_VALUE_LEN] = "";
    std::strcpy(key, name);
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_OK) << name;
    return value;
}

TEST(WindowsHost, FamilyAReadAndWriteByIp) {
    EXPECT_EQ(Search(kSerial).type, 5);
    ASSERT_EQ(VD_GetDevInfoUDPbyIP(kSerial, 5), VD_OK);
    EXPECT_EQ(Value("NAME"), "serial-5");
    EXPECT_EQ(VD_ModifyDevUDPbyIP(kSerial, "guess", 5), VD_WRONG_PASSWORD);
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("NAME", "pump-house");
    EXPECT_EQ(VD_ModifyDevUDPbyIP(kSerial, "admin", 5), VD_OK);
    ASSERT_EQ(VD_GetDevInfoUDPbyIP(kSerial, 5), VD_OK);
    EXPECT_EQ(Value("NAME"), "pump-house");
    EXPECT_EQ(VD_GetDevInfoUDPbyIP(kSerial, 48), VD_WRONG_FAMILY);
}

TEST(WindowsHost, FamilyBReadAndWriteByMacAndItsAtSession) {
    const Found device = Search(kFourPorts);
    ASSERT_EQ(device.type, 48);
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(device.mac.c_str(), 48), VD_OK);
    EXPECT_EQ(Value("NAME"), "four-ports");
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("C2_BAUD", "9600");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(device.mac.c_str(), "admin", 48), VD_OK);
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(device.mac.c_str(), 48), VD_OK);
    EXPECT_EQ(Value("C2_BAUD"), "9600");

    ASSERT_EQ(VD_LoginTCP(48, kFourPorts, device.port, "admin"), VD_OK);
    char value[VD_VALUE_LEN] = "57600";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_BAUD", value), VD_OK);
    std::strcpy(value, "");
    EXPECT_EQ(VD_GetDevConfigTCP("C1_BAUD", value), VD_OK);
    EXPECT_STREQ(value, "57600");
    EXPECT_EQ(VD_ExitTCP(), VD_OK);
}

// The VF_Write of one pair; its operation.
VF_Op FleetWrite(VF_Fleet *fleet, const std::string &device, int32_t type, const char *key, const char *value) {
    const char *keys[] = {key}, *values[] = {value};
    return VF_Write(fleet, device.c_str(), type, "admin", keys, values, 1, 15000);
}

std::string FleetValue(VF_Fleet *fleet, const std::string &device, int32_t type, const char *key) {
    const VF_Op op = VF_Read(fleet, device.c_str(), type, 5000);
    char value[VD_VALUE_LEN] = "";
    EXPECT_EQ(VF_Wait(fleet, op, 10000), VD_OK) << device;
    EXPECT_EQ(VF_GetValue(fleet, op, key, value), VD_OK) << device << " " << key;
    VF_Release(fleet, op);
    return value;
}

// A fleet writes a device of each family at once, and says each end on its
// completion handle, which select() waits for. Beside it, a VD_ write of
// the family B device's other port on another thread: the two take turns
// by the device's lock, and neither change is lost.
TEST(WindowsHost, AFleetWritesBothFamiliesAtOnceBesideAWriteOfTheExports) {
    const Found twoPorts = Search(kTwoPorts);
    ASSERT_EQ(twoPorts.type, 56);
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    ASSERT_NE(fleet, nullptr);
    const auto start = Clock::now();
    const std::set<VF_Op> written = {FleetWrite(fleet, kIoTen, 7, "NAME", "fleet-a"),
                                     FleetWrite(fleet, twoPorts.mac, 56, "C1_BAUD", "4800")};
    int32_t exports = VD_FAIL;
    std::thread other([&] {
        if (VD_GetDevInfoUDPbyMAC(twoPorts.mac.c_str(), 56) != VD_OK) return;
        VD_ResetModifyConfigUDP();
        VD_SetModifyConfigUDP("C2_BAUD", "2400");
        exports = VD_ModifyDevUDPbyMAC(twoPorts.mac.c_str(), "admin", 56);
    });
    std::set<VF_Op> ended;
    while (ended.size() < written.size() && Seconds(start) < 30) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(SOCKET(VF_CompletionHandle(fleet)), &readable);
        timeval second{1, 0};
        select(0, &readable, nullptr, nullptr, &second);
        for (VF_Op op = VF_TakeCompleted(fleet); op != 0; op = VF_TakeCompleted(fleet)) ended.insert(op);
    }
    other.join();
    EXPECT_EQ(ended, written);
    for (VF_Op op : written) EXPECT_EQ(VF_Result(fleet, op), VD_OK);
    EXPECT_EQ(exports, VD_OK);
    EXPECT_EQ(FleetValue(fleet, kIoTen, 7, "NAME"), "fleet-a");
    EXPECT_EQ(FleetValue(fleet, twoPorts.mac, 56, "C1_BAUD"), "4800");
    EXPECT_EQ(FleetValue(fleet, twoPorts.mac, 56, "C2_BAUD"), "2400");
    VF_Destroy(fleet);
}

TEST(WindowsHost, IoModuleReadingsAndLevels) {
    void *channel = VD_TCPInit(kIoModule, kPort);
    ASSERT_NE(channel, nullptr);
    uint32_t a = 0, b = 0;
    EXPECT_EQ(VD_GetAD(channel, &a, &b), VD_FAIL);  // only asks
    Sleep(200);
    EXPECT_EQ(VD_GetAD(channel, &a, &b), VD_OK);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(1234u, 3071u));
    uint8_t io1 = 0, io2 = 0;
    VD_GetIO(channel, &io1, &io2);
    Sleep(200);
    EXPECT_EQ(VD_GetIO(channel, &io1, &io2), VD_OK);
    EXPECT_EQ(std::make_pair(io1, io2), std::make_pair(uint8_t(5), uint8_t(160)));
    EXPECT_EQ(VD_SetIODir(channel, 15), VD_OK);
    EXPECT_EQ(VD_SetIOLevel(channel, 5), VD_OK);
    EXPECT_EQ(VD_TCPUninit(channel), VD_OK);
}

TEST(WindowsHost, FirmwareDownloadOverTcp) {
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "img", 0, path);
    std::string image(3000, '\0');
    for (size_t i = 0; i < image.size(); ++i) image[i] = char(i * 7);
    ASSERT_TRUE(std::ofstream(path, std::ios::binary).write(image.data(), std::streamsize(image.size())));
    EXPECT_EQ(VD_SendCmd(5, kSerial, kPort, "DOWNLOAD", path, 0), VD_OK);
    DeleteFileA(path);
}

TEST(WindowsHost, DataReachesARealWindowThroughTheHostsLoop) {
    DataWindow window;
    ASSERT_NE(window.hwnd, nullptr);
    ASSERT_EQ(VD_TCPConnect(kIoModule, kPort), VD_OK);
    EXPECT_EQ(VD_TCPSetRecHWnd(window.hwnd, kDataMessage), VD_OK);
    const char request[] = {'\xAA', '\x05', '\x00', '\xAF', '\x0D'};  // "GETADC"
    EXPECT_EQ(VD_TCPSend(request, sizeof request), int32_t(sizeof request));
    RunLoop(2000, [&] { return window.received.size() >= 9; });
    ASSERT_GE(window.received.size(), 9u);
    EXPECT_EQ(window.received.substr(0, 2), "\xAA\x05");
    EXPECT_TRUE(window.terminated);
    VD_TCPSetRecHWnd(nullptr, 0);
    EXPECT_EQ(VD_TCPDisconnect(), VD_OK);
}

// Notifications belong to the loading thread: a connect made on another
// thread completes while this thread runs its loop, and fails after its wait
// while this thread does not.
TEST(WindowsHost, ConnectFromASecondThreadNeedsTheLoadingThreadsLoop) {
    void *channel = nullptr;
    bool done = false;
    auto start = Clock::now();
    std::thread second([&] {
        channel = VD_TCPInit(kIoModule, kPort);
        done = true;
    });
    RunLoop(5000, [&] { return done; });
    second.join();
    EXPECT_NE(channel, nullptr);
    EXPECT_LT(Seconds(start), 1.0);
    VD_TCPUninit(channel);

    start = Clock::now();
    std::thread([&] { channel = VD_TCPInit(kIoModule, kPort); }).join();
    EXPECT_EQ(channel, nullptr);
    // The UDP family polls and needs no loop.
    EXPECT_EQ(Search(kSerial).type, 5);
}

// A library whose load step cannot start Windows Sockets refuses to load:
// a copy of the DLL, loaded while WSAStartup answers WSASYSNOTREADY.
TEST(WindowsHost, TheLoadIsRefusedWhenWindowsSocketsCannotStart) {
    char dll[MAX_PATH], folder[MAX_PATH], copy[MAX_PATH];
    GetModuleFileNameA(GetModuleHandleA("vandrel.dll"), dll, MAX_PATH);
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "vdl", 0, copy);
    ASSERT_TRUE(CopyFileA(dll, copy, FALSE));
    auto *start = reinterpret_cast<unsigned char *>(GetProcAddress(GetModuleHandleA("ws2_32.dll"), "WSAStartup"));
    // mov eax, 10091; ret (ret 8 for __stdcall on 32-bit)
    const unsigned char failing[] = {0xB8, 0x6B, 0x27, 0x00, 0x00, sizeof(void *) == 8 ? 0xC3 : 0xC2, 0x08, 0x00};
    unsigned char saved[sizeof failing];
    DWORD protection;
    ASSERT_TRUE(VirtualProtect(start, sizeof failing, PAGE_EXECUTE_READWRITE, &protection));
    std::memcpy(saved, start, sizeof saved);
    std::memcpy(start, failing, sizeof failing);
    HMODULE refused = LoadLibraryA(copy);
    const DWORD error = GetLastError();
    std::memcpy(start, saved, sizeof saved);
    FlushInstructionCache(GetCurrentProcess(), start, sizeof saved);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(error, DWORD(ERROR_DLL_INIT_FAILED));
    HMODULE loaded = LoadLibraryA(copy);
    EXPECT_NE(loaded, nullptr);
    for (HMODULE module : {refused, loaded})
        if (module) FreeLibrary(module);
    DeleteFileA(copy);
}

}  // namespace

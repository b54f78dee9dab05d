// Each call against its floor: the sleeps its protocol prescribes (pauses,
// drains, 10 ms poll steps and the event loop's waits for its deadlines),
// counted as the library takes them. The devices are vandrel-sim's
// (bench/fleet.txt), started by scripts/bench.sh.
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <vector>

#include "sim_net.h"
#include "sleep_counter.h"
#include "table.h"
#include "vandrel.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char *kAnswers = "127.0.0.2";
constexpr const char *kSilent = "127.0.0.5";
constexpr const char *kOnePort = "02:00:00:00:00:10";
constexpr const char *kEightPorts = "02:00:00:00:00:13";
// A MAC no device of the fleet has: a family B device that does not answer.
constexpr const char *kNoSuchMac = "02:00:00:00:00:99";
constexpr const char *kAtHost = "127.0.0.10";
constexpr const char *kIoHost = "127.0.0.3";
constexpr const char *kPassword = "admin";
constexpr uint16_t kPort = 8800;
// The largest total the firmware download accepts: 223 chunks of 512 bytes.
constexpr size_t kLargestImage = 114176;

int Repeats(int full) { return vdbench::g_quick ? 1 : full; }

double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Times call (which must succeed) over several repeats against the sleeps it
// took; setup runs before each repeat, untimed.
void AgainstFloor(benchmark::State &state, int repeats, const std::function<bool()> &call,
                  const std::function<void()> &setup = [] {}) {
    for (auto _ : state) {
        double took = 0, floor = 0;
        for (int i = 0; i < repeats; ++i) {
            setup();
            vdbench::StartCountingSleeps();
            const auto start = Clock::now();
            const bool ok = call();
            took += std::chrono::duration<double>(Clock::now() - start).count();
            floor += vdbench::StopCountingSleeps();
            if (!ok) return state.SkipWithError("the call failed");
        }
        vdbench::Report(state, took * 1e3 / repeats, floor * 1e3 / repeats, "ms", "sleeps it must take");
    }
}

void ReadByIpAnswered(benchmark::State &state) {
    AgainstFloor(state, Repeats(10), [] { return VD_GetDevInfoUDPbyIP(kAnswers, 5) == VD_OK; });
}

void ReadByIpSilent(benchmark::State &state) {
    AgainstFloor(state, Repeats(3), [] { return VD_GetDevInfoUDPbyIP(kSilent, 5) == VD_FAIL; });
}

void ReadByMacOnePort(benchmark::State &state) {
    AgainstFloor(state, Repeats(5), [] { return VD_GetDevInfoUDPbyMAC(kOnePort, 32) == VD_OK; });
}

void ReadByMacEightPorts(benchmark::State &state) {
    AgainstFloor(state, Repeats(5), [] { return VD_GetDevInfoUDPbyMAC(kEightPorts, 64) == VD_OK; });
}

void ReadByMacSilent(benchmark::State &state) {
    AgainstFloor(state, Repeats(3), [] { return VD_GetDevInfoUDPbyMAC(kNoSuchMac, 32) == VD_FAIL; });
}

void StageName() {
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("NAME", "bench");
}

void WriteByIp(benchmark::State &state) {
    AgainstFloor(state, Repeats(5), [] { return VD_ModifyDevUDPbyIP(kAnswers, kPassword, 5) == VD_OK; }, StageName);
}

void WriteByMac(benchmark::State &state) {
    AgainstFloor(state, Repeats(5), [] { return VD_ModifyDevUDPbyMAC(kOnePort, kPassword, 32) == VD_OK; },
                 StageName);
}

void AtLogin(benchmark::State &state) {
    AgainstFloor(state, Repeats(5), [] { return VD_LoginTCP(32, kAtHost, kPort, kPassword) == VD_OK; },
                 [] { VD_ExitTCP(); });
    VD_ExitTCP();
}

void AtRead(benchmark::State &state) {
    if (VD_LoginTCP(32, kAtHost, kPort, kPassword) != VD_OK) return state.SkipWithError("login failed");
    AgainstFloor(state, Repeats(20), [] {
        char value[VD_VALUE_LEN];
        return VD_GetDevConfigTCP("NAME", value) == VD_OK;
    });
    VD_ExitTCP();
}

void AtWrite(benchmark::State &state) {
    if (VD_LoginTCP(32, kAtHost, kPort, kPassword) != VD_OK) return state.SkipWithError("login failed");
    AgainstFloor(state, Repeats(20), [] {
        char value[16] = "bench";
        return VD_ModifyDevConfigTCP("NAME", value) == VD_OK;
    });
    VD_ExitTCP();
}

void FirmwareDownload(benchmark::State &state) {
    char path[] = "/tmp/vandrel-bench-XXXXXX";
    const int fd = mkstemp(path);
    const std::vector<char> image(kLargestImage, 'f');
    const bool written = fd >= 0 && write(fd, image.data(), image.size()) == ssize_t(image.size());
    if (fd >= 0) close(fd);
    if (!written) return state.SkipWithError("no image file");
    AgainstFloor(state, Repeats(2), [&] { return VD_SendCmd(5, kAnswers, kPort, "DOWNLOAD", path, 0) == VD_OK; });
    unlink(path);
}

// The IO module's reading, asked and collected through a channel (VD_GetAD
// sends a request and collects the reply to the one before), against the
// same exchange over a plain socket: the floor of a round trip is the
// network's.
void IoRoundTrip(benchmark::State &state) {
    void *handle = VD_TCPInit(kIoHost, kPort);
    const int plain = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in to = vdsim::MakeAddress(kIoHost, kPort);
    if (!handle) return state.SkipWithError("no channel");
    const int rounds = vdbench::g_quick ? 100 : 2000;
    uint32_t a = 0, b = 0;
    double library = 0, reference = 0;
    VD_GetAD(handle, &a, &b);
    for (auto _ : state) {
        for (int i = 0; i < rounds; ++i) {
            auto start = Clock::now();
            while (VD_GetAD(handle, &a, &b) != VD_OK) {
            }
            library += std::chrono::duration<double>(Clock::now() - start).count();
        }
    }
    VD_TCPUninit(handle);
    // The module serves one client at a time, so the plain socket comes second.
    if (connect(plain, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
        close(plain);
        return state.SkipWithError("no plain connection");
    }
    const uint8_t request[] = {0xAA, 0x05, 0x00, 0xAF, 0x0D};
    uint8_t reply[64];
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        send(plain, request, sizeof request, MSG_NOSIGNAL);
        recv(plain, reply, sizeof reply, 0);
        reference += std::chrono::duration<double>(Clock::now() - start).count();
    }
    close(plain);
    vdbench::Report(state, library * 1e6 / rounds, reference * 1e6 / rounds, "us", "plain socket round trip");
}

// What a call costs the processor while it waits for a silent device.
void WaitingProcessor(benchmark::State &state) {
    for (auto _ : state) {
        const double cpu = ThreadCpuSeconds();
        const auto start = Clock::now();
        VD_GetDevInfoUDPbyIP(kSilent, 5);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        vdbench::Report(state, (ThreadCpuSeconds() - cpu) / wall * 100, 0, "% of a processor",
                        "a read by IP waiting 2.25 s for a silent device");
    }
}

}  // namespace

BENCHMARK(ReadByIpAnswered)->Name("read by IP, device answers")->Iterations(1)->UseRealTime();
BENCHMARK(ReadByIpSilent)->Name("read by IP, device silent")->Iterations(1)->UseRealTime();
BENCHMARK(ReadByMacOnePort)->Name("read by MAC, 1 port")->Iterations(1)->UseRealTime();
BENCHMARK(ReadByMacEightPorts)->Name("read by MAC, 8 ports")->Iterations(1)->UseRealTime();
BENCHMARK(ReadByMacSilent)->Name("read by MAC, device silent")->Iterations(1)->UseRealTime();
BENCHMARK(WriteByIp)->Name("write by IP")->Iterations(1)->UseRealTime();
BENCHMARK(WriteByMac)->Name("write by MAC, 1 port")->Iterations(1)->UseRealTime();
BENCHMARK(AtLogin)->Name("AT session login")->Iterations(1)->UseRealTime();
BENCHMARK(AtRead)->Name("AT session read")->Iterations(1)->UseRealTime();
BENCHMARK(AtWrite)->Name("AT session write")->Iterations(1)->UseRealTime();
BENCHMARK(IoRoundTrip)->Name("IO reading (VD_GetAD until one returns it)")->Iterations(1)->UseRealTime();
BENCHMARK(FirmwareDownload)->Name("firmware download, largest image (114,176 bytes)")->Iterations(1)->UseRealTime();
BENCHMARK(WaitingProcessor)->Name("processor time while waiting")->Iterations(1)->UseRealTime();

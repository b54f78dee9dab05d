#include "interrupt.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

namespace vdcli {

namespace {

volatile sig_atomic_t g_interrupted = 0;

// The exit handler's message, prepared before the signal can come; the
// handler itself only calls async-signal-safe functions.
char g_exitMessage[512];
char g_exitDocument[1024];
timespec g_exitStart;

void OnInterrupt(int) { g_interrupted = 1; }

void Install(void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
}

// Decimal digits of n into out (room for 20); returns the length.
size_t Digits(long long n, char *out) {
    char reversed[20];
    size_t len = 0;
    do {
        reversed[len++] = char('0' + n % 10);
        n /= 10;
    } while (n > 0 && len < sizeof reversed);
    for (size_t i = 0; i < len; ++i) out[i] = reversed[len - 1 - i];
    return len;
}

void ExitNow(int) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long ms = (now.tv_sec - g_exitStart.tv_sec) * 1000LL + (now.tv_nsec - g_exitStart.tv_nsec) / 1000000;
    char tail[64] = " (after ";
    size_t n = std::strlen(tail);
    n += Digits(ms < 0 ? 0 : ms, tail + n);
    std::memcpy(tail + n, " ms)\n", 5);
    n += 5;
    ssize_t ignored = write(STDERR_FILENO, g_exitMessage, std::strlen(g_exitMessage));
    ignored = write(STDERR_FILENO, tail, n);
    ignored = write(STDOUT_FILENO, g_exitDocument, std::strlen(g_exitDocument));
    (void)ignored;
    _exit(kExitInterrupted);
}

}  // namespace

void CatchInterrupt() { Install(OnInterrupt); }

bool Interrupted() { return g_interrupted != 0; }

void ExitOnInterrupt(const std::string &message, const std::string &document) {
    std::strncpy(g_exitMessage, message.c_str(), sizeof g_exitMessage - 1);
    std::strncpy(g_exitDocument, document.c_str(), sizeof g_exitDocument - 1);
    clock_gettime(CLOCK_MONOTONIC, &g_exitStart);
    Install(ExitNow);
}

}  // namespace vdcli

// Ctrl-C on Windows: the C runtime's signal() serves, and is re-armed after
// each signal, as Windows resets it to the default.
#include <io.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interrupt.h"

namespace vdcli {

namespace {

volatile sig_atomic_t g_interrupted = 0;
char g_exitMessage[512];
char g_exitDocument[1024];
std::chrono::steady_clock::time_point g_exitStart;

void OnInterrupt(int) {
    g_interrupted = 1;
    signal(SIGINT, OnInterrupt);
}

void ExitNow(int) {
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                               g_exitStart)
                             .count();
    char tail[64];
    const int n = std::snprintf(tail, sizeof tail, " (after %lld ms)\n", ms);
    _write(2, g_exitMessage, unsigned(std::strlen(g_exitMessage)));
    _write(2, tail, unsigned(n));
    _write(1, g_exitDocument, unsigned(std::strlen(g_exitDocument)));
    _exit(kExitInterrupted);
}

}  // namespace

void CatchInterrupt() { signal(SIGINT, OnInterrupt); }

bool Interrupted() { return g_interrupted != 0; }

void ExitOnInterrupt(const std::string &message, const std::string &document) {
    std::strncpy(g_exitMessage, message.c_str(), sizeof g_exitMessage - 1);
    std::strncpy(g_exitDocument, document.c_str(), sizeof g_exitDocument - 1);
    g_exitStart = std::chrono::steady_clock::now();
    signal(SIGINT, ExitNow);
}

}  // namespace vdcli

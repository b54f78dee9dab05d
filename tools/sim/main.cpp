// vandrel-sim: runs a fleet of simulated devices on loopback addresses, for
// trying the vandrel tool and library without owning a device. It prints the
// fleet, then one line per request its devices serve, until SIGINT or SIGTERM.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim_fleet.h"
#include "sim_safety.h"

using namespace vdsim;

namespace {

// A namespace of loopback alone, with the limited broadcast address routed
// to it, made with nothing but util-linux and iproute2.
constexpr const char *kPrivateNamespace =
    "unshare -n sh -c 'ip link set lo up; ip route add broadcast 255.255.255.255 dev lo table local "
    "src 127.0.0.1; vandrel-sim'";

void Usage(FILE *to) {
    std::fprintf(to,
                 "usage: vandrel-sim [--fleet FILE | --fleet-size N] [--crowd N] [--hostile] "
                 "[--search-flood N] [--set ADDRESS NAME=VALUE]... [--quiet]\n"
                 "       vandrel-sim --print-fleet [--fleet-size N] [--hostile]\n"
                 "       vandrel-sim --check-network\n\n"
                 "Runs simulated devices on 127.x.x.x addresses until SIGINT or SIGTERM, and\n"
                 "logs one line per request they serve. It must run in a private network\n"
                 "namespace whose only interface is loopback, such as this one makes:\n"
                 "  %s\n"
                 "or in a site of a lab of veth links (198.18.0.0/15), where the devices take\n"
                 "the site's addresses.\n\n"
                 "Options:\n"
                 "  --fleet FILE     the devices to run (default: the built-in fleet)\n"
                 "  --fleet-size N   instead, N devices (up to %d): family A and family B by\n"
                 "                   turns, every type code, 127.1.x.y addresses, password admin\n"
                 "  --print-fleet    print the fleet (built-in or --fleet-size), a starting\n"
                 "                   point for a FILE\n"
                 "  --crowd N        N more devices (127.2.0.1 on) that answer each search at\n"
                 "                   once; alone, instead of the built-in fleet\n"
                 "  --hostile        add hostile devices: names of chosen bytes (127.0.0.20\n"
                 "                   family A, 127.0.0.21 family B and its AT session) and a\n"
                 "                   data channel that never stops sending (127.0.0.22)\n"
                 "  --search-flood N  add a device (127.3.0.1) that answers each search with N\n"
                 "                    answers never given before: random MACs, 127.3.x.y\n"
                 "  --set ADDRESS NAME=VALUE  give the device at ADDRESS that setting, as\n"
                 "                   on its line of a fleet file (firmware=no-ack, ...)\n"
                 "  --check-network  tell whether this is a place where it runs (exit 0) or not (2)\n"
                 "  --quiet          do not log requests\n\n"
                 "A fleet file has one device per line, '#' starts a comment:\n%s",
                 kPrivateNamespace, kMaxFleetSize, FleetSettingsHelp());
}

std::string Timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const long ms = long(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec, ms);
    return text;
}

void PrintFleet(const std::vector<std::unique_ptr<FleetMember>> &members) {
    std::printf("%-10s %-15s %-9s %-17s %-5s %s\n", "KIND", "ADDRESS", "SERVICE", "MAC", "TYPE", "PASSWORD");
    for (const auto &m : members)
        for (const FleetRow &r : m->Rows())
            std::printf("%-10s %-15s %-9s %-17s %-5s %s\n", r.kind.c_str(), r.address.c_str(), r.service.c_str(),
                        r.mac.c_str(), r.type.c_str(), r.password.c_str());
}

struct Options {
    std::string fleetFile, crowd, searchFlood;
    std::vector<std::pair<std::string, std::string>> settings;  // --set
    bool quiet = false, print = false, checkOnly = false, hostile = false;
    long size = 0;
};

// Reads the command line; false with the exit status when it says to stop.
bool ParseOptions(int argc, char **argv, Options &o, int &status) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        char *end = nullptr;
        if (a == "--fleet" && i + 1 < argc && o.size == 0) {
            o.fleetFile = argv[++i];
        } else if (a == "--fleet-size" && i + 1 < argc && o.fleetFile.empty()) {
            o.size = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || o.size < 1 || o.size > kMaxFleetSize) {
                std::fprintf(stderr, "vandrel-sim: --fleet-size takes 1 to %d devices\n", kMaxFleetSize);
                status = 2;
                return false;
            }
        } else if (a == "--crowd" && i + 1 < argc) {
            o.crowd = argv[++i];
        } else if (a == "--search-flood" && i + 1 < argc) {
            o.searchFlood = argv[++i];
        } else if (a == "--set" && i + 2 < argc) {
            o.settings.emplace_back(argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (a == "--hostile") {
            o.hostile = true;
        } else if (a == "--check-network") {
            o.checkOnly = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--print-fleet") {
            o.print = true;
        } else {
            const bool help = a == "--help" || a == "-h";
            Usage(help ? stdout : stderr);
            status = help ? 0 : 2;
            return false;
        }
    }
    return true;
}

// The devices that options add to the fleet.
std::string ExtraFleetText(const Options &o) {
    std::string text;
    if (!o.crowd.empty()) text += "\ncrowd 127.2.0.1 count=" + o.crowd + "\n";
    if (!o.searchFlood.empty()) text += "\ncrowd 127.3.0.1 fresh=yes count=" + o.searchFlood + "\n";
    if (o.hostile) text += std::string("\n") + HostileFleetText();
    return text;
}

// The fleet the options name, made but not started; false with why.
bool MakeFleet(const Options &o, std::string text, std::vector<FleetEntry> &entries, FleetShared &shared,
               std::vector<std::unique_ptr<FleetMember>> &members, std::string &error) {
    if (!o.fleetFile.empty()) {
        std::ifstream in(o.fleetFile);
        if (!in) {
            error = "cannot read " + o.fleetFile;
            return false;
        }
        std::ostringstream all;
        all << in.rdbuf();
        text = all.str();
    }
    text += ExtraFleetText(o);
    for (const auto &setting : o.settings)
        if (!AddSetting(text, setting.first, setting.second, error)) return false;
    if (!ParseFleet(text, entries, error)) return false;
    for (const FleetEntry &e : entries) {
        members.push_back(MakeMember(e, shared, error));
        if (!members.back()) return false;
    }
    return true;
}

// Logs the devices' requests until SIGINT or SIGTERM, which the caller has
// blocked so that they are taken here, on the main thread; returns which.
int ServeUntilStopped(const sigset_t &stopSignals, std::vector<std::unique_ptr<FleetMember>> &members, bool quiet) {
    const timespec tick{0, 100 * 1000 * 1000};
    int stopSignal = -1;
    while (stopSignal < 0) {
        stopSignal = sigtimedwait(&stopSignals, nullptr, &tick);
        std::vector<std::string> lines;
        for (auto &m : members) m->TakeLog(lines);
        if (quiet) continue;
        const std::string stamp = Timestamp();
        for (const std::string &l : lines) std::printf("%s %s\n", stamp.c_str(), l.c_str());
        if (!lines.empty()) std::fflush(stdout);
    }
    return stopSignal;
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    int status = 0;
    if (!ParseOptions(argc, argv, o, status)) return status;
    const std::string text = o.size > 0 ? GeneratedFleetText(int(o.size)) : o.crowd.empty() ? DefaultFleetText() : "";
    if (o.print) {
        std::fputs((text + ExtraFleetText(o)).c_str(), stdout);
        return 0;
    }
    std::string why;
    if (!InPrivateNetwork(why)) {
        std::fprintf(stderr, "vandrel-sim: refusing to run: %s; run it in a private network namespace: %s\n",
                     why.c_str(), kPrivateNamespace);
        return 2;
    }
    if (o.checkOnly) return 0;
    std::vector<FleetEntry> entries;
    FleetShared shared;
    std::vector<std::unique_ptr<FleetMember>> members;
    if (!MakeFleet(o, text, entries, shared, members, why)) {
        std::fprintf(stderr, "vandrel-sim: %s\n", why.c_str());
        return 2;
    }

    // A shell starts background jobs with SIGINT ignored; take it back.
    signal(SIGINT, SIG_DFL);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    for (size_t i = 0; i < members.size(); ++i)
        if (!members[i]->Start()) {
            std::fprintf(stderr, "vandrel-sim: line %d: %s %s: cannot open its sockets (address in use?)\n",
                         entries[i].line, entries[i].kind.c_str(), entries[i].address.c_str());
            for (auto &m : members) m->Stop();
            return 1;
        }
    PrintFleet(members);
    std::printf("vandrel-sim: %zu devices ready; stop with Ctrl-C\n", members.size());
    std::fflush(stdout);
    const int stopSignal = ServeUntilStopped(stopSignals, members, o.quiet);
    for (auto &m : members) m->Stop();
    std::printf("vandrel-sim: stopped (%s)\n", stopSignal == SIGINT ? "SIGINT" : "SIGTERM");
    return 0;
}

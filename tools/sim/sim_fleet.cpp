#include "sim_fleet.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>

#include "sim_fleet_members.h"
#include "sim_safety.h"

namespace vdsim {

namespace {

const char kDefaultFleet[] =
    "# family A, addressed by IP: one device of each type group\n"
    "family-a   127.0.0.2   type=5  name=serial-5  password=admin\n"
    "family-a   127.0.0.3   type=7  name=io-10t    password=admin\n"
    "family-a   127.0.0.4   type=17 name=can-17    password=admin\n"
    "# family B, addressed by MAC: 1, 2, 4 and 8 ports, each with its AT session on TCP\n"
    "family-b   127.0.0.10  type=32 name=one-port    password=admin\n"
    "family-b   127.0.0.11  type=56 name=two-ports   password=admin\n"
    "family-b   127.0.0.12  type=48 name=four-ports  password=admin\n"
    "family-b   127.0.0.13  type=64 name=eight-ports password=admin\n"
    "# the IO lines of the 10T device, and the firmware receiver of the serial one\n"
    "io-module  127.0.0.3   port=8800 adc=1234,3071 io=5,160\n"
    "firmware   127.0.0.2   port=8800 transport=tcp\n";

// Chosen bytes where a front end prints device text: a screen clear and
// cursor home, BEL, CR/LF that would forge a line, DEL, bytes outside UTF-8,
// markup for a page; family B names hold 15 bytes, its AT session more.
const char kHostileFleet[] =
    "# hostile devices: texts of chosen bytes, a data channel that never stops\n"
    "family-a   127.0.0.20  type=5  search=items password=admin "
    "name=\\x1b[2J\\x1b[H\\x07\\x0d\\x0afake\\x7f\\xff<img\\x20src=x\\x20onerror=alert(1)>\n"
    "family-b   127.0.0.21  type=32 password=admin name=\\x1b[2J\\x07\\x0d\\x0a<b>x\\x7f\\xff "
    "at.NAME=\\x1b[2J\\x1b[H\\x07evil\\x0d\\x0aforged\\x7f\\xff<img\\x20src=x\\x20onerror=alert(1)>\n"
    "data-flood 127.0.0.22  port=8800\n";

const char kSettingsHelp[] =
    "  family-a  ADDRESS type=N [name=TEXT] [password=TEXT] [mac=XX:..] [version=N]\n"
    "            [search=fixed|items] [silent=yes] [silent-after=N]\n"
    "            [search-reply=BYTES] [info-reply=BYTES] [restart-ms=N]\n"
    "            [firmware=none|no-ack|never-back|stays-old]\n"
    "  family-b  ADDRESS type=N [name=TEXT] [password=TEXT] [mac=XX:..] [version=N]\n"
    "            [at-port=N|none] [silent=yes] [ignore-writes=N] [at.KEY=TEXT]...\n"
    "  io-module ADDRESS [port=N] [adc=A,B] [io=A,B]\n"
    "  firmware  ADDRESS [port=N] [transport=tcp|udp]\n"
    "  crowd     ADDRESS [count=N] [fresh=yes] [seed=N]   N devices (up to 65536) from\n"
    "            ADDRESS on, that answer each search as fast as they can\n"
    "  data-flood ADDRESS [port=N] [bytes=TEXT]   a TCP data channel that sends\n"
    "            without end to whoever connects\n"
    "silent-after=N: the device answers N information requests, then none.\n"
    "ignore-writes=N: the first N writes of each block do not take.\n"
    "TEXT and BYTES take \\xNN for any byte (\\x20 a space, \\x23 a '#') and \\\\ for\n"
    "a backslash. search-reply, info-reply: answer with these bytes instead.\n"
    "at.KEY=TEXT: the AT session answers TEXT for KEY. fresh=yes: each search gets\n"
    "count new answers (random MACs and types, addresses in ADDRESS's /16).\n"
    "data-flood sends TEXT (default: the bytes 0 to 255) over and over.\n"
    "restart-ms=N: a restart keeps the device away N ms (default 0; 2000 in\n"
    "--fleet-size fleets); back, it runs the version its last whole download names\n"
    "(VERSION=1.06 in the first image). firmware=: it never acknowledges a chunk,\n"
    "never comes back after a restart, or comes back with its old version.\n";

bool IsDeviceAddress(const std::string &address) {
    in_addr a{};
    return inet_pton(AF_INET, address.c_str(), &a) == 1 && ((ntohl(a.s_addr) >> 24) == 127 || IsLabAddress(address));
}

}  // namespace

const char *DefaultFleetText() { return kDefaultFleet; }
const char *HostileFleetText() { return kHostileFleet; }

std::string GeneratedFleetText(int size) {
    static const int kTypesA[] = {5, 7, 17, 1, 3, 18, 33, 9, 19, 2, 4, 6, 8};
    static const int kTypesB[] = {32, 56, 48, 64};
    constexpr int kPerNet = 250;
    std::string text = "# " + std::to_string(size) + " devices, family A and family B by turns\n";
    for (int i = 0; i < size; ++i) {
        const bool a = i % 2 == 0;
        const int type = a ? kTypesA[size_t(i / 2) % std::size(kTypesA)] : kTypesB[size_t(i / 2) % std::size(kTypesB)];
        char line[128];
        std::snprintf(line, sizeof line, "%s 127.1.%d.%d type=%d name=dev-%04d password=admin%s\n",
                      a ? "family-a" : "family-b", i / kPerNet, i % kPerNet + 1, type, i + 1,
                      a ? " restart-ms=2000" : " at-port=none");
        text += line;
    }
    return text;
}
const char *FleetSettingsHelp() { return kSettingsHelp; }

bool AddSetting(std::string &text, const std::string &address, const std::string &setting, std::string &error) {
    std::istringstream lines(text);
    std::string out, line, kind, at;
    bool found = false;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        if (!found && words >> kind >> at && at == address) {
            line = line.substr(0, line.find('#')) + " " + setting;
            found = true;
        }
        out += line + "\n";
    }
    if (!found) error = "--set " + address + ": no device of the fleet has that address";
    text = out;
    return found;
}

bool ParseFleet(const std::string &text, std::vector<FleetEntry> &entries, std::string &error) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        FleetEntry e;
        e.line = number;
        if (!(words >> e.kind)) continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (!(words >> e.address) || !IsDeviceAddress(e.address)) {
            error = where + "the address must be a 127.x.x.x address, or a lab address in 198.18.0.0/15";
            return false;
        }
        for (std::string w; words >> w;) {
            const size_t eq = w.find('=');
            if (eq == 0 || eq == std::string::npos) {
                error = where + "'" + w + "' is not NAME=VALUE";
                return false;
            }
            e.settings[w.substr(0, eq)] = w.substr(eq + 1);
        }
        entries.push_back(e);
    }
    return true;
}

std::unique_ptr<FleetMember> MakeMember(const FleetEntry &entry, FleetShared &shared, std::string &error) {
    using Factory = std::unique_ptr<FleetMember> (*)(const FleetEntry &, std::string &);
    static const std::map<std::string, Factory> kKinds = {
        {"family-a", MakeFamilyAMember},
        {"io-module", MakeIoModuleMember},
        {"firmware", MakeFirmwareMember},
        {"crowd", MakeCrowdMember},
        {"data-flood", MakeDataFloodMember},
    };
    const auto it = kKinds.find(entry.kind);
    if (entry.kind == "family-b") {
        std::unique_ptr<FleetMember> member = MakeFamilyBMember(entry, shared.familyB, error);
        if (!member) error = "line " + std::to_string(entry.line) + ": " + error;
        return member;
    }
    if (it == kKinds.end()) {
        error = "line " + std::to_string(entry.line) + ": unknown kind '" + entry.kind + "'";
        return nullptr;
    }
    std::unique_ptr<FleetMember> member = it->second(entry, error);
    if (!member) error = "line " + std::to_string(entry.line) + ": " + error;
    return member;
}

void EntrySettings::Bad(const std::string &name, const std::string &why) {
    if (m_error.empty()) m_error = name + "=" + m_entry.settings.at(name) + ": " + why;
}

std::string EntrySettings::Text(const std::string &name, const std::string &fallback) {
    m_used.insert(name);
    const auto it = m_entry.settings.find(name);
    return it == m_entry.settings.end() ? fallback : it->second;
}

namespace {

// "\xNN" stands for the byte NN and "\\" for a backslash; false for any
// other backslash.
bool DecodeEscapes(const std::string &text, std::string &out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
        } else if (text.compare(i, 2, "\\\\") == 0) {
            out += '\\';
            ++i;
        } else if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size() && std::isxdigit((unsigned char)text[i + 2]) &&
                   std::isxdigit((unsigned char)text[i + 3])) {
            out += char(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

bool EntrySettings::Escaped(const std::string &name, const std::string &fallback, size_t max, std::string &out) {
    if (!DecodeEscapes(Text(name, fallback), out)) {
        Bad(name, "a backslash starts only \\xNN or \\\\");
        return false;
    }
    if (out.size() > max) {
        Bad(name, "at most " + std::to_string(max) + " bytes");
        return false;
    }
    return true;
}

std::vector<std::string> EntrySettings::NamesWithPrefix(const std::string &prefix) const {
    std::vector<std::string> names;
    for (const auto &s : m_entry.settings)
        if (s.first.compare(0, prefix.size(), prefix) == 0) names.push_back(s.first);
    return names;
}

bool EntrySettings::Number(const std::string &name, long fallback, long min, long max, long &out) {
    m_used.insert(name);
    const auto it = m_entry.settings.find(name);
    out = fallback;
    if (it == m_entry.settings.end()) return true;
    char *end = nullptr;
    const long v = std::strtol(it->second.c_str(), &end, 0);
    if (it->second.empty() || *end != '\0' || v < min || v > max) {
        Bad(name, "expected a number from " + std::to_string(min) + " to " + std::to_string(max));
        return false;
    }
    out = v;
    return true;
}

bool EntrySettings::Pair(const std::string &name, long max, long out[2]) {
    const std::string text = Text(name, "");
    if (text.empty()) return true;
    unsigned long a = 0, b = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%lu,%lu%c", &a, &b, &extra) != 2 || a > (unsigned long)max || b > (unsigned long)max) {
        Bad(name, "expected two numbers up to " + std::to_string(max) + ", as A,B");
        return false;
    }
    out[0] = long(a);
    out[1] = long(b);
    return true;
}

bool EntrySettings::Mac(std::array<uint8_t, 6> &out) {
    in_addr a{};
    inet_pton(AF_INET, m_entry.address.c_str(), &a);
    const uint32_t ip = ntohl(a.s_addr);
    out = {0x02, 0x56, 0x44, uint8_t(ip >> 16), uint8_t(ip >> 8), uint8_t(ip)};
    const std::string text = Text("mac", "");
    if (text.empty()) return true;
    unsigned b[6];
    char extra = 0;
    if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &extra) != 6) {
        Bad("mac", "expected six hexadecimal bytes joined by ':'");
        return false;
    }
    for (int i = 0; i < 6; ++i) out[size_t(i)] = uint8_t(b[i]);
    return true;
}

bool EntrySettings::Flag(const std::string &name) {
    const std::string text = Text(name, "no");
    if (text != "yes" && text != "no") Bad(name, "expected yes or no");
    return text == "yes";
}

bool EntrySettings::Check(std::string &error) const {
    if (!m_error.empty()) {
        error = m_error;
        return false;
    }
    for (const auto &s : m_entry.settings)
        if (!m_used.count(s.first)) {
            error = "unknown setting '" + s.first + "' for " + m_entry.kind;
            return false;
        }
    return true;
}

std::string LogLine(const std::string &address, const std::string &service, const std::string &what) {
    char head[48];
    std::snprintf(head, sizeof head, "%-15s %-9s ", address.c_str(), service.c_str());
    return head + what;
}

std::string HexBytes(const std::vector<uint8_t> &bytes, size_t max) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < bytes.size() && i < max; ++i) {
        std::snprintf(pair, sizeof pair, "%s%02X", i ? " " : "", bytes[i]);
        text += pair;
    }
    return bytes.size() > max ? text + " ..." : text;
}

std::string MacText(const std::array<uint8_t, 6> &mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

}  // namespace vdsim

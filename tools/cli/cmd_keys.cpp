// keys: a device type's keys and what each means (its group, label, unit,
// the values it takes), from the setting rules that 'set' checks against;
// no device is asked.
#include "commands.h"
#include "device.h"
#include "key_rules.h"
#include "status.h"
#include "vandrel_rules.h"

namespace vdcli {

namespace {

// Longer lists of choices show in the table by their ends; the key alone shows them all.
constexpr size_t kListedChoices = 5;

std::string TakesShown(const KeyRule &r) { return r.readOnly ? "(read only)" : r.takes; }

std::string TakesInTable(const KeyRule &r) {
    if (r.choices.size() <= kListedChoices) return TakesShown(r);
    const auto shown = [](const std::pair<int64_t, std::string> &c) {
        return std::to_string(c.first) + " = " + c.second;
    };
    return shown(r.choices.front()) + " ... " + shown(r.choices.back()) + " (" + std::to_string(r.choices.size()) +
           " choices)";
}

// One key in full: its label and group, what it is for, what it takes.
void Detail(const Printer &out, const KeyRule &r) {
    out.Line(r.key + ": " + r.label + " (" + r.group + (r.unit.empty() ? "" : ", in " + r.unit) + ")");
    out.Line("  " + r.description);
    if (r.readOnly) return out.Line("  read only: shown by a read, never sent");
    if (r.choices.empty()) return out.Line("  takes " + r.takes);
    out.Line("  takes one of:");
    for (const auto &c : r.choices) out.Line("    " + std::to_string(c.first) + "  " + c.second);
}

// The refusal of a key the type does not have, with the key it was likely meant to be.
std::string UnknownKey(int type, const std::string &key) {
    char message[VR_MESSAGE_LEN] = "";
    VR_CheckSetting(type, key.c_str(), "", nullptr, nullptr, 0, message, sizeof message);
    return message;
}

int RunKeys(const Args &args, const Printer &out) {
    const std::string &typeText = args.Positionals()[0];
    long long type = 0;
    if (!ParseNumber(typeText, 0, 255, type) || FamilyOf(int(type)) == Family::None) {
        std::vector<std::string> lines = LinesOf(TypeListHelp());
        lines.insert(lines.begin(), "unknown device type '" + typeText + "'");
        return out.Fail(lines, 0, kExitUsage);
    }
    std::vector<KeyRule> all = KeyRulesOf(int(type)), chosen;
    for (size_t i = 1; i < args.Positionals().size(); ++i) {
        const std::string &key = args.Positionals()[i];
        const size_t before = chosen.size();
        for (const KeyRule &r : all)
            if (r.key == key) chosen.push_back(r);
        if (chosen.size() == before) return out.Fail(UnknownKey(int(type), key), 0, kExitUsage);
    }
    if (out.Json()) {
        JsonValue doc = KeyRulesJson(int(type));
        if (!chosen.empty()) {
            JsonValue keys = JsonValue::array();
            for (const KeyRule &r : chosen)
                for (const JsonValue &k : doc["keys"])
                    if (k["key"] == r.key) keys.push_back(k);
            doc["keys"] = keys;
        }
        out.Document(doc);
        return kExitOk;
    }
    if (!chosen.empty()) {
        for (const KeyRule &r : chosen) Detail(out, r);
        return kExitOk;
    }
    std::vector<Row> rows;
    for (const KeyRule &r : all) rows.push_back({r.key, r.group, r.label, TakesInTable(r)});
    out.Table({"KEY", "GROUP", "LABEL", "TAKES"}, rows);
    return kExitOk;
}

}  // namespace

std::vector<Command> KeyCommands() {
    CommandDef keys;
    keys.name = "keys";
    keys.synopsis = "TYPE [KEY...]";
    keys.summary = "list a device type's keys and what each takes";
    keys.details =
        "Lists the keys a read of a device of type TYPE shows, in the device's order,\n"
        "each with its group (device, network, port N, CAN, IO, IP filter), its label\n"
        "and the values it takes: a number from a range, or one of its choices, such\n"
        "as a baud code and the rate it stands for. 'set' refuses other values\n"
        "(exit status 2) unless --force. Keys marked read only are what the device\n"
        "is; they are shown, never sent. With KEY, each named key in full: its unit,\n"
        "what it is for and its choices. No device is asked.\n\n"
        "example:\n  vandrel keys 5 C1_BAUD\n\n" +
        TypeListHelp();
    keys.minPositionals = 1;
    return {{keys, RunKeys}};
}

}  // namespace vdcli

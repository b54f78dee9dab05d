#include "args.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace vdcli {

namespace {

const Option kCommon[] = {
    {"--json", "", "print the result as JSON on standard output"},
    {"--help", "", "show this help"},
};

const Option *FindOption(const CommandDef &def, const std::string &name) {
    for (const Option &o : def.options)
        if (o.name == name) return &o;
    for (const Option &o : kCommon)
        if (o.name == name) return &o;
    return nullptr;
}

std::string OptionLabel(const Option &o) { return o.valueName.empty() ? o.name : o.name + " " + o.valueName; }

}  // namespace

std::string Args::Value(const std::string &name, const std::string &fallback) const {
    auto it = m_values.find(name);
    return it == m_values.end() ? fallback : it->second;
}

bool ParseArgs(const CommandDef &def, const std::vector<std::string> &words, Args &out, std::string &error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string &w = words[i];
        if (optionsEnded || w.size() < 2 || w[0] != '-') {
            out.m_positionals.push_back(w);
            continue;
        }
        if (w == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t eq = w.find('=');
        const std::string name = w.substr(0, eq);
        const Option *o = FindOption(def, name);
        if (!o) {
            error = "unknown option " + name;
            return false;
        }
        const auto set = [&](const std::string &value) {
            const auto it = out.m_values.find(name);
            out.m_values[name] = o->repeatable && it != out.m_values.end() ? it->second + "," + value : value;
        };
        if (o->valueName.empty()) {
            if (eq != std::string::npos) {
                error = name + " takes no value";
                return false;
            }
            out.m_values[name] = "";
        } else if (eq != std::string::npos) {
            set(w.substr(eq + 1));
        } else if (i + 1 < words.size()) {
            set(words[++i]);
        } else {
            error = name + " needs a value (" + o->valueName + ")";
            return false;
        }
    }
    if (out.Help()) return true;
    const size_t n = out.m_positionals.size();
    if (n < def.minPositionals) {
        error = "missing arguments: " + def.synopsis;
        return false;
    }
    if (n > def.maxPositionals) {
        error = "too many arguments: " + out.m_positionals[def.maxPositionals];
        return false;
    }
    return true;
}

std::string HelpText(const CommandDef &def) {
    std::string text = "usage: vandrel " + def.name + (def.options.empty() ? "" : " [options]");
    if (!def.synopsis.empty()) text += " " + def.synopsis;
    text += "\n\n" + def.summary + "\n\noptions:\n";
    size_t width = 0;
    for (const Option &o : def.options)
        if (!o.hidden) width = std::max(width, OptionLabel(o).size());
    for (const Option &o : kCommon) width = std::max(width, OptionLabel(o).size());
    auto row = [&](const Option &o) {
        const std::string label = OptionLabel(o);
        text += "  " + label + std::string(width - label.size() + 2, ' ') + o.help + "\n";
    };
    for (const Option &o : def.options)
        if (!o.hidden) row(o);
    for (const Option &o : kCommon) row(o);
    std::string details = def.details;
    while (!details.empty() && details.back() == '\n') details.pop_back();
    if (!details.empty()) text += "\n" + details + "\n";
    return text + "\nexit status: 0 success, 1 failed, 2 usage error, 100 to 108 the device's or\n"
                  "library's answer (listed by 'vandrel --help'), 130 interrupted.\n";
}

bool ParseNumber(const std::string &text, long long min, long long max, long long &out) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char *end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) return false;
    out = v;
    return true;
}

}  // namespace vdcli

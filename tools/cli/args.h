// Command-line parsing: each subcommand declares its options and positional
// arguments once, and the same declaration drives parsing and --help.
#ifndef VANDREL_CLI_ARGS_H
#define VANDREL_CLI_ARGS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vdcli {

struct Option {
    std::string name;       // "--type"
    std::string valueName;  // "N"; empty for a flag
    std::string help;
    bool repeatable = false;  // each use adds its value, joined with ','
    bool hidden = false;      // for the tool's own front ends: left out of --help
};

struct CommandDef {
    std::string name;      // "show", or "firmware download"
    std::string synopsis;  // what follows the name and options, e.g. "ADDRESS [KEY...]"
    std::string summary;   // one line for the command list
    std::vector<Option> options;
    std::string details;   // paragraphs printed after the options
    size_t minPositionals = 0;
    size_t maxPositionals = SIZE_MAX;
};

class Args {
public:
    bool Has(const std::string &name) const { return m_values.count(name) != 0; }
    std::string Value(const std::string &name, const std::string &fallback = "") const;
    const std::vector<std::string> &Positionals() const { return m_positionals; }
    bool Json() const { return Has("--json"); }
    bool Help() const { return Has("--help"); }

private:
    friend bool ParseArgs(const CommandDef &, const std::vector<std::string> &, Args &, std::string &);
    std::map<std::string, std::string> m_values;
    std::vector<std::string> m_positionals;
};

// Parses the words after the command name. Every command also takes --json
// and --help. "--name value" and "--name=value" both work; "--" ends the
// options. Returns false with a message in error.
bool ParseArgs(const CommandDef &def, const std::vector<std::string> &words, Args &out, std::string &error);

std::string HelpText(const CommandDef &def);

// A whole decimal (or 0x hexadecimal) number in [min, max].
bool ParseNumber(const std::string &text, long long min, long long max, long long &out);

}  // namespace vdcli

#endif

// The settings of a --from file: the document 'vandrel show ADDRESS --json'
// prints, so that a backup is restored with 'vandrel set ADDRESS --from FILE'.
#ifndef VANDREL_CLI_SETTINGS_FILE_H
#define VANDREL_CLI_SETTINGS_FILE_H

#include <string>

#include "device_settings.h"

namespace vdcli {

struct SettingsFile {
    Pairs settings;     // in the file's order
    std::string ip, mac;  // the device the file came from, when it says
    int type = 0;         // 0 when it does not say
};

// Reads path ("-" for standard input); false with a message.
bool LoadSettingsFile(const std::string &path, SettingsFile &out, std::string &error);
// The same for a file's text already read; name is how messages call it.
bool ParseSettingsFile(const std::string &name, const std::string &text, SettingsFile &out, std::string &error);

// The document's settings object, also as apply writes it for set.
std::string SettingsDocument(const Pairs &settings);

}  // namespace vdcli

#endif

#include "settings_file.h"

#include "json_read.h"

namespace vdcli {

bool LoadSettingsFile(const std::string &path, SettingsFile &out, std::string &error) {
    std::string text;
    return ReadInput(path, "settings file", text, error) && ParseSettingsFile(path, text, out, error);
}

bool ParseSettingsFile(const std::string &path, const std::string &text, SettingsFile &out, std::string &error) {
    JsonValue doc;
    if (!ParseJson(text, doc, error)) {
        error = path + ": " + error;
        return false;
    }
    if (!doc.is_object() || !doc.contains("settings") || !doc["settings"].is_object()) {
        error = path + ": no \"settings\" object (the form 'vandrel show ADDRESS --json' prints)";
        return false;
    }
    for (const auto &item : doc["settings"].items()) {
        std::string value;
        if (!ValueText(item.value(), value)) {
            error = path + ": the value of " + item.key() + " is neither text nor a whole number";
            return false;
        }
        out.settings.emplace_back(item.key(), value);
    }
    if (doc.contains("ip") && doc["ip"].is_string()) out.ip = doc["ip"].get<std::string>();
    if (doc.contains("mac") && doc["mac"].is_string()) out.mac = doc["mac"].get<std::string>();
    if (doc.contains("type") && doc["type"].is_number_integer()) out.type = doc["type"].get<int>();
    return true;
}

std::string SettingsDocument(const Pairs &settings) {
    JsonValue values = JsonValue::object();
    for (const auto &p : settings) values[p.first] = p.second;
    return JsonText(JsonValue::object({{"settings", values}}), 2);
}

}  // namespace vdcli

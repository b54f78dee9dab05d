#include "plan.h"

#include <sstream>

#include "json_read.h"

namespace vdcli {

namespace {

bool BadSetting(const std::string &where, const std::string &key, std::string &error) {
    if (IsIdentityKey(key)) {
        error = where + ": " + key + " is what a device is (its type, MAC or firmware), not a setting";
        return true;
    }
    return false;
}

bool ParseType(const std::string &text, int &type) {
    long long v = 0;
    if (!ParseNumber(text, 1, 255, v) || FamilyOf(int(v)) == Family::None) return false;
    type = int(v);
    return true;
}

bool SettingsObject(const JsonValue &v, const std::string &where, Pairs &out, std::string &error) {
    if (!v.is_object()) {
        error = where + ": \"settings\" is not an object";
        return false;
    }
    for (const auto &item : v.items()) {
        std::string value;
        if (!ValueText(item.value(), value)) {
            error = where + ": the value of " + item.key() + " is neither text nor a whole number";
            return false;
        }
        if (BadSetting(where, item.key(), error)) return false;
        out.emplace_back(item.key(), value);
    }
    return true;
}

bool JsonEntry(const JsonValue &dev, const std::string &where, PlanEntry &e, std::string &error) {
    e.where = where;
    if (!dev.is_object()) {
        error = where + " is not an object";
        return false;
    }
    for (const auto &item : dev.items()) {
        const std::string &k = item.key();
        const JsonValue &v = item.value();
        if (k == "ip" || k == "mac") {
            if (e.hasAddress || !v.is_string() || !ParseAddress(v.get<std::string>(), e.addr) ||
                e.addr.isMac != (k == "mac")) {
                error = where + ": \"" + k + "\" is not " + (e.hasAddress ? "alone" : "an address of its kind");
                return false;
            }
            e.hasAddress = true;
        } else if (k == "type") {
            if (!v.is_number_integer() || !ParseType(std::to_string(v.get<long long>()), e.type)) {
                error = where + ": \"type\" is not a known type code";
                return false;
            }
        } else if (k == "password") {
            if (!v.is_string()) {
                error = where + ": \"password\" is not text";
                return false;
            }
            e.hasPassword = true;
            ValueText(v, e.password);
        } else if (k == "settings") {
            if (!SettingsObject(v, where, e.settings, error)) return false;
        } else {
            error = where + ": unknown field \"" + k + "\" (ip, mac, type, password, settings)";
            return false;
        }
    }
    if (!e.hasAddress && e.type == 0) error = where + " names no device: give \"ip\", \"mac\" or \"type\"";
    return error.empty();
}

bool ParseJsonPlan(const std::string &text, Plan &plan, std::string &error) {
    JsonValue doc;
    if (!ParseJson(text, doc, error)) return false;
    for (const auto &item : doc.items()) {
        const std::string &k = item.key();
        if (k == "password") {
            if (!item.value().is_string()) {
                error = "\"password\" is not text";
                return false;
            }
            plan.hasPassword = true;
            ValueText(item.value(), plan.password);
        } else if (k == "settings") {
            if (!SettingsObject(item.value(), "the plan", plan.settings, error)) return false;
        } else if (k != "devices") {
            error = "unknown field \"" + k + "\" (password, settings, devices)";
            return false;
        }
    }
    if (!doc.contains("devices") || !doc["devices"].is_array()) {
        error = "the plan has no \"devices\" list";
        return false;
    }
    for (size_t i = 0; i < doc["devices"].size(); ++i) {
        plan.entries.emplace_back();
        if (!JsonEntry(doc["devices"][i], "devices[" + std::to_string(i) + "]", plan.entries.back(), error))
            return false;
    }
    return true;
}

// Words split at blanks; double quotes keep blanks in a word and are dropped.
bool Words(const std::string &line, std::vector<std::string> &words) {
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return !quoted;
}

bool TextLine(const std::vector<std::string> &words, PlanEntry &e, std::string &error) {
    std::string ignored;
    for (const std::string &w : words) {
        const size_t eq = w.find('=');
        const std::string key = w.substr(0, eq), value = eq == std::string::npos ? "" : w.substr(eq + 1);
        if (eq == std::string::npos) {
            if (e.hasAddress || !ParseAddress(w, e.addr)) {
                error = e.where + ": '" + w + "' is " + (e.hasAddress ? "a second address" : "not an address");
                return false;
            }
            e.hasAddress = true;
        } else if (key == "type") {
            if (!ParseType(value, e.type)) {
                error = e.where + ": '" + value + "' is not a known type code";
                return false;
            }
        } else if (key == "password") {
            e.hasPassword = true;
            e.password = value;
        } else if (key.empty() || key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != std::string::npos) {
            error = e.where + ": '" + key + "' is neither a device key (upper case) nor type or password";
            return false;
        } else if (BadSetting(e.where, key, error)) {
            return false;
        } else if (FindPair(e.settings, key, ignored)) {
            error = e.where + ": " + key + " is given twice";
            return false;
        } else {
            e.settings.emplace_back(key, value);
        }
    }
    return true;
}

bool ParseTextPlan(const std::string &text, Plan &plan, std::string &error) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::vector<std::string> words;
        PlanEntry e;
        e.where = "line " + std::to_string(number);
        if (!Words(line.substr(0, line.find('#')), words)) {
            error = e.where + ": a double quote is not closed";
            return false;
        }
        if (words.empty()) continue;
        if (!TextLine(words, e, error)) return false;
        if (e.hasAddress || e.type != 0) {
            plan.entries.push_back(e);
        } else if (e.settings.empty()) {
            plan.hasPassword = true;
            plan.password = e.password;
        } else {
            error = e.where + ": names no device (an address, or type=N)";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParsePlan(const std::string &text, Plan &plan, std::string &error) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    const bool json = first != std::string::npos && text[first] == '{';
    return json ? ParseJsonPlan(text, plan, error) : ParseTextPlan(text, plan, error);
}

}  // namespace vdcli

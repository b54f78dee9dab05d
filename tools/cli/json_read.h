// Reading JSON documents that people write or that the tool wrote before
// (backups, plans): errors name the line and column, and a key given twice
// in one object is an error rather than silently the last one.
#ifndef VANDREL_CLI_JSON_READ_H
#define VANDREL_CLI_JSON_READ_H

#include <string>

#include "json_text.h"

namespace vdcli {

// Reads a whole file, or standard input for "-"; false with a message (what
// names the file's role: "plan", "settings file").
bool ReadInput(const std::string &path, const std::string &what, std::string &text, std::string &error);

// Parses text; false with "line L, column C: what" (or the repeated key).
bool ParseJson(const std::string &text, JsonValue &out, std::string &error);

// A setting value as device text: a string as its bytes (json_text.h),
// a whole number in decimal; false for anything else.
bool ValueText(const JsonValue &value, std::string &text);

}  // namespace vdcli

#endif

// Reading JSON documents that people write or that the tool wrote before
// (backups, plans): errors name the line and column, and a key given twice
// in one object is an error rather than silently the last one.
#ifndef VANDREL_CLI_JSON_READ_H
#define VANDREL_CLI_JSON_READ_H

#include <string>

#include "input_file.h"  // ReadInput, which reads the documents
#include "json_text.h"

namespace vdcli {

// Parses text; false with "line L, column C: what" (or the repeated key).
bool ParseJson(const std::string &text, JsonValue &out, std::string &error);

// A setting value as device text: a string as its bytes (json_text.h),
// a whole number in decimal; false for anything else.
bool ValueText(const JsonValue &value, std::string &text);

}  // namespace vdcli

#endif

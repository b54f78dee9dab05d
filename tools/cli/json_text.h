// Device texts in JSON. A device's texts are bytes; a JSON document (the
// output of --json, a backup, a plan) holds them as the UTF-8 text of those
// bytes, and a byte that is not part of valid UTF-8 as the escape "\udcXX"
// of its value XX (80 to FF), as Python's "surrogateescape" error handler
// spells it. So every byte string has one JSON spelling, and reading that
// spelling gives the same bytes back.
//
// The tool's JSON values are nlohmann's ordered ones (output keeps the order
// it was built in, as the tables do); their strings hold device texts as the
// bytes themselves, and JsonText is the one way they are written.
#ifndef VANDREL_CLI_JSON_TEXT_H
#define VANDREL_CLI_JSON_TEXT_H

#include <nlohmann/json.hpp>
#include <string>

namespace vdcli {

using JsonValue = nlohmann::ordered_json;

// The text of a document: indented by indent spaces a level, or on one
// line for -1.
std::string JsonText(const JsonValue &doc, int indent = -1);

// The JSON document text with each lone "\udcXX" escape made a form the
// JSON parser takes; DeviceBytes turns it back into the byte XX.
std::string AcceptByteEscapes(const std::string &json);

// The device text of a string that the parser read from such a document.
std::string DeviceBytes(const std::string &utf8);

// A document the parser read, with DeviceBytes applied to every string and
// key: JsonText then spells it as it was read.
JsonValue WithDeviceBytes(const JsonValue &parsed);

}  // namespace vdcli

#endif

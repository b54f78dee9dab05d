// JSON in and out of the server's handlers: bounded, checked request bodies
// (a malformed one is answered 400 with a JSON error) and the tool's replies
// with an HTTP status that says how the command ended.
#ifndef VANDREL_WEB_HTTP_JSON_H
#define VANDREL_WEB_HTTP_JSON_H

#include <httplib.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "json_read.h"
#include "tool_run.h"

namespace vdweb {

using vdcli::JsonValue;

// Request bodies other than a firmware image are at most this long.
constexpr size_t kMaxJsonBody = 64 * 1024;

void SendJson(httplib::Response &res, int status, const JsonValue &doc);
// A large body (the devices table, /metrics) as it is. The library would
// compress it for a browser, brotli at its slowest level, which takes many
// seconds for a crowd's megabytes; on the links this serves, sending the
// bytes costs far less than compressing them.
void SendUncompressed(httplib::Response &res, std::shared_ptr<const std::string> body, const char *type);
void SendError(httplib::Response &res, int status, const std::string &message);
// 202 with the operation's number, or 503 when it could not be queued (0).
void SendStarted(httplib::Response &res, int operation);

// What a field of a request body holds. Bytes is a text that may hold any
// character (a data session's); every other text is refused with a control
// character in it, as the tool refuses one in a setting.
enum class Kind { Text, Bytes, Flag, Number, List, Object };
struct Field {
    const char *name;
    Kind kind;
};

// The body as a JSON object of the route's fields only, each optional and
// of its kind when given: a typo ("dryrun") or a null is never taken for a
// field left out. False after answering 400 naming the field, or 413.
bool ReadObject(const httplib::Request &req, httplib::Response &res, std::initializer_list<Field> fields,
                JsonValue &body);

// The same checks of fields given otherwise (a request's parameters as an
// object of texts); false after answering 400 naming the field.
bool CheckFields(const JsonValue &fields, std::initializer_list<Field> taken, httplib::Response &res);

// A device's address in a request: an IPv4 or MAC address's characters only
// (a MAC's bytes joined by ':' or '-'), so that it can never pass for one of
// the tool's options.
bool IsAddress(const std::string &text);
// The address as the devices table names it: a MAC joined by ':'.
std::string TableAddress(std::string address);

// Fields of a body read by ReadObject, which checked their kinds; a field
// left out leaves out as it was.
void TextField(const JsonValue &body, const char *key, std::string &out);
void FlagField(const JsonValue &body, const char *key, bool &out);
bool NumberField(const JsonValue &body, const char *key, long long min, long long max, httplib::Response &res,
                 long long &out);
// A list of texts; each must pass valid (checked with what it is called).
bool TextList(const JsonValue &body, const char *key, bool (*valid)(const std::string &), const char *what,
              httplib::Response &res, std::vector<std::string> &out);

// The tool's document with 200 for exit status 0, 422 for a request the
// tool refused (status 2), 502 for a device that failed or did not answer;
// the exit status also goes in the X-Vandrel-Exit-Status header.
void SendReply(httplib::Response &res, const ToolReply &reply);

}  // namespace vdweb

#endif

#include "http_json.h"

#include <regex>

#include "status.h"

namespace vdweb {

void SendJson(httplib::Response &res, int status, const JsonValue &doc) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    // Device texts are spelled as the tool spells them: a byte outside
    // UTF-8 as "\udcXX", which the page sends back as it got it.
    res.set_content(vdcli::JsonText(vdcli::WithDeviceBytes(doc)), "application/json");
}

void SendUncompressed(httplib::Response &res, std::shared_ptr<const std::string> body, const char *type) {
    res.set_header("Cache-Control", "no-store");
    // A body of known length given by a provider is the one kind the
    // library never compresses.
    const size_t size = body->size();
    res.set_content_provider(size, type, [body](size_t offset, size_t length, httplib::DataSink &sink) {
        return sink.write(body->data() + offset, length);
    });
}

void SendError(httplib::Response &res, int status, const std::string &message) {
    SendJson(res, status, {{"error", message}, {"code", 0}});
}

namespace {

// A NUL would end the text where it becomes a C string, cutting it unseen.
bool HoldsNul(const JsonValue &doc) {
    if (doc.is_string()) return doc.get_ref<const std::string &>().find('\0') != std::string::npos;
    if (!doc.is_structured()) return false;
    for (const auto &item : doc.items())
        if ((doc.is_object() && item.key().find('\0') != std::string::npos) || HoldsNul(item.value())) return true;
    return false;
}

}  // namespace

bool ReadObject(const httplib::Request &req, httplib::Response &res, JsonValue &body) {
    if (req.body.size() > kMaxJsonBody) {
        SendError(res, 413, "the request body is longer than " + std::to_string(kMaxJsonBody) + " bytes");
        return false;
    }
    std::string error;
    if (!vdcli::ParseJson(req.body, body, error)) {
        SendError(res, 400, "malformed JSON: " + error);
        return false;
    }
    if (!body.is_object()) {
        SendError(res, 400, "the request body must be a JSON object");
        return false;
    }
    if (HoldsNul(body)) {
        SendError(res, 400, "a text of the request holds \\u0000 (NUL), which no setting, password or step can carry");
        return false;
    }
    return true;
}

bool IsAddress(const std::string &text) {
    static const std::regex address("[0-9]{1,3}(\\.[0-9]{1,3}){3}|[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}");
    return std::regex_match(text, address);
}

bool TextField(const JsonValue &body, const char *key, httplib::Response &res, std::string &out) {
    if (!body.contains(key) || body[key].is_null()) return true;
    if (!body[key].is_string()) {
        SendError(res, 400, std::string("\"") + key + "\" must be a string");
        return false;
    }
    out = body[key].get<std::string>();
    return true;
}

bool FlagField(const JsonValue &body, const char *key, httplib::Response &res, bool &out) {
    if (!body.contains(key) || body[key].is_null()) return true;
    if (!body[key].is_boolean()) {
        SendError(res, 400, std::string("\"") + key + "\" must be true or false");
        return false;
    }
    out = body[key].get<bool>();
    return true;
}

bool NumberField(const JsonValue &body, const char *key, long long min, long long max, httplib::Response &res,
                 long long &out) {
    if (!body.contains(key) || body[key].is_null()) return true;
    if (!body[key].is_number_integer() || body[key].get<long long>() < min || body[key].get<long long>() > max) {
        SendError(res, 400,
                  std::string("\"") + key + "\" must be a number from " + std::to_string(min) + " to " + std::to_string(max));
        return false;
    }
    out = body[key].get<long long>();
    return true;
}

bool TextList(const JsonValue &body, const char *key, bool (*valid)(const std::string &), const char *what,
              httplib::Response &res, std::vector<std::string> &out) {
    const JsonValue list = body.contains(key) ? body[key] : JsonValue::array();
    if (!list.is_array()) {
        SendError(res, 400, std::string("\"") + key + "\" must be a list");
        return false;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        // Named by its place, not echoed: a step may hold a password.
        if (!list[i].is_string() || !valid(list[i].get<std::string>())) {
            SendError(res, 400, std::string("\"") + key + "\"[" + std::to_string(i) + "] is not " + what);
            return false;
        }
        out.push_back(list[i].get<std::string>());
    }
    return true;
}

void SendReply(httplib::Response &res, const ToolReply &reply) {
    res.set_header("X-Vandrel-Exit-Status", std::to_string(reply.status));
    const int status = reply.status == vdcli::kExitOk ? 200 : reply.status == vdcli::kExitUsage ? 422 : 502;
    SendJson(res, status, reply.doc);
}

}  // namespace vdweb

#include "http_json.h"

#include <algorithm>
#include <regex>

#include "status.h"
#include "vandrel_rules.h"

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

void SendStarted(httplib::Response &res, int operation) {
    if (operation == 0) return SendError(res, 503, "too many operations are waiting; try again when some have ended");
    SendJson(res, 202, {{"operation", operation}});
}

namespace {

const char *KindWords(Kind kind) {
    switch (kind) {
    case Kind::Text:
    case Kind::Bytes: return "a string";
    case Kind::Flag: return "true or false";
    case Kind::Number: return "a whole number";
    case Kind::List: return "a list";
    case Kind::Object: return "an object";
    }
    return "";
}

bool OfKind(const JsonValue &value, Kind kind) {
    switch (kind) {
    case Kind::Text:
    case Kind::Bytes: return value.is_string();
    case Kind::Flag: return value.is_boolean();
    case Kind::Number: return value.is_number_integer();
    case Kind::List: return value.is_array();
    case Kind::Object: return value.is_object();
    }
    return false;
}

// The rules library's refusal of the first control character in the texts
// of doc, a NUL included (as a C string the text would end there, cut
// unseen); each text is named by the key that holds it, a key by its
// object's name. "" when there is none.
std::string ControlRefusal(const std::string &name, const JsonValue &doc) {
    char message[VR_MESSAGE_LEN] = "";
    const auto refused = [&](const std::string &text) {
        return VR_ControlRefusal(name.c_str(), text.data(), text.size(), message, sizeof message) == 1;
    };
    if (doc.is_string()) return refused(doc.get_ref<const std::string &>()) ? message : "";
    if (!doc.is_structured()) return "";
    for (const auto &item : doc.items()) {
        if (doc.is_object() && refused(item.key())) return message;
        const std::string inner = ControlRefusal(doc.is_object() ? item.key() : name, item.value());
        if (!inner.empty()) return inner;
    }
    return "";
}

std::string FieldList(std::initializer_list<Field> fields) {
    std::string list;
    for (const Field &f : fields) list += (list.empty() ? "" : ", ") + std::string(f.name);
    return list;
}

// An unknown field, one of another kind, or a control character in a text.
std::string FieldRefusal(const JsonValue &body, std::initializer_list<Field> fields) {
    for (const auto &item : body.items()) {
        const Field *field = nullptr;
        for (const Field &f : fields)
            if (item.key() == f.name) field = &f;
        const std::string name = vdcli::JsonText(JsonValue(item.key()));
        if (!field) return "unknown field " + name + " (" + FieldList(fields) + ")";
        if (!OfKind(item.value(), field->kind)) return name + " must be " + KindWords(field->kind);
        const std::string control = field->kind == Kind::Bytes ? "" : ControlRefusal(item.key(), item.value());
        if (!control.empty()) return control;
    }
    return "";
}

}  // namespace

bool ReadObject(const httplib::Request &req, httplib::Response &res, std::initializer_list<Field> fields,
                JsonValue &body) {
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
    return CheckFields(body, fields, res);
}

bool CheckFields(const JsonValue &fields, std::initializer_list<Field> taken, httplib::Response &res) {
    const std::string refused = FieldRefusal(fields, taken);
    if (!refused.empty()) SendError(res, 400, refused);
    return refused.empty();
}

bool IsAddress(const std::string &text) {
    static const std::regex address("[0-9]{1,3}(\\.[0-9]{1,3}){3}|[0-9A-Fa-f]{2}([:-][0-9A-Fa-f]{2}){5}");
    return std::regex_match(text, address);
}

std::string TableAddress(std::string address) {
    std::replace(address.begin(), address.end(), '-', ':');
    return address;
}

void TextField(const JsonValue &body, const char *key, std::string &out) {
    if (body.contains(key)) out = body[key].get<std::string>();
}

void FlagField(const JsonValue &body, const char *key, bool &out) {
    if (body.contains(key)) out = body[key].get<bool>();
}

bool NumberField(const JsonValue &body, const char *key, long long min, long long max, httplib::Response &res,
                 long long &out) {
    if (!body.contains(key)) return true;
    if (body[key].get<long long>() < min || body[key].get<long long>() > max) {
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

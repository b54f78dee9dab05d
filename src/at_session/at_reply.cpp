#include "at_session/at_reply.h"

#include <algorithm>

#include "vandrel.h"

namespace vd {

namespace {

// The device's error texts, searched in this order.
struct ErrorText {
    const char *text;
    int code;
};

constexpr ErrorText kErrors[] = {
    {"0_Command Invalid", VD_INVALID_COMMAND},
    {"1_No Lgin", VD_NOT_SENT},
    {"2_Password Error", VD_WRONG_PASSWORD},
    {"3_Parameter Format Error", VD_PARAM_FORMAT},
    {"4_Parameter Number Error", VD_PARAM_COUNT},
};

std::string QuotedValue(const std::string &text) {
    const size_t first = text.find('"');
    if (first == std::string::npos) return std::string();
    const size_t last = text.rfind('"');
    if (last == first) return text.substr(first + 1);
    return text.substr(first + 1, last - first - 1);
}

}  // namespace

AtReply ParseAtReply(const char *data, size_t count) {
    AtReply reply;
    if (!data) return reply;
    const std::string text(data, std::find(data, data + count, '\0'));
    if (Contains(text, "\r\nOK\r\n")) {
        reply.code = VD_OK;
        reply.value = QuotedValue(text);
        return reply;
    }
    for (const ErrorText &error : kErrors) {
        if (Contains(text, error.text)) {
            reply.code = error.code;
            break;
        }
    }
    return reply;
}

LoginAnswer JudgeLoginAnswer(const char *text) {
    const std::string read(text);
    if (Contains(read, "OK\r\n")) return LoginAnswer::Ok;
    if (Contains(read, "ERROR\r\n")) return LoginAnswer::Error;
    return LoginAnswer::None;
}

}  // namespace vd

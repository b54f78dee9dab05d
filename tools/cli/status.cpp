#include "status.h"

#include "vandrel.h"

namespace vdcli {

namespace {

struct CodeText {
    int code;
    const char *name;
    const char *message;
};

const CodeText kCodes[] = {
    {VD_FAIL, "FAIL", "failed"},
    {VD_OK, "OK", "done"},
    {VD_NO_INFO, "NO_INFO", "device did not answer"},
    {VD_WRONG_FAMILY, "WRONG_FAMILY", "wrong device family for this command"},
    {VD_WRONG_PASSWORD, "WRONG_PASSWORD", "wrong password"},
    {VD_NO_CONNECTION, "NO_CONNECTION", "no connection: the device could not be reached, or the request could not be sent"},
    {VD_TIMEOUT, "TIMEOUT", "no reply in time"},
    {VD_NOT_SENT, "NOT_SENT", "command not sent: the connection is closed, or nobody is logged in"},
    {VD_INVALID_COMMAND, "INVALID_COMMAND", "the device reports an invalid command"},
    {VD_PARAM_FORMAT, "PARAM_FORMAT", "the device reports a parameter format error"},
    {VD_PARAM_COUNT, "PARAM_COUNT", "the device reports a wrong number of parameters"},
};

const CodeText *Find(int code) {
    for (const CodeText &c : kCodes)
        if (c.code == code) return &c;
    return nullptr;
}

}  // namespace

std::string CodeName(int code) {
    const CodeText *c = Find(code);
    return c ? c->name : "code " + std::to_string(code);
}

std::string CodeMessage(int code) {
    const CodeText *c = Find(code);
    return c ? c->message : "unexpected result " + std::to_string(code);
}

int ExitStatusFor(int code) {
    if (code == VD_OK) return kExitOk;
    if (code >= VD_NO_INFO && code <= VD_PARAM_COUNT) return code;
    return kExitFailed;
}

std::string ExitStatusHelp() {
    std::string text =
        "exit status:\n"
        "  0    success\n"
        "  1    failed\n"
        "  2    usage error\n"
        "  3    drift: a device does not hold what the plan says (vandrel drift)\n";
    for (const CodeText &c : kCodes)
        if (c.code >= VD_NO_INFO) text += "  " + std::to_string(c.code) + "  " + c.message + "\n";
    return text + "  130  interrupted by Ctrl-C\n";
}

}  // namespace vdcli

// Judging one read of an AT-command device's answer, without sockets: the
// result code of the exports and, for an accepted read, the value the device
// put between double quotes.
#ifndef VANDREL_AT_SESSION_AT_REPLY_H
#define VANDREL_AT_SESSION_AT_REPLY_H

#include <cstddef>
#include <string>

#include "base/text.h"

namespace vd {

struct AtReply {
    // 1 the read holds "\r\nOK\r\n"; 106, 105, 102, 107, 108 for the device's
    // error texts; 0 for anything else.
    int code = 0;
    // With code 1: the text between the first and the last double quote (all
    // after a single one; "" when there is none).
    std::string value;
};

// The bytes count as text up to the first zero byte, as the device sends
// text; a reply split over several reads is judged by the read given.
AtReply ParseAtReply(const char *data, size_t count);

// What a read during login says: "OK\r\n" (which wins when both are there),
// "ERROR\r\n", or neither. text ends at its first zero byte.
enum class LoginAnswer { Ok, Error, None };
LoginAnswer JudgeLoginAnswer(const char *text);

}  // namespace vd

#endif

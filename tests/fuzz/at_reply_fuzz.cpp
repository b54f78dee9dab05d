// One read of an AT-command device's answer, as the session judges it, and
// the hex rewriting of the value it carries.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "at_session/at_hex_value.h"
#include "at_session/at_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // An exact-size copy without a terminator: the parser must stop at size.
    const std::vector<char> read(data, data + size);
    const vd::AtReply reply = vd::ParseAtReply(read.data(), read.size());
    if (reply.value.size() > size) std::abort();
    std::string rewritten;
    vd::HexValueToDecimal(reply.value.c_str(), rewritten);
    vd::DecimalValueToHex(reply.value.c_str(), rewritten);
    return 0;
}

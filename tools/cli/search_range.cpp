#include "search_range.h"

#include <thread>

#include "args.h"
#include "interrupt.h"
#include "vandrel.h"

namespace vdcli {

bool IsRange(const std::string &word) { return word.find('/') != std::string::npos; }

bool ParseRange(const std::string &word, AddressRange &range, std::string &error) {
    const size_t slash = word.find('/');
    const std::string base = word.substr(0, slash), prefix = word.substr(slash + 1);
    long long bits = 0;
    if (!IsDottedQuad(base) || !ParseNumber(prefix, 0, 32, bits)) {
        error = "'" + word + "' is not an address range such as 198.18.5.0/24";
        return false;
    }
    if (bits < kWidestRangePrefix) {
        error = "'" + word + "' is wider than a /" + std::to_string(kWidestRangePrefix) +
                " (65536 addresses): search it in parts";
        return false;
    }
    uint32_t address = 0;
    size_t from = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t dot = base.find('.', from);
        address = address << 8 | uint32_t(std::stoul(base.substr(from, dot - from)));
        from = dot + 1;
    }
    const uint32_t mask = bits == 0 ? 0 : ~uint32_t(0) << (32 - bits);
    range = {address & mask, uint32_t(~mask) + 1};
    return true;
}

std::string AddressText(uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 255) + "." +
           std::to_string(address >> 8 & 255) + "." + std::to_string(address & 255);
}

std::vector<FoundDevice> SearchRange(const AddressRange &range, int waitMs, int *requests) {
    SearchAnswers answers;
    auto next = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < range.count && !Interrupted(); ++i) {
        VD_Search(AddressText(range.first + i).c_str());
        next += std::chrono::microseconds(kRangePaceUs);
        answers.Await(next);
        if (requests) *requests = int(i + 1);
    }
    answers.Await(std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs));
    return answers.found;
}

}  // namespace vdcli

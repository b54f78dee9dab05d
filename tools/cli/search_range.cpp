#include "search_range.h"

#include <thread>

#include "interrupt.h"
#include "vandrel.h"
#include "vandrel_rules.h"

namespace vdcli {

bool IsRange(const std::string &word) { return word.find('/') != std::string::npos; }

bool ParseRange(const std::string &word, AddressRange &range, std::string &error) {
    char message[VR_MESSAGE_LEN] = "";
    const bool valid = VR_AddressRange(word.c_str(), &range.first, &range.count, message, sizeof message) == 1;
    if (!valid) error = message;
    return valid;
}

std::string AddressText(uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 255) + "." +
           std::to_string(address >> 8 & 255) + "." + std::to_string(address & 255);
}

std::vector<FoundDevice> SearchRange(const AddressRange &range, int waitMs, SearchTally *tally) {
    SearchAnswers answers;
    auto next = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < range.count && !Interrupted(); ++i) {
        VD_Search(AddressText(range.first + i).c_str());
        next += std::chrono::microseconds(kRangePaceUs);
        answers.Await(next);
        if (tally) tally->requests = int(i + 1);
    }
    answers.Await(std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs));
    if (tally) tally->leftOut = answers.leftOut;
    return answers.found;
}

}  // namespace vdcli

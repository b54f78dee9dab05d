// Hostile datagrams for the library's receive paths: random bytes of any
// length up to about 3000, and near misses of the replies it reads (family A
// item lists that run past the datagram or carry unknown codes, fixed search
// replies of the wrong length, family B block replies with a wrong MAC, a cut
// block or a block number past the slots). The same seed gives the same
// sequence.
#ifndef VANDREL_SIM_SIM_GARBAGE_H
#define VANDREL_SIM_SIM_GARBAGE_H

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace vdsim {

using Bytes = std::vector<uint8_t>;
using Mac = std::array<uint8_t, 6>;

class GarbageMaker {
public:
    static constexpr size_t kMaxLength = 3000;

    explicit GarbageMaker(uint32_t seed) : m_random(seed) {}

    // One datagram. macs: MAC addresses worth imitating (those the library
    // asked for); may be empty.
    Bytes Next(const std::vector<Mac> &macs);

    // Changes as few bytes as needed so that the library would not take the
    // datagram as a device's answer: a 25-byte fixed search reply, an item
    // list whose first item is whole, or a whole block reply for a block the
    // library keeps, sent with one of macs.
    static void Spoil(Bytes &d, const std::vector<Mac> &macs);

private:
    size_t Length(size_t max);
    uint8_t Byte() { return uint8_t(m_random()); }
    void Fill(Bytes &d, size_t from);
    Bytes RandomBytes();
    Bytes ItemList();
    Bytes FixedReplyNearMiss();
    Bytes BlockReplyNearMiss(const std::vector<Mac> &macs);

    std::mt19937 m_random;
};

}  // namespace vdsim

#endif

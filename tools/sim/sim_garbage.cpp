#include "sim_garbage.h"

#include <algorithm>

namespace vdsim {

namespace {

constexpr uint8_t kMarker[] = {0x00, 0x02, 0x00, 0x02};
constexpr uint8_t kItemStart = 0xA1, kItemEnd = 0xFF;
constexpr size_t kFixedReply = 25, kBlockReply = 271, kBlockAt = 14, kBlockData = 256;
constexpr uint8_t kBlockSlots = 32;
// Lengths where the library's checks change their answer.
constexpr size_t kEdges[] = {0, 1, 2, 3, 4, 9, 10, 14, 15, 24, 25, 26, 270, 271, 272, 2047, 2048, 2049};

bool HasMarker(const Bytes &d) { return d.size() >= 4 && std::equal(std::begin(kMarker), std::end(kMarker), d.begin()); }

bool HasMac(const Bytes &d, const std::vector<Mac> &macs) {
    return d.size() >= 10 &&
           std::any_of(macs.begin(), macs.end(), [&](const Mac &m) { return std::equal(m.begin(), m.end(), d.begin() + 4); });
}

bool WholeFirstItem(const Bytes &d) {
    return d.size() >= 3 && d[0] == kItemStart && size_t(d[2]) + 3 < d.size() && d[size_t(d[2]) + 3] == kItemEnd;
}

bool WholeBlockReply(const Bytes &d, const std::vector<Mac> &macs) {
    return d.size() >= kBlockReply && HasMarker(d) && d[kBlockAt] < kBlockSlots && HasMac(d, macs);
}

}  // namespace

size_t GarbageMaker::Length(size_t max) {
    if (m_random() % 4 == 0) {
        const size_t edge = kEdges[m_random() % std::size(kEdges)];
        if (edge <= max) return edge;
    }
    return m_random() % (max + 1);
}

void GarbageMaker::Fill(Bytes &d, size_t from) {
    for (size_t i = from; i < d.size(); ++i) d[i] = Byte();
}

Bytes GarbageMaker::RandomBytes() {
    Bytes d(Length(kMaxLength));
    Fill(d, 0);
    return d;
}

// Items with known and unknown codes (a TYPE item now and then switches the
// key group of what follows), cut at a random length, so the last item
// usually runs past the end; now and then an item lacks its end byte.
Bytes GarbageMaker::ItemList() {
    const size_t length = Length(kMaxLength);
    Bytes d;
    while (d.size() < length) {
        const uint8_t code = m_random() % 3 == 0 ? Byte() : uint8_t(1 + m_random() % 0x25);
        const uint8_t n = m_random() % 3 == 0 ? Byte() : uint8_t(m_random() % 7);
        d.push_back(kItemStart);
        d.push_back(code);
        d.push_back(n);
        for (uint8_t i = 0; i < n; ++i) d.push_back(Byte());
        d.push_back(m_random() % 8 == 0 ? Byte() : kItemEnd);
    }
    d.resize(length);
    return d;
}

// The marker and random bytes, one length short or long of the fixed reply,
// or the right length with a marker one bit off.
Bytes GarbageMaker::FixedReplyNearMiss() {
    size_t length = Length(2 * kFixedReply);
    Bytes d(std::max<size_t>(length, 4));
    std::copy(std::begin(kMarker), std::end(kMarker), d.begin());
    Fill(d, 4);
    if (length == kFixedReply) d[3] = 0x03;
    d.resize(length);
    return d;
}

// A block reply with a known MAC one bit off or a random one, a block number
// past the slots, a cut block or extra bytes behind it.
Bytes GarbageMaker::BlockReplyNearMiss(const std::vector<Mac> &macs) {
    Bytes d(kBlockReply);
    std::copy(std::begin(kMarker), std::end(kMarker), d.begin());
    Fill(d, 4);
    if (!macs.empty() && m_random() % 4 != 0) {
        const Mac &m = macs[m_random() % macs.size()];
        std::copy(m.begin(), m.end(), d.begin() + 4);
        if (m_random() % 2 == 0) d[4 + m_random() % 6] ^= uint8_t(1u << (m_random() % 8));
    }
    switch (m_random() % 4) {
        case 0:
            d[kBlockAt] = uint8_t(kBlockSlots + m_random() % (256 - kBlockSlots));
            break;
        case 1:
            d.resize(Length(kBlockReply - 1));
            break;
        case 2:
            d.resize(kBlockReply + Length(kMaxLength - kBlockReply));
            Fill(d, kBlockReply);
            break;
        default:
            d[kBlockAt] = uint8_t(m_random() % kBlockSlots);
            d.resize(kBlockAt + 1 + m_random() % kBlockData);
            break;
    }
    return d;
}

Bytes GarbageMaker::Next(const std::vector<Mac> &macs) {
    switch (m_random() % 10) {
        case 0:
        case 1:
        case 2:
            return RandomBytes();
        case 3:
        case 4:
        case 5:
            return ItemList();
        case 6:
            return FixedReplyNearMiss();
        default:
            return BlockReplyNearMiss(macs);
    }
}

void GarbageMaker::Spoil(Bytes &d, const std::vector<Mac> &macs) {
    if (d.size() == kFixedReply && HasMarker(d)) d[3] = 0x03;
    if (WholeFirstItem(d)) d[size_t(d[2]) + 3] = kItemEnd - 1;
    while (WholeBlockReply(d, macs)) ++d[9];
}

}  // namespace vdsim

// A bounds-checked cursor over received bytes. Every parser of network input
// reads through it: a read past the end fails instead of touching memory.
#ifndef VANDREL_BASE_BYTE_READER_H
#define VANDREL_BASE_BYTE_READER_H

#include <cstddef>
#include <cstdint>

namespace vd {

class ByteReader {
public:
    ByteReader(const uint8_t *data, size_t len) : m_data(data), m_len(data ? len : 0) {}

    size_t Position() const { return m_pos; }
    size_t Remaining() const { return m_len - m_pos; }
    bool Has(size_t n) const { return n <= Remaining(); }

    // Moves to an absolute position; false (and no move) past the end.
    bool Seek(size_t pos) {
        if (pos > m_len) return false;
        m_pos = pos;
        return true;
    }
    bool Skip(size_t n) {
        if (!Has(n)) return false;
        m_pos += n;
        return true;
    }
    bool U8(uint8_t &out) {
        if (!Has(1)) return false;
        out = m_data[m_pos++];
        return true;
    }
    // Most significant byte first.
    bool U16(uint16_t &out) {
        if (!Has(2)) return false;
        out = static_cast<uint16_t>((m_data[m_pos] << 8) | m_data[m_pos + 1]);
        m_pos += 2;
        return true;
    }
    bool U32(uint32_t &out) {
        if (!Has(4)) return false;
        out = (uint32_t(m_data[m_pos]) << 24) | (uint32_t(m_data[m_pos + 1]) << 16) |
              (uint32_t(m_data[m_pos + 2]) << 8) | uint32_t(m_data[m_pos + 3]);
        m_pos += 4;
        return true;
    }
    // Points at the next n bytes and moves past them.
    bool Bytes(size_t n, const uint8_t *&out) {
        if (!Has(n)) return false;
        out = m_data + m_pos;
        m_pos += n;
        return true;
    }
    // Byte at an absolute position, without moving.
    bool PeekAt(size_t pos, uint8_t &out) const {
        if (pos >= m_len) return false;
        out = m_data[pos];
        return true;
    }

private:
    const uint8_t *m_data;
    size_t m_len;
    size_t m_pos = 0;
};

}  // namespace vd

#endif

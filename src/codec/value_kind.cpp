#include "codec/value_kind.h"

#include <cstring>

namespace vd {

namespace {

void PutWord(std::vector<uint8_t> &data, uint32_t v) {
    data.push_back(uint8_t(v >> 8));
    data.push_back(uint8_t(v));
}

void PutDword(std::vector<uint8_t> &data, uint32_t v) {
    PutWord(data, v >> 16);
    PutWord(data, v);
}

// The two numbers of a pair text: the pieces before and after the first
// comma (0 when there is no comma).
void ReadPair(const std::string &text, int32_t &first, int32_t &second) {
    first = AtoI(text);
    const size_t comma = text.find(',');
    second = comma == std::string::npos ? 0 : AtoI(text.c_str() + comma + 1);
}

}  // namespace

bool ReadValue(ValueKind kind, ByteReader &reader, uint8_t n, std::string &out) {
    uint8_t b0, b1;
    uint16_t w0, w1;
    uint32_t d;
    const uint8_t *bytes;
    switch (kind) {
        case ValueKind::Byte:
            if (!reader.U8(b0)) return false;
            out = Format("%d", b0);
            return true;
        case ValueKind::Word:
            if (!reader.U16(w0)) return false;
            out = Format("%d", w0);
            return true;
        case ValueKind::Dword:
            if (!reader.U32(d)) return false;
            out = Format("%u", d);
            return true;
        case ValueKind::Address:
            if (!reader.Bytes(4, bytes)) return false;
            out = FormatIp(bytes);
            return true;
        case ValueKind::WordPair:
            if (!reader.U16(w0) || !reader.U16(w1)) return false;
            out = Format("%d,%d", w0, w1);
            return true;
        case ValueKind::BytePair:
            if (!reader.U8(b0) || !reader.U8(b1)) return false;
            out = Format("%d,%d", b0, b1);
            return true;
        case ValueKind::Text: {
            if (!reader.Bytes(n, bytes)) return false;
            const void *zero = std::memchr(bytes, 0, n);
            size_t length = zero ? size_t(static_cast<const uint8_t *>(zero) - bytes) : n;
            if (length > kMaxTextValue) length = kMaxTextValue;
            out.assign(reinterpret_cast<const char *>(bytes), length);
            return true;
        }
        case ValueKind::Mac:
            if (!reader.Bytes(6, bytes)) return false;
            out = FormatMac(bytes);
            return true;
    }
    return false;
}

void WriteValue(ValueKind kind, const std::string &text, std::vector<uint8_t> &data) {
    int32_t first, second;
    uint8_t address[4];
    switch (kind) {
        case ValueKind::Byte:
            data.push_back(uint8_t(AtoI(text)));
            return;
        case ValueKind::Word:
            PutWord(data, uint32_t(AtoI(text)));
            return;
        case ValueKind::Dword:
            PutDword(data, uint32_t(AtoI(text)));
            return;
        case ValueKind::Address:
            InetAddr(text.c_str(), address);
            data.insert(data.end(), address, address + 4);
            return;
        case ValueKind::WordPair:
            ReadPair(text, first, second);
            PutWord(data, uint32_t(first));
            PutWord(data, uint32_t(second));
            return;
        case ValueKind::BytePair:
            ReadPair(text, first, second);
            data.push_back(uint8_t(first));
            data.push_back(uint8_t(second));
            return;
        case ValueKind::Text: {
            const size_t length = text.size() < kTextWidth ? text.size() : kTextWidth;
            data.insert(data.end(), text.begin(), text.begin() + long(length));
            data.insert(data.end(), kTextWidth - length, 0);
            return;
        }
        case ValueKind::Mac:
            return;
    }
}

}  // namespace vd

#include "codec/value_codec.h"

#include <cstring>

#include "base/byte_reader.h"
#include "base/device_text.h"

namespace vd {

namespace {

// Bytes each kind reads (numbers: their width); HostOrIp also looks at the
// byte after a range (f[8]).
constexpr uint8_t kKindWidth[] = {1, 0, 1, 2, 4, 4, 6, 8, 9};

size_t KindWidth(FieldKind kind) { return kKindWidth[size_t(kind)]; }

bool Fits(const ConfigField &row) {
    return size_t(row.kind) < sizeof kKindWidth && row.width >= KindWidth(row.kind) &&
           size_t(row.offset) + row.width <= kBlockSize;
}

// The bytes up to the first NUL, at most width of them.
std::string TextOf(const uint8_t *f, size_t width) {
    const void *nul = std::memchr(f, 0, width);
    const size_t n = nul ? size_t(static_cast<const uint8_t *>(nul) - f) : width;
    return std::string(reinterpret_cast<const char *>(f), n);
}

std::string RangeText(const uint8_t *f) {
    if (f[0] == 0) return kInvalidValue;
    return FormatIp(f) + "-" + FormatIp(f + 4);
}

// The text and its NUL, cut to width - 1 characters; later bytes keep
// their contents.
void StoreText(uint8_t *f, size_t width, const char *text) {
    if (width == 0) return;
    const size_t n = strnlen(text, width - 1);
    std::memcpy(f, text, n);
    f[n] = 0;
}

// Two addresses joined by "-" or, failing that, by ",". Without either
// (or with nothing before it) the range is switched off: f[0] = 0.
void StoreRange(uint8_t *f, const char *text) {
    const char *sep = std::strchr(text, '-');
    if (!sep || sep == text) sep = std::strchr(text, ',');
    if (!sep || sep == text) {
        f[0] = 0;
        return;
    }
    InetAddr(std::string(text, size_t(sep - text)).c_str(), f);
    InetAddr(sep + 1, f + 4);
}

bool IsAddressText(const char *text) { return text[std::strspn(text, "0123456789.-")] == '\0'; }

void StoreNumber(uint8_t *f, size_t width, uint32_t value) {
    for (size_t i = 0; i < width; ++i) f[i] = uint8_t(value >> (8 * (width - 1 - i)));
}

}  // namespace

std::string DecodeValue(const ConfigField &row, const Block &block) {
    ByteReader reader(block.data(), block.size());
    const uint8_t *f = nullptr;
    if (!Fits(row) || !reader.Seek(row.offset) || !reader.Bytes(row.width, f)) return "";
    switch (row.kind) {
        case FieldKind::Bit:
            return row.bit < 8 ? Format("%d", (f[0] >> row.bit) & 1) : "";
        case FieldKind::Text:
            return TextOf(f, row.width);
        case FieldKind::Byte:
            return Format("%d", f[0]);
        case FieldKind::Word:
            return Format("%d", f[0] * 256 + f[1]);
        case FieldKind::DWord: {
            const uint32_t v = (uint32_t(f[0]) << 24) | (uint32_t(f[1]) << 16) | (uint32_t(f[2]) << 8) | f[3];
            return Format("%d", int32_t(v));
        }
        case FieldKind::IpAddress:
            return FormatIp(f);
        case FieldKind::MacAddress:
            return FormatMac(f);
        case FieldKind::IpRange:
            return RangeText(f);
        case FieldKind::HostOrIp: {
            if (f[4] == 0) return FormatIp(f);
            std::string text = TextOf(f, row.width);
            if (f[8] == 0 && !Contains(text, ".")) return RangeText(f);
            return text;
        }
    }
    return "";
}

void EncodeValue(const ConfigField &row, const std::string &value, Block &block) {
    if (!Fits(row)) return;
    uint8_t *f = block.data() + row.offset;
    const char *text = value.c_str();
    switch (row.kind) {
        case FieldKind::Bit:
            SetBlockBit(block, row.offset, row.bit, (AtoI(text) & 0xFF) == 1);
            break;
        case FieldKind::Text:
            StoreText(f, row.width, text);
            break;
        case FieldKind::Byte:
        case FieldKind::Word:
        case FieldKind::DWord:
            StoreNumber(f, KindWidth(row.kind), uint32_t(AtoI(text)));
            break;
        case FieldKind::IpAddress:
            InetAddr(text, f);
            break;
        case FieldKind::MacAddress:
            ParseMac(text, f);
            break;
        case FieldKind::IpRange:
            StoreRange(f, text);
            break;
        case FieldKind::HostOrIp:
            if (!IsAddressText(text)) {
                StoreText(f, row.width, text);
            } else if (std::strchr(text, '-')) {
                f[8] = 0;
                StoreRange(f, text);
            } else {
                f[4] = 0;
                InetAddr(text, f);
            }
            break;
    }
}

void SetBlockBit(Block &block, uint16_t offset, uint8_t bit, bool on) {
    if (offset >= kBlockSize || bit > 7) return;
    const uint8_t mask = uint8_t(1u << bit);
    block[offset] = on ? uint8_t(block[offset] | mask) : uint8_t(block[offset] & ~mask);
}

}  // namespace vd

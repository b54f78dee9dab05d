// The value kinds of family A item data, both ways: item data to the value
// text kept in m_info, and a staged value text to item data. Numbers travel
// most significant byte first.
#ifndef VANDREL_CODEC_VALUE_KIND_H
#define VANDREL_CODEC_VALUE_KIND_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/text.h"

namespace vd {

enum class ValueKind : uint8_t { Byte, Word, Dword, Address, WordPair, BytePair, Text, Mac };

// The library keeps text values of up to this many characters.
constexpr size_t kMaxTextValue = 49;
// A text item is always written with this many data bytes.
constexpr size_t kTextWidth = 10;

// Reads the value text of an item whose data starts at the reader's position.
// Numbers take their kind's full width whatever the item's length byte n
// says; text takes the n bytes up to the first zero byte, cut to
// kMaxTextValue. false when the bytes needed run past the datagram.
bool ReadValue(ValueKind kind, ByteReader &reader, uint8_t n, std::string &out);

// Appends the item data for a staged value text (atoi and inet_addr rules);
// a mac value is never written and appends nothing.
void WriteValue(ValueKind kind, const std::string &text, std::vector<uint8_t> &data);

}  // namespace vd

#endif

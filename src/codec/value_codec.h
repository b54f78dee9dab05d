// The nine family B value kinds, both ways, as pure functions over one
// 256-byte block: the text of a row read from the block, and a text stored
// into the block by the row's kind. Numbers travel most significant byte
// first; texts are bounded by the row's width and never leave the block.
#ifndef VANDREL_CODEC_VALUE_CODEC_H
#define VANDREL_CODEC_VALUE_CODEC_H

#include <string>

#include "codec/field_table.h"

namespace vd {

// The value text of row, read from the bytes of its block. A row that does
// not fit in the block reads as "".
std::string DecodeValue(const ConfigField &row, const Block &block);

// Stores text into row's bytes of block (atoi and inet_addr rules, no range
// check). Bytes outside the row are never touched; a row that does not fit
// in the block stores nothing.
void EncodeValue(const ConfigField &row, const std::string &text, Block &block);

// Sets or clears one bit of the byte at offset.
void SetBlockBit(Block &block, uint16_t offset, uint8_t bit, bool on);

}  // namespace vd

#endif

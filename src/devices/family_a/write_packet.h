// The write datagram built from the staged pairs.
#ifndef VANDREL_DEVICES_FAMILY_A_WRITE_PACKET_H
#define VANDREL_DEVICES_FAMILY_A_WRITE_PACKET_H

#include "codec/codec.h"
#include "devices/family_a/item_frame.h"

namespace vd {

// The outgoing packet buffer; every key staged once fits in 208 bytes.
constexpr size_t kMaxWritePacket = 256;

// One item per staged key, in staging order, for the type group of the
// staged code1; keys without a writable row there add nothing. An item that
// would not fit in kMaxWritePacket is left out. A packet of 1 to 15 bytes is
// padded; an empty packet means there is nothing to send.
Packet BuildWritePacket(const DeviceRecord &staged);

// The pairs of pending (staged for the type group of its code1) that the
// device's read-back held does not show as taken. Write-only keys count as
// taken: the device does not read them out.
DeviceRecord NotHeld(const DeviceRecord &pending, const DeviceRecord &held);

}  // namespace vd

#endif

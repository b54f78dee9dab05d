// How the families confirm a write. A device answers a write with nothing,
// so the write is read back and compared with what was staged.
#ifndef VANDREL_CORE_WRITE_CONFIRM_H
#define VANDREL_CORE_WRITE_CONFIRM_H

namespace vd {

// The read-back goes out once the device has had the time it takes to answer
// a read (the pacing of family B's read requests), and is over within the
// pause a write already gives the device, so that a write confirmed on a
// clean wire takes no longer than an unconfirmed one did.
constexpr int kReadBackAfterMs = 100;
// A write is sent at most this often before it is given up. A try takes when
// the write and one of its two read-backs get through: at 10% loss each way
// 0.9 x (1 - 0.19 x 0.19), about 87%. Four tries leave about one block in
// three thousand unconfirmed, so that a write of a few blocks still comes
// through 99 times in 100.
constexpr int kWriteTries = 4;
// After its last datagram a write gives the device this long before it ends,
// so that a next request finds the device done with the write.
constexpr int kPauseAfterWriteMs = 500;

}  // namespace vd

#endif

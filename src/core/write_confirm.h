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
// A write is sent at most this often before it is given up: at 10% loss each
// way a write and its read-back both get through 4 times in 5, so three tries
// leave about one write in a hundred unconfirmed.
constexpr int kWriteTries = 3;

}  // namespace vd

#endif

// What the device sends on the default data channel, collected the way the
// platform delivers it: the library sends each piece to a window of the tool
// (VD_TCPSetRecHWnd) while the tool runs its message loop.
#ifndef VANDREL_CLI_RECEIVER_H
#define VANDREL_CLI_RECEIVER_H

#include <chrono>
#include <memory>
#include <string>

namespace vdcli {

// An answer as it is kept: a device may send without end, so at most cap
// bytes are kept, and nothing after the deadline.
class Collected {
public:
    Collected(size_t cap, std::chrono::steady_clock::time_point deadline) : m_cap(cap), m_deadline(deadline) {}

    // Keeps what fits of a piece. False once the read is over: a piece did
    // not fit whole (the answer is cut) or the deadline has passed.
    bool Take(const char *piece, size_t count);

    const std::string &Bytes() const { return m_bytes; }
    bool Cut() const { return m_cut; }
    bool Over() const { return m_over; }

private:
    std::string m_bytes;
    size_t m_cap;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_cut = false, m_over = false;
};

class DataReceiver {
public:
    // Becomes the default channel's receiver, handing each piece to
    // collected; stops receiving when collected says the read is over.
    explicit DataReceiver(Collected &collected);
    // Stops receiving.
    ~DataReceiver();
    DataReceiver(const DataReceiver &) = delete;
    DataReceiver &operator=(const DataReceiver &) = delete;

    // Runs the message loop for about ms, delivering what arrives.
    void Pump(int ms);

    struct Window;

private:
    std::unique_ptr<Window> m_window;
};

}  // namespace vdcli

#endif

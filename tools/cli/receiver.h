// What the device sends on the default data channel, collected the way the
// platform delivers it: the library sends each piece to a window of the tool
// (VD_TCPSetRecHWnd) while the tool runs its message loop.
#ifndef VANDREL_CLI_RECEIVER_H
#define VANDREL_CLI_RECEIVER_H

#include <memory>
#include <string>

namespace vdcli {

class DataReceiver {
public:
    // Becomes the default channel's receiver, appending to received.
    explicit DataReceiver(std::string &received);
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

// Change notices for the page's event streams: every change (a search, an
// operation's progress) raises a generation number, and each stream wakes to
// send what changed since it last looked.
#ifndef VANDREL_WEB_EVENTS_H
#define VANDREL_WEB_EVENTS_H

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace vdweb {

class Events {
public:
    void Notify();
    // Waits until the generation passes seen, for at most ms; returns it.
    uint64_t Wait(uint64_t seen, int ms);
    // Wakes every stream for good (the server is stopping).
    void Stop();
    bool Stopped() const;
    // A place among the streams, held while one is open: empty when
    // kMaxSubscribers are open already.
    std::shared_ptr<void> Subscribe();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_generation = 0;
    bool m_stopped = false;
    size_t m_subscribers = 0;
};

}  // namespace vdweb

#endif

// The repeated search behind the devices table: the tool's own search, in
// this process on the library's fleet interface, every few seconds; its
// list handed to the table and kept in the fleet database as 'search'
// keeps it, its duration counted.
#ifndef VANDREL_WEB_SEARCHER_H
#define VANDREL_WEB_SEARCHER_H

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "device.h"

#include "events.h"
#include "fleet.h"
#include "fleet_memory.h"
#include "metrics.h"

namespace vdweb {

class Searcher {
public:
    Searcher(Fleet &fleet, Counters &counters, Events &events, const FleetMemory &memory, int everySeconds)
        : m_fleet(fleet), m_counters(counters), m_events(events), m_memory(memory), m_everySeconds(everySeconds) {}
    ~Searcher() { Stop(); }
    void Start();
    void Stop();  // lets a search under way finish

private:
    void Loop();

    Fleet &m_fleet;
    Counters &m_counters;
    Events &m_events;
    const FleetMemory &m_memory;
    int m_everySeconds;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace vdweb

#endif

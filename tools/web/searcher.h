// The repeated search behind the devices table: 'search' in a worker every
// few seconds, its list handed to the fleet, its duration counted.
#ifndef VANDREL_WEB_SEARCHER_H
#define VANDREL_WEB_SEARCHER_H

#include <condition_variable>
#include <mutex>
#include <thread>

#include "events.h"
#include "fleet.h"
#include "fleet_memory.h"
#include "metrics.h"
#include "tool_run.h"

namespace vdweb {

class Searcher {
public:
    Searcher(Fleet &fleet, Counters &counters, Events &events, WorkerSlots &workers, const FleetMemory &memory,
             int everySeconds)
        : m_fleet(fleet), m_counters(counters), m_events(events), m_workers(workers), m_memory(memory),
          m_everySeconds(everySeconds) {}
    ~Searcher() { Stop(); }
    void Start();
    void Stop();  // lets a search under way finish

private:
    void Loop();

    Fleet &m_fleet;
    Counters &m_counters;
    Events &m_events;
    WorkerSlots &m_workers;
    const FleetMemory &m_memory;
    int m_everySeconds;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace vdweb

#endif

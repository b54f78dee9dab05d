// RunLock: one runner at a time of work kept in a file (a rollout in the
// fleet database): an exclusive lock on a file beside it, tried once, never
// waited for. The system lets it go when the process ends, however it ends,
// so a crash never leaves it held; two threads of one process each taking it
// exclude each other as two processes do.
#ifndef VANDREL_CLI_RUN_LOCK_H
#define VANDREL_CLI_RUN_LOCK_H

#include <cstdint>
#include <string>

namespace vdcli {

class RunLock {
public:
    enum class State { Held, Busy, Failed };

    // Tries to take the lock on the file at path (made, if missing, for the
    // user alone); Error says why it Failed ("cannot lock PATH: ...").
    explicit RunLock(const std::string &path);
    ~RunLock();
    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;

    State Taken() const { return m_state; }
    const std::string &Error() const { return m_error; }

private:
    intptr_t m_handle = -1;
    State m_state = State::Failed;
    std::string m_error;
};

}  // namespace vdcli

#endif

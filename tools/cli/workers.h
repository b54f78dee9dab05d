// Worker processes: this program run again, one process per task, at most
// jobs at once, for the dashboard (tools/web, POSIX only). Each worker loads
// its own copy of the library with its own sockets, so a slow device never
// holds up the server. The library ties its socket notifications to the
// thread that loaded it, so a worker is started with a fresh exec, never as
// a fork that goes on with the parent's copy.
#ifndef VANDREL_CLI_WORKERS_H
#define VANDREL_CLI_WORKERS_H

#include <functional>
#include <string>
#include <vector>

namespace vdcli {

// A worker that runs longer than this is ended, unless its task says less.
constexpr int kWorkerLimitSeconds = 120;

struct WorkerTask {
    std::vector<std::string> args;  // after the program's name
    std::string input;              // its standard input
    std::string password;           // passed as VANDREL_PASSWORD, off the command line
    int limitMs = kWorkerLimitSeconds * 1000;  // ended after this long
};

struct WorkerResult {
    int status = 0;  // exit status; 128 + N when ended by signal N
    std::string out, err;
};

// Runs the tasks in order, at most jobs at a time, and calls done with each
// task's index and result as it ends. Once stop() is true no task is started;
// those running finish.
void RunWorkers(const std::vector<WorkerTask> &tasks, int jobs, const std::function<bool()> &stop,
                  const std::function<void(size_t, const WorkerResult &)> &done);

}  // namespace vdcli

#endif

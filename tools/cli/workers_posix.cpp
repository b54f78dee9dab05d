#include "workers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char **environ;

namespace vdcli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kSelf[] = "/proc/self/exe";
constexpr char kPasswordVariable[] = "VANDREL_PASSWORD=";
constexpr int kPollMs = 100;

struct Running {
    size_t task = 0;
    pid_t pid = -1;
    int out = -1, err = -1;  // read ends; -1 once at their end
    Clock::time_point started;
    bool killed = false;
    WorkerResult result;
};

std::vector<std::string> Environment(const std::string &password) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, kPasswordVariable, sizeof kPasswordVariable - 1) != 0) env.emplace_back(*e);
    env.push_back(kPasswordVariable + password);
    return env;
}

std::vector<char *> Pointers(std::vector<std::string> &texts) {
    std::vector<char *> p;
    for (std::string &t : texts) p.push_back(&t[0]);
    p.push_back(nullptr);
    return p;
}

void WriteAll(int fd, const std::string &text) {
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;  // the worker is gone; its status tells
        done += size_t(n);
    }
}

// Closes the descriptors of n pipes.
void ClosePipes(int (*pipes)[2], int n) {
    for (int i = 0; i < n; ++i) {
        close(pipes[i][0]);
        close(pipes[i][1]);
    }
}

// Starts a task; false with the reason in result.err.
bool Start(const WorkerTask &task, Running &r) {
    int pipes[3][2];  // standard input, output, error
    for (int i = 0; i < 3; ++i)
        if (pipe2(pipes[i], O_CLOEXEC) != 0) {
            r.result.err = std::string("cannot start a worker: ") + std::strerror(errno);
            ClosePipes(pipes, i);
            return false;
        }
    int(&in)[2] = pipes[0];
    int(&out)[2] = pipes[1];
    int(&err)[2] = pipes[2];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // Nothing else of ours: a descriptor that some thread opened without
    // close-on-exec (a client's connection to the dashboard) stays here.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    std::vector<std::string> argv = {"vandrel"};
    argv.insert(argv.end(), task.args.begin(), task.args.end());
    std::vector<std::string> env = Environment(task.password);
    const int spawned = posix_spawn(&r.pid, kSelf, &actions, nullptr, Pointers(argv).data(), Pointers(env).data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(in[1]);
        close(out[0]);
        close(err[0]);
        r.result.err = std::string("cannot start a worker: ") + std::strerror(spawned);
        return false;
    }
    // The worker reads all its input before anything else.
    WriteAll(in[1], task.input);
    close(in[1]);
    r.out = out[0];
    r.err = err[0];
    r.started = Clock::now();
    return true;
}

void Drain(int &fd, std::string &into) {
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
        into.append(buffer, size_t(n));
    } else if (n == 0 || errno != EINTR) {
        close(fd);
        fd = -1;
    }
}

int Reap(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

void RunWorkers(const std::vector<WorkerTask> &tasks, int jobs, const std::function<bool()> &stop,
                  const std::function<void(size_t, const WorkerResult &)> &done) {
    // A worker that ends before reading its input must not end us.
    signal(SIGPIPE, SIG_IGN);
    std::vector<Running> running;
    size_t next = 0;
    while (next < tasks.size() || !running.empty()) {
        while (next < tasks.size() && int(running.size()) < jobs && !stop()) {
            Running r;
            r.task = next++;
            if (Start(tasks[r.task], r)) {
                running.push_back(r);
            } else {
                r.result.status = 1;
                done(r.task, r.result);
            }
        }
        if (running.empty()) break;
        std::vector<pollfd> fds;
        for (const Running &r : running) {
            fds.push_back({r.out, POLLIN, 0});
            fds.push_back({r.err, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), kPollMs) < 0 && errno != EINTR) break;
        for (size_t i = 0; i < running.size(); ++i) {
            Running &r = running[i];
            if (r.out >= 0 && fds[2 * i].revents) Drain(r.out, r.result.out);
            if (r.err >= 0 && fds[2 * i + 1].revents) Drain(r.err, r.result.err);
            const int limitMs = tasks[r.task].limitMs;
            if (!r.killed && Clock::now() - r.started > std::chrono::milliseconds(limitMs)) {
                kill(r.pid, SIGKILL);
                r.killed = true;
                r.result.err +=
                    "\nvandrel: the worker took longer than " + std::to_string(limitMs) + " ms and was ended";
            }
        }
        for (auto it = running.begin(); it != running.end();) {
            if (it->out >= 0 || it->err >= 0) {
                ++it;
                continue;
            }
            it->result.status = Reap(it->pid);
            done(it->task, it->result);
            it = running.erase(it);
        }
    }
}

}  // namespace vdcli

// Worker processes on Windows: this program started again with
// CreateProcess, its standard streams through pipes that threads of this
// process drain; each running worker has a thread of this process that waits
// for it, and this thread hands the results to done as they come.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "workers.h"

namespace vdcli {

namespace {

// One argument as the C runtime of the started program splits it again.
std::string Quoted(const std::string &arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// Reads a pipe to its end.
void Drain(HANDLE pipe, std::string &into) {
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) into.append(buffer, n);
}

// Held while a worker is started: a child inherits every inheritable handle
// open at that moment, so the pipe ends of a worker started beside it would
// stay open in it and its output would never end; and the password travels
// in this process's environment.
std::mutex g_starting;

WorkerResult Run(const std::string &program, const WorkerTask &task) {
    WorkerResult result;
    result.status = 127;
    std::unique_lock<std::mutex> starting(g_starting);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE in[2], out[2], err[2];  // read end, write end
    if (!CreatePipe(&in[0], &in[1], &inherit, 0)) return result;
    CreatePipe(&out[0], &out[1], &inherit, 0);
    CreatePipe(&err[0], &err[1], &inherit, 0);
    // This process's ends stay here.
    SetHandleInformation(in[1], HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(out[0], HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err[0], HANDLE_FLAG_INHERIT, 0);

    std::string line = Quoted(program);
    for (const std::string &arg : task.args) line += " " + Quoted(arg);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = in[0];
    start.hStdOutput = out[1];
    start.hStdError = err[1];
    PROCESS_INFORMATION process{};
    SetEnvironmentVariableA("VANDREL_PASSWORD", task.password.c_str());
    const bool started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                                        &process);
    SetEnvironmentVariableA("VANDREL_PASSWORD", nullptr);
    CloseHandle(in[0]);
    CloseHandle(out[1]);
    CloseHandle(err[1]);
    starting.unlock();
    if (started) {
        std::thread outReader(Drain, out[0], std::ref(result.out));
        std::thread errReader(Drain, err[0], std::ref(result.err));
        DWORD written = 0;
        WriteFile(in[1], task.input.data(), DWORD(task.input.size()), &written, nullptr);
        CloseHandle(in[1]);
        if (WaitForSingleObject(process.hProcess, DWORD(task.limitMs)) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 128 + 9);
        WaitForSingleObject(process.hProcess, INFINITE);
        outReader.join();
        errReader.join();
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.status = int(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        CloseHandle(in[1]);
    }
    CloseHandle(out[0]);
    CloseHandle(err[0]);
    return result;
}

}  // namespace

void RunWorkers(const std::vector<WorkerTask> &tasks, int jobs, const std::function<bool()> &stop,
                const std::function<void(size_t, const WorkerResult &)> &done) {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string program(path, n < sizeof path ? n : 0);
    std::mutex lock;
    std::condition_variable ended;
    std::vector<std::pair<size_t, WorkerResult>> finished;  // not yet handed to done
    std::vector<std::thread> waiters(tasks.size());
    size_t next = 0;
    int running = 0;
    for (;;) {
        while (next < tasks.size() && running < jobs && !stop()) {
            const size_t i = next++;
            ++running;
            waiters[i] = std::thread([&, i] {
                WorkerResult result = Run(program, tasks[i]);
                std::lock_guard<std::mutex> guard(lock);
                finished.emplace_back(i, std::move(result));
                ended.notify_one();
            });
        }
        if (running == 0) return;
        std::unique_lock<std::mutex> guard(lock);
        ended.wait(guard, [&] { return !finished.empty(); });
        std::vector<std::pair<size_t, WorkerResult>> batch;
        batch.swap(finished);
        guard.unlock();
        for (auto &[i, result] : batch) {
            waiters[i].join();
            --running;
            done(i, result);
        }
    }
}

}  // namespace vdcli

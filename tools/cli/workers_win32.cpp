// Worker processes on Windows: this program started again with
// CreateProcess, one task at a time (which "at most jobs at once" allows),
// its standard streams through pipes that threads of this process drain.
#include <windows.h>

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

WorkerResult Run(const std::string &program, const WorkerTask &task) {
    WorkerResult result;
    result.status = 127;
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
    if (started) {
        std::thread outReader(Drain, out[0], std::ref(result.out));
        std::thread errReader(Drain, err[0], std::ref(result.err));
        DWORD written = 0;
        WriteFile(in[1], task.input.data(), DWORD(task.input.size()), &written, nullptr);
        CloseHandle(in[1]);
        if (WaitForSingleObject(process.hProcess, kWorkerLimitSeconds * 1000) != WAIT_OBJECT_0)
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

void RunWorkers(const std::vector<WorkerTask> &tasks, int, const std::function<bool()> &stop,
                const std::function<void(size_t, const WorkerResult &)> &done) {
    char program[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
    for (size_t i = 0; i < tasks.size() && !stop(); ++i)
        done(i, Run(std::string(program, n < sizeof program ? n : 0), tasks[i]));
}

}  // namespace vdcli

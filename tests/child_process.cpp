// The platform's ways of starting, reading and killing a program: posix_spawn and waitpid, or
// CreateProcessW and TerminateProcess.
#include "tests/child_process.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace testing_support {

namespace {

// A start the system refuses for a moment (a Wine server too busy to see a new process through
// its start-up, a process table full for an instant) is tried again, this many times in all,
// waiting a little longer each time. Each retry is said on stderr, so a run shows it.
constexpr int kStartAttempts = 5;

// `start` returns 0 once the program runs, or the system's error code.
template <class Start, class Transient>
unsigned long StartRetrying(const std::filesystem::path& program, Start start,
                            Transient transient) {
    for (int attempt = 1;; ++attempt) {
        const unsigned long error = start();
        if (error == 0 || !transient(error) || attempt == kStartAttempts) return error;
        std::fprintf(stderr, "%s could not be started (error %lu); trying again (%d of %d)\n",
                     program.filename().string().c_str(), error, attempt + 1, kStartAttempts);
        std::this_thread::sleep_for(std::chrono::milliseconds(50 * attempt));
    }
}

#if defined(_WIN32)

std::wstring Wide(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

// One argument as the C runtime's command-line parser reads it back: as it is when it holds no
// blank and no quote, else in quotes, with quotes escaped and the backslashes before one doubled.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// Starts the program with stdout and stderr going to `output` (or nowhere), in a job that bounds
// its committed memory when a limit is given; 0 when it fails.
std::intptr_t Spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    HANDLE output, std::string& error, std::size_t memoryLimit = 0) {
    std::wstring commandLine = Quoted(program.wstring());
    for (const std::string& argument : arguments) commandLine += L" " + Quoted(Wide(argument));

    HANDLE discard = INVALID_HANDLE_VALUE;
    if (output == nullptr) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        discard = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
        output = discard;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    const unsigned long failed = StartRetrying(
        program,
        [&]() -> unsigned long {
            // CreateProcessW may write into the command line it is given: a fresh copy each time.
            std::wstring line = commandLine;
            // The program is named in the command line only: Wine then also starts a Linux
            // program.
            return CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                  memoryLimit > 0 ? CREATE_SUSPENDED : 0, nullptr, nullptr,
                                  &startup, &process)
                       ? 0
                       : GetLastError();
        },
        // ERROR_INTERNAL_ERROR: the new process ended in its start-up (a busy Wine server);
        // the others: resources missing for a moment.
        [](unsigned long code) {
            return code == ERROR_INTERNAL_ERROR || code == ERROR_NOT_ENOUGH_MEMORY ||
                   code == ERROR_OUTOFMEMORY || code == ERROR_NO_SYSTEM_RESOURCES;
        });
    if (discard != INVALID_HANDLE_VALUE) CloseHandle(discard);
    if (failed != 0) {
        error = "CreateProcessW failed: error " + std::to_string(failed);
        return 0;
    }
    if (memoryLimit > 0) {
        // The job lives on as long as the process is in it.
        const HANDLE job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY;
        limits.ProcessMemoryLimit = memoryLimit;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        AssignProcessToJobObject(job, process.hProcess);
        CloseHandle(job);
        ResumeThread(process.hThread);
    }
    CloseHandle(process.hThread);
    return reinterpret_cast<std::intptr_t>(process.hProcess);
}

// The exit code, or -1 when the system has none to tell.
int WaitForExit(std::intptr_t process) {
    const HANDLE handle = reinterpret_cast<HANDLE>(process);
    WaitForSingleObject(handle, INFINITE);
    DWORD code = 0;
    const bool known = GetExitCodeProcess(handle, &code);
    CloseHandle(handle);
    return known ? static_cast<int>(code) : -1;
}

#else

// Starts the program with stdout and stderr going to `output` (or nowhere); 0 when it fails.
std::intptr_t Spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    int output, std::string& error) {
    std::vector<std::string> texts{program.string()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = 0;
    const unsigned long failed = StartRetrying(
        program,
        [&]() -> unsigned long {
            return static_cast<unsigned long>(
                posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ));
        },
        [](unsigned long code) { return code == EAGAIN || code == ENOMEM; });
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        error = "posix_spawn failed: " + std::string(std::strerror(static_cast<int>(failed)));
    }
    return failed != 0 ? 0 : pid;
}

// The exit code, or -1 for a program ended by a signal.
int WaitForExit(std::intptr_t process) {
    int status = 0;
    if (waitpid(static_cast<pid_t>(process), &status, 0) != process) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

}  // namespace

#if defined(_WIN32)

// The output goes to a file that is read once the program has ended: no reader has to keep up
// with the program meanwhile.
ProgramResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments, std::size_t memoryLimit) {
    ProgramResult result;
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(std::filesystem::temp_directory_path().c_str(), L"out", 0, name) == 0) {
        return result;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return result;
    const std::intptr_t process = Spawn(program, arguments, file, result.output, memoryLimit);
    if (process != 0) result.exitCode = WaitForExit(process);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    std::array<char, 4096> chunk{};
    DWORD got = 0;
    while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
           got > 0) {
        result.output.append(chunk.data(), got);
    }
    CloseHandle(file);
    return result;
}

bool ChildProcess::Kill() {
    if (process_ == 0) return false;
    const HANDLE handle = reinterpret_cast<HANDLE>(process_);
    const bool running = WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
    TerminateProcess(handle, 1);
    WaitForExit(process_);
    process_ = 0;
    return running;
}

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments)
    : process_(Spawn(program, arguments, nullptr, error_)) {}

#else

ProgramResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments, std::size_t memoryLimit) {
    if (memoryLimit > 0) {
        // The shell sets the limit and becomes the program.
        std::vector<std::string> limited{
            "-c", "ulimit -v " + std::to_string(memoryLimit >> 10) + " && exec \"$0\" \"$@\"",
            program.string()};
        limited.insert(limited.end(), arguments.begin(), arguments.end());
        return RunProgram("/bin/sh", limited);
    }
    ProgramResult result;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return result;
    const std::intptr_t process = Spawn(program, arguments, pipeEnds[1], result.output);
    close(pipeEnds[1]);
    std::array<char, 4096> chunk{};
    for (ssize_t got; (got = read(pipeEnds[0], chunk.data(), chunk.size())) > 0;) {
        result.output.append(chunk.data(), static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    if (process != 0) result.exitCode = WaitForExit(process);
    return result;
}

std::vector<std::string> CommandWithStdoutTo(const std::filesystem::path& stdoutFile,
                                             const std::filesystem::path& program,
                                             const std::vector<std::string>& arguments) {
    // The shell sends stdout to the file and becomes the program.
    std::vector<std::string> command{"/bin/sh", "-c",
                                     "file=$1; shift; exec \"$0\" \"$@\" >\"$file\"",
                                     program.string(), stdoutFile.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

bool ChildProcess::Kill() {
    if (process_ == 0) return false;
    kill(static_cast<pid_t>(process_), SIGKILL);
    int status = 0;
    waitpid(static_cast<pid_t>(process_), &status, 0);
    process_ = 0;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments)
    : process_(Spawn(program, arguments, -1, error_)) {}

#endif

ChildProcess::~ChildProcess() {
    Kill();
}

}  // namespace testing_support

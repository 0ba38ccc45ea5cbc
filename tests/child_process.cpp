// The platform's ways of starting, reading and killing a program: posix_spawn and waitpid, or
// CreateProcessW and TerminateProcess.
#include "tests/child_process.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <array>

namespace testing_support {

namespace {

#if defined(_WIN32)

std::wstring Wide(const std::string& utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

// One argument as the C runtime's command-line parser reads it back: in quotes, with quotes
// escaped and the backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& argument) {
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

// Starts the program with stdout and stderr going to `output` (or nowhere); 0 when it fails.
std::intptr_t Spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    HANDLE output) {
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
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &startup, &process);
    if (discard != INVALID_HANDLE_VALUE) CloseHandle(discard);
    if (!started) return 0;
    CloseHandle(process.hThread);
    return reinterpret_cast<std::intptr_t>(process.hProcess);
}

int WaitForExit(std::intptr_t process) {
    const HANDLE handle = reinterpret_cast<HANDLE>(process);
    WaitForSingleObject(handle, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(handle, &code);
    CloseHandle(handle);
    return static_cast<int>(code);
}

#else

// Starts the program with stdout and stderr going to `output` (or nowhere); 0 when it fails.
std::intptr_t Spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    int output) {
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
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? 0 : pid;
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

ProgramResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments) {
    ProgramResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::intptr_t process = Spawn(program, arguments, writeEnd);
    CloseHandle(writeEnd);
    std::array<char, 4096> chunk{};
    DWORD got = 0;
    while (ReadFile(readEnd, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
           got > 0) {
        result.output.append(chunk.data(), got);
    }
    CloseHandle(readEnd);
    if (process != 0) result.exitCode = WaitForExit(process);
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
    : process_(Spawn(program, arguments, nullptr)) {}

#else

ProgramResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments) {
    ProgramResult result;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return result;
    const std::intptr_t process = Spawn(program, arguments, pipeEnds[1]);
    close(pipeEnds[1]);
    std::array<char, 4096> chunk{};
    for (ssize_t got; (got = read(pipeEnds[0], chunk.data(), chunk.size())) > 0;) {
        result.output.append(chunk.data(), static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    if (process != 0) result.exitCode = WaitForExit(process);
    return result;
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
    : process_(Spawn(program, arguments, -1)) {}

#endif

ChildProcess::~ChildProcess() { Kill(); }

}  // namespace testing_support

// Test support: other programs run by a test - run to their end for what they print, or started
// and killed at a moment of the test's choosing. No shell comes between: each argument reaches
// the program as given, whatever characters it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct ProgramResult {
    int exitCode = -1;   // the program's exit code; -1 when it could not start or was killed
    std::string output;  // what it wrote to stdout and stderr, or why it could not start
};

// memoryLimit: the most memory the program may take, in bytes (0: no limit of the test's own). It
// bounds the address space on POSIX (ulimit -v), the committed memory on Windows (a job object).
ProgramResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments, std::size_t memoryLimit = 0);

#if !defined(_WIN32)
// A command (the shell, then its arguments) that runs `program` with its stdout going to
// `stdoutFile` (/dev/full: a full disk), its stderr left as it is. Run it with RunProgram, or
// behind a program that must keep a stdout of its own (xvfb-run).
std::vector<std::string> CommandWithStdoutTo(const std::filesystem::path& stdoutFile,
                                             const std::filesystem::path& program,
                                             const std::vector<std::string>& arguments);
#endif

// A program running beside the test, its output discarded; killed when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_ != 0; }
    const std::string& Error() const { return error_; }  // why it did not start
    // Ends the program at once, as a crash or a power cut would (no handler of its own runs),
    // and waits until it is gone. True when it was still running until then.
    bool Kill();

private:
    std::string error_;
    std::intptr_t process_ = 0;  // pid or process handle
};

}  // namespace testing_support

// Test support: work done by a user whom file permissions bind. Root reads and writes whatever
// it likes, so when the tests run as root the work runs in a child process as "nobody".
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

namespace testing_support {

struct ChildRun {
    bool ran = false;  // false when the child could not give up root's rights
    std::string output;
};

// Runs `work` in a child process bound by file permissions and returns what it wrote to its
// output argument. The folders it works in must let "nobody" in (see LetEveryoneIn).
inline ChildRun RunAsOrdinaryUser(const std::function<void(std::string& output)>& work) {
    constexpr int kCouldNotDropRights = 77;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        constexpr unsigned kNobody = 65534;
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(kCouldNotDropRights);
        }
        std::string output;
        work(output);
        for (std::size_t at = 0; at < output.size();) {
            const ssize_t wrote = write(pipeEnds[1], output.data() + at, output.size() - at);
            if (wrote <= 0) break;
            at += static_cast<std::size_t>(wrote);
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    ChildRun run;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        run.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return {};
    run.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// Lets any user into a folder and every folder above it up to `top`.
inline void LetEveryoneIn(const std::filesystem::path& top, const std::filesystem::path& folder) {
    using std::filesystem::perms;
    for (std::filesystem::path at = folder;; at = at.parent_path()) {
        std::filesystem::permissions(at, perms::others_exec | perms::others_read,
                                     std::filesystem::perm_options::add);
        if (at == top || at == at.parent_path()) break;
    }
}

}  // namespace testing_support

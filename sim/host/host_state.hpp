// Stand-in host: its inner state, shared by the SDK classes it implements.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "bakkesmod/wrappers/GameWrapper.h"
#include "sim/host/hook_dispatch.hpp"

namespace sim::host {

class Console {
public:
    void Write(std::string line);
    std::vector<std::string> Lines() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

class WorkQueue {
public:
    using Clock = std::chrono::steady_clock;
    // Work that runs on the first tick at or after `due`.
    void Push(std::function<void(GameWrapper*)> work, Clock::time_point due);
    // Runs everything queued so far that is due, in order; work queued meanwhile, or not due
    // yet, waits for a later tick.
    void RunAll(GameWrapper* gameWrapper);
    // Removes everything queued so far, due or not, and hands it over unrun, in order (for
    // inspection).
    std::vector<std::function<void(GameWrapper*)>> Take();
    std::size_t Pending() const;

private:
    struct Work {
        std::function<void(GameWrapper*)> run;
        Clock::time_point due;
    };
    mutable std::mutex mutex_;
    std::vector<Work> work_;
};

class HostState {
public:
    std::filesystem::path dataFolder;
    Console console;
    // Called with the function's full name as each hook call arrives, before the hook is added,
    // so that a test can check there what the plugin had to do before it (its name registry).
    std::function<void(const std::string&)> onHookCall;
    HookRegistry hooks;
    HookDispatch dispatch{hooks};
    WorkQueue work;
};

}  // namespace sim::host

// Stand-in host: its inner state, shared by the SDK classes it implements.
//
// Index
//   Console    - every line the plugin logs, readable by tests and the demo
//   HookTable  - callbacks registered per game function full name, in registration order
//   WorkQueue  - work handed to GameWrapper::Execute, run by the game thread at its next tick
//   HostState  - the above plus the data folder
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "plugin/host/game_wrapper.hpp"

namespace sim::host {

class Console {
public:
    void Write(std::string line);
    std::vector<std::string> Lines() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// One registration of a hook. Exactly one of the callables is set.
struct HookCallback {
    enum class Phase { Pre, Post, Plain };
    Phase phase;
    std::function<void(ActorWrapper, void*, std::string)> withActor;
    std::function<void(PriWrapper, void*, std::string)> withPri;
    std::function<void(std::string)> plain;
};

class HookRegistry {
public:
    void Add(const std::string& functionFullName, HookCallback callback);
    // The callbacks of one function, or null when it has none. The vector only grows.
    const std::vector<HookCallback>* Find(const std::string& functionFullName) const;
    std::size_t Count(const std::string& functionFullName) const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::vector<HookCallback>> hooks_;
};

class WorkQueue {
public:
    void Push(std::function<void(GameWrapper*)> work);
    // Runs everything queued so far, in order; work queued meanwhile waits for the next tick.
    void RunAll(GameWrapper* gameWrapper);
    // Removes everything queued so far and hands it over unrun, in order (for inspection).
    std::vector<std::function<void(GameWrapper*)>> Take();
    std::size_t Pending() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::function<void(GameWrapper*)>> work_;
};

class HostState {
public:
    std::filesystem::path dataFolder;
    Console console;
    HookRegistry hooks;
    WorkQueue work;
};

}  // namespace sim::host

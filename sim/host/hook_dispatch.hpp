// Stand-in host: hooks on game script functions, run around the game's ProcessEvent.
//
// The host puts its detour into slot 67 of the game's table of virtual operations. For a
// function with hooks it runs the pre and plain callbacks, then the game's own ProcessEvent (the
// function body sees what the pre callbacks wrote into the parameter block), then the post
// callbacks (what they write reaches the function's caller). A function object is resolved to
// its hooks once, by its full name; later calls cost one pointer-keyed look-up.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

#include "bakkesmod/wrappers/includes.h"
#include "sim/game/world.hpp"

namespace emu {
class World;
}

namespace sim::host {

// ---- HookCallback -------------------------------------------------------------------------------

// One registration of a hook. Exactly one of the callables is set. An unhooked registration
// stays in place, never run again, so that a callback may unhook while its list runs.
struct HookCallback {
    enum class Phase { Pre, Post, Plain };
    Phase phase;
    std::function<void(ActorWrapper, void*, std::string)> withActor;
    std::function<void(PriWrapper, void*, std::string)> withPri;
    std::function<void(std::string)> plain;
    bool unhooked = false;
};

// ---- HookList -----------------------------------------------------------------------------------

// A deque, so that callbacks stay in place while one of them registers further hooks.
struct HookList {
    std::string eventName;
    std::deque<HookCallback> callbacks;
};

// ---- HookRegistry -------------------------------------------------------------------------------

class HookRegistry {
public:
    // A second registration of one function keeps both callbacks, in registration order.
    void Add(const std::string& functionFullName, HookCallback callback);
    // Unhooks a function's registrations of one timing: those run before the body (plain and
    // pre), or those run after it. On the game thread, as the dispatch that reads them.
    enum class Timing { BeforeBody, AfterBody };
    void Remove(const std::string& functionFullName, Timing timing);
    // Frees the callables of the registrations unhooked so far, which Remove only marks (a
    // dispatch may be walking them). The host calls it as it unloads a plugin, before it frees the
    // module whose code the callables are; registrations still hooked stay.
    void ReleaseUnhooked();
    // The registrations of one function, or null when it has none. A list, once there, stays
    // at its address.
    const HookList* Find(const std::string& functionFullName) const;
    // The registrations of one function that are still hooked.
    std::size_t Count(const std::string& functionFullName) const;
    // Advances with every registration: whoever resolved functions before must resolve again.
    std::uint64_t Generation() const { return generation_.load(std::memory_order_acquire); }

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, HookList> hooks_;
    std::atomic<std::uint64_t> generation_{0};
};

// ---- HookDispatch -------------------------------------------------------------------------------

// ProcessEvent runs on the game thread only, so the resolved cache needs no lock. One dispatch
// at a time has its detour in a world: the last one attached.
class HookDispatch {
public:
    explicit HookDispatch(const HookRegistry& hooks) : hooks_(hooks) {}
    ~HookDispatch();
    HookDispatch(const HookDispatch&) = delete;
    HookDispatch& operator=(const HookDispatch&) = delete;

    // Puts the detour into the current world's ProcessEvent slot, keeping the slot's former
    // operation to call on. Does nothing without a world or when the detour is in place already.
    void AttachToCurrentWorld();

private:
    static void Detour(cloak::game::GameObject* object, cloak::game::GameObject* function,
                       void* params);
    void Run(cloak::game::GameObject* object, cloak::game::GameObject* function, void* params);
    const HookList* Resolve(const cloak::game::GameObject* function);

    const HookRegistry& hooks_;
    emu::World* world_ = nullptr;
    emu::ProcessEventFunction original_ = nullptr;
    std::unordered_map<const cloak::game::GameObject*, const HookList*> resolved_;
    std::uint64_t resolvedGeneration_ = 0;
};

}  // namespace sim::host

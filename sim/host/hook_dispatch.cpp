// Stand-in host: hook registrations and the ProcessEvent detour.
#include "sim/host/hook_dispatch.hpp"

#include <algorithm>

#include "sim/game/world.hpp"

namespace sim::host {

namespace {

// The dispatch whose detour sits in the current world. The detour is a plain function in the
// game's table of virtual operations, so it finds its state here.
HookDispatch* attachedDispatch = nullptr;

void RunPhase(const HookList& hooks, bool beforeBody, cloak::game::GameObject* object,
              void* params) {
    const auto address = static_cast<std::uintptr_t>(emu::AddressOf(object));
    // By index: a callback may register another hook of this function, which appends.
    for (std::size_t i = 0; i < hooks.callbacks.size(); ++i) {
        const HookCallback& callback = hooks.callbacks[i];
        const bool before = callback.phase != HookCallback::Phase::Post;
        if (before != beforeBody || callback.unhooked) continue;
        if (callback.withActor) {
            callback.withActor(ActorWrapper(address), params, hooks.eventName);
        } else if (callback.withPri) {
            callback.withPri(PriWrapper(address), params, hooks.eventName);
        } else {
            callback.plain(hooks.eventName);
        }
    }
}

}  // namespace

// ---- HookRegistry -------------------------------------------------------------------------------

void HookRegistry::Add(const std::string& functionFullName, HookCallback callback) {
    std::lock_guard lock(mutex_);
    HookList& list = hooks_[functionFullName];
    list.eventName = functionFullName;
    list.callbacks.push_back(std::move(callback));
    generation_.fetch_add(1, std::memory_order_release);
}

const HookList* HookRegistry::Find(const std::string& functionFullName) const {
    std::lock_guard lock(mutex_);
    auto found = hooks_.find(functionFullName);
    return found == hooks_.end() ? nullptr : &found->second;
}

void HookRegistry::Remove(const std::string& functionFullName, Timing timing) {
    std::lock_guard lock(mutex_);
    auto found = hooks_.find(functionFullName);
    if (found == hooks_.end()) return;
    for (HookCallback& callback : found->second.callbacks) {
        const bool before = callback.phase != HookCallback::Phase::Post;
        if (before == (timing == Timing::BeforeBody)) callback.unhooked = true;
    }
}

void HookRegistry::ReleaseUnhooked() {
    std::lock_guard lock(mutex_);
    for (auto& [name, list] : hooks_) {
        std::erase_if(list.callbacks,
                      [](const HookCallback& callback) { return callback.unhooked; });
    }
    generation_.fetch_add(1, std::memory_order_release);
}

std::size_t HookRegistry::Count(const std::string& functionFullName) const {
    std::lock_guard lock(mutex_);
    auto found = hooks_.find(functionFullName);
    if (found == hooks_.end()) return 0;
    return static_cast<std::size_t>(
        std::count_if(found->second.callbacks.begin(), found->second.callbacks.end(),
                      [](const HookCallback& callback) { return !callback.unhooked; }));
}

// ---- HookDispatch -------------------------------------------------------------------------------

HookDispatch::~HookDispatch() {
    if (attachedDispatch == this) attachedDispatch = nullptr;
}

void HookDispatch::AttachToCurrentWorld() {
    emu::World* world = emu::World::CurrentOrNull();
    if (world == nullptr) return;
    if (world == world_ && world->ProcessEventSlot() == &Detour && attachedDispatch == this) return;
    world_ = world;
    // A detour already in the slot (another host's) is not chained to: it would call us back.
    original_ = world->ProcessEventSlot() == &Detour ? &emu::World::GameProcessEvent
                                                     : world->ProcessEventSlot();
    resolved_.clear();
    world->SetProcessEventSlot(&Detour);
    attachedDispatch = this;
}

void HookDispatch::Detour(cloak::game::GameObject* object, cloak::game::GameObject* function,
                          void* params) {
    if (attachedDispatch == nullptr) {
        return emu::World::GameProcessEvent(object, function, params);
    }
    attachedDispatch->Run(object, function, params);
}

void HookDispatch::Run(cloak::game::GameObject* object, cloak::game::GameObject* function,
                       void* params) {
    const HookList* hooks = Resolve(function);
    if (hooks == nullptr) return original_(object, function, params);
    RunPhase(*hooks, true, object, params);
    original_(object, function, params);
    RunPhase(*hooks, false, object, params);
}

const HookList* HookDispatch::Resolve(const cloak::game::GameObject* function) {
    const std::uint64_t generation = hooks_.Generation();
    if (generation != resolvedGeneration_) {
        resolved_.clear();
        resolvedGeneration_ = generation;
    }
    auto [entry, isNew] = resolved_.try_emplace(function, nullptr);
    if (isNew) entry->second = hooks_.Find(world_->FullName(function));
    return entry->second;
}

}  // namespace sim::host

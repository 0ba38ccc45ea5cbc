// Stand-in host: GameWrapper.
#include "plugin/host/game_wrapper.hpp"

#include "sim/game/world.hpp"
#include "sim/host/host_state.hpp"

using sim::host::HookCallback;

GameWrapper::GameWrapper(sim::host::HostState* host) : host_(host) {}

namespace {

// Registers a hook; the detour goes into the game's ProcessEvent slot with the first one.
void AddHook(sim::host::HostState& host, const std::string& eventName, HookCallback callback) {
    if (host.onHookCall) host.onHookCall(eventName);
    host.dispatch.AttachToCurrentWorld();
    host.hooks.Add(eventName, std::move(callback));
}

HookCallback MakeCallback(HookCallback::Phase phase,
                          std::function<void(ActorWrapper, void*, std::string)> callback) {
    return HookCallback{phase, std::move(callback), {}, {}};
}

HookCallback MakeCallback(HookCallback::Phase phase,
                          std::function<void(PriWrapper, void*, std::string)> callback) {
    return HookCallback{phase, {}, std::move(callback), {}};
}

}  // namespace

void GameWrapper::HookEvent(std::string eventName, std::function<void(std::string)> callback) {
    AddHook(*host_, eventName,
            HookCallback{HookCallback::Phase::Plain, {}, {}, std::move(callback)});
}

template <typename Caller>
void GameWrapper::HookEventWithCaller(std::string eventName,
                                      std::function<void(Caller, void*, std::string)> callback) {
    AddHook(*host_, eventName, MakeCallback(HookCallback::Phase::Pre, std::move(callback)));
}

template <typename Caller>
void GameWrapper::HookEventWithCallerPost(
    std::string eventName, std::function<void(Caller, void*, std::string)> callback) {
    AddHook(*host_, eventName, MakeCallback(HookCallback::Phase::Post, std::move(callback)));
}

template SDK_API void GameWrapper::HookEventWithCaller<ActorWrapper>(
    std::string, std::function<void(ActorWrapper, void*, std::string)>);
template SDK_API void GameWrapper::HookEventWithCallerPost<ActorWrapper>(
    std::string, std::function<void(ActorWrapper, void*, std::string)>);
template SDK_API void GameWrapper::HookEventWithCaller<PriWrapper>(
    std::string, std::function<void(PriWrapper, void*, std::string)>);
template SDK_API void GameWrapper::HookEventWithCallerPost<PriWrapper>(
    std::string, std::function<void(PriWrapper, void*, std::string)>);

void GameWrapper::Execute(std::function<void(GameWrapper*)> work) {
    host_->work.Push(std::move(work));
}

std::filesystem::path GameWrapper::GetDataFolder() {
    return host_->dataFolder;
}

// The game's own name table: the entry's text, narrowed to its low bytes as the real host does.
// An index the table does not hold yields the empty text.
std::string GameWrapper::GetFNameByIndex(int index) {
    const emu::World* world = emu::World::CurrentOrNull();
    return world == nullptr ? std::string() : world->NameText(index);
}

// Stand-in host: GameWrapper.
#include <algorithm>
#include <chrono>

#include "bakkesmod/wrappers/GameWrapper.h"
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

template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type*>
void GameWrapper::HookEventWithCaller(std::string eventName,
                                      std::function<void(T, void*, std::string)> callback) {
    AddHook(*host_, eventName, MakeCallback(HookCallback::Phase::Pre, std::move(callback)));
}

template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type*>
void GameWrapper::HookEventWithCallerPost(std::string eventName,
                                          std::function<void(T, void*, std::string)> callback) {
    AddHook(*host_, eventName, MakeCallback(HookCallback::Phase::Post, std::move(callback)));
}

template BAKKESMOD_PLUGIN_IMPORT void GameWrapper::HookEventWithCaller<ActorWrapper>(
    std::string, std::function<void(ActorWrapper, void*, std::string)>);
template BAKKESMOD_PLUGIN_IMPORT void GameWrapper::HookEventWithCallerPost<ActorWrapper>(
    std::string, std::function<void(ActorWrapper, void*, std::string)>);
template BAKKESMOD_PLUGIN_IMPORT void GameWrapper::HookEventWithCaller<PriWrapper>(
    std::string, std::function<void(PriWrapper, void*, std::string)>);
template BAKKESMOD_PLUGIN_IMPORT void GameWrapper::HookEventWithCallerPost<PriWrapper>(
    std::string, std::function<void(PriWrapper, void*, std::string)>);

void GameWrapper::UnhookEvent(std::string eventName) {
    host_->hooks.Remove(eventName, sim::host::HookRegistry::Timing::BeforeBody);
}

void GameWrapper::UnhookEventPost(std::string eventName) {
    host_->hooks.Remove(eventName, sim::host::HookRegistry::Timing::AfterBody);
}

void GameWrapper::Execute(std::function<void(GameWrapper*)> theLambda) {
    host_->work.Push(std::move(theLambda), sim::host::WorkQueue::Duration::zero());
}

void GameWrapper::SetTimeout(std::function<void(GameWrapper*)> theLambda, float seconds) {
    // A negative or not-a-number delay is no delay; a longer one than a game lasts, forever.
    constexpr float kLongest = 1e7F;
    const std::chrono::duration<float> delay(seconds > 0 ? std::min(seconds, kLongest) : 0.0F);
    host_->work.Push(std::move(theLambda),
                     std::chrono::duration_cast<sim::host::WorkQueue::Duration>(delay));
}

void GameWrapper::Toast(std::string title, std::string text, std::string texture, float timeout,
                        std::uint8_t toastType, float width, float height) {
    host_->toasts.Show(sim::host::ShownToast{std::move(title), std::move(text), std::move(texture),
                                             timeout, toastType, width, height});
}

std::filesystem::path GameWrapper::GetDataFolder() {
    return host_->dataFolder;
}

std::wstring GameWrapper::GetDataFolderW() {
    return host_->dataFolder.wstring();
}

// The game's own name table: the entry's text, narrowed to its low bytes as the real host does.
// An index the table does not hold yields the empty text.
std::string GameWrapper::GetFNameByIndex(int index) {
    const emu::World* world = emu::World::CurrentOrNull();
    return world == nullptr ? std::string() : world->NameText(index);
}

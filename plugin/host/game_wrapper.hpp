// Host SDK: the game as the host offers it.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "plugin/host/sdk_api.hpp"
#include "plugin/host/wrappers.hpp"

namespace sim::host {
class HostState;
}

class SDK_API GameWrapper {
public:
    explicit GameWrapper(sim::host::HostState* host);

    // Hooks on game script functions, named by their full name ("Function Package.Class.Name").
    // HookEvent runs the callback when the function runs; HookEventWithCaller runs it before the
    // function body (changes to the parameter block reach the body); HookEventWithCallerPost runs
    // it after the body (changes to the parameter block reach the function's caller).
    void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback);
    template <typename Caller>
    void HookEventWithCaller(
        std::string eventName,
        std::function<void(Caller caller, void* params, std::string eventName)> callback);
    template <typename Caller>
    void HookEventWithCallerPost(
        std::string eventName,
        std::function<void(Caller caller, void* params, std::string eventName)> callback);

    // Queues work that the game thread runs on its next tick.
    void Execute(std::function<void(GameWrapper*)> work);

    std::filesystem::path GetDataFolder();
    PlayerControllerWrapper GetPlayerController();
    std::string GetFNameByIndex(int index);
    bool IsInFreeplay();
    ItemsWrapper GetItemsWrapper();

private:
    sim::host::HostState* host_;
};

extern template SDK_API void GameWrapper::HookEventWithCaller<ActorWrapper>(
    std::string, std::function<void(ActorWrapper, void*, std::string)>);
extern template SDK_API void GameWrapper::HookEventWithCallerPost<ActorWrapper>(
    std::string, std::function<void(ActorWrapper, void*, std::string)>);
extern template SDK_API void GameWrapper::HookEventWithCaller<PriWrapper>(
    std::string, std::function<void(PriWrapper, void*, std::string)>);
extern template SDK_API void GameWrapper::HookEventWithCallerPost<PriWrapper>(
    std::string, std::function<void(PriWrapper, void*, std::string)>);

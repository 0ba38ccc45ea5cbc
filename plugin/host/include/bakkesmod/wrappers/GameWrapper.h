// Host SDK: the game as the host offers it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <type_traits>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ObjectWrapper.h"
#include "bakkesmod/wrappers/wrapperstructs.h"

namespace sim::host {
class HostState;
}

class ActorWrapper;
class PriWrapper;
class PlayerControllerWrapper;
class ItemsWrapper;
class CanvasWrapper;

class BAKKESMOD_PLUGIN_IMPORT GameWrapper {
public:
    explicit GameWrapper(sim::host::HostState* host);

    // Hooks on game script functions, named by their full name ("Function Package.Class.Name").
    // HookEvent runs the callback when the function runs; HookEventWithCaller runs it before the
    // function body (changes to the parameter block reach the body); HookEventWithCallerPost runs
    // it after the body (changes to the parameter block reach the function's caller). Unhooking
    // drops the function's callbacks of that timing: plain and before, or after.
    void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback);
    template <typename T,
              typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type* = nullptr>
    void HookEventWithCaller(
        std::string eventName,
        std::function<void(T caller, void* params, std::string eventName)> callback);
    template <typename T,
              typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type* = nullptr>
    void HookEventWithCallerPost(
        std::string eventName,
        std::function<void(T caller, void* params, std::string eventName)> callback);
    void UnhookEvent(std::string eventName);
    void UnhookEventPost(std::string eventName);

    // Work that the game thread runs on a later tick: the next one, or the first one at least
    // `seconds` from now.
    void Execute(std::function<void(GameWrapper*)> theLambda);
    void SetTimeout(std::function<void(GameWrapper*)> theLambda, float seconds);

    // A small notice drawn over the game for `timeout` seconds. `texture` names an image given to
    // the host earlier ("default": the host's logo); `toastType` is a ToastType.
    void Toast(std::string title, std::string text, std::string texture = "default",
               float timeout = 3.5f, std::uint8_t toastType = 0, float width = 290.f,
               float height = 60.f);

    // A callback the host runs every frame to draw on the game's screen, until the plugin removes
    // every one of its drawables (there is no way to remove only one) or is unloaded.
    void RegisterDrawable(std::function<void(CanvasWrapper)> callback);
    void UnregisterDrawables();

#ifdef __cpp_lib_filesystem
    std::filesystem::path GetDataFolder();
#endif
    std::wstring GetDataFolderW();
    PlayerControllerWrapper GetPlayerController();
    std::string GetFNameByIndex(int index);
    bool IsInFreeplay();
    ItemsWrapper GetItemsWrapper();

private:
    sim::host::HostState* host_;
};

#include "bakkesmod/wrappers/includes.h"

// The host builds the hook templates for these callers only.
extern template BAKKESMOD_PLUGIN_IMPORT void GameWrapper::HookEventWithCaller<ActorWrapper>(
    std::string, std::function<void(ActorWrapper, void*, std::string)>);
extern template BAKKESMOD_PLUGIN_IMPORT void GameWrapper::HookEventWithCallerPost<ActorWrapper>(
    std::string, std::function<void(ActorWrapper, void*, std::string)>);
extern template BAKKESMOD_PLUGIN_IMPORT void GameWrapper::HookEventWithCaller<PriWrapper>(
    std::string, std::function<void(PriWrapper, void*, std::string)>);
extern template BAKKESMOD_PLUGIN_IMPORT void GameWrapper::HookEventWithCallerPost<PriWrapper>(
    std::string, std::function<void(PriWrapper, void*, std::string)>);

// Running the game's script functions through the target object's own ProcessEvent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/layout.hpp"
#include "game/lookup.hpp"

namespace cloak::game {

// ---- Parameter blocks ---------------------------------------------------------------------------

struct LocalizeParams {
    GameString section;
    GameString key;
    GameString package;
    std::uint32_t flags;  // bit 0: the boolean argument, always false
    std::uint32_t unused34;
    GameString result;
};
static_assert(sizeof(LocalizeParams) == 72);
static_assert(offsetof(LocalizeParams, section) == 0x00);
static_assert(offsetof(LocalizeParams, key) == 0x10);
static_assert(offsetof(LocalizeParams, package) == 0x20);
static_assert(offsetof(LocalizeParams, flags) == 0x30);
static_assert(offsetof(LocalizeParams, unused34) == 0x34);
static_assert(offsetof(LocalizeParams, result) == 0x38);

struct RepeatStringParams {
    GameString text;
    std::int32_t count;
    std::uint32_t unused14;
    GameString result;
};
static_assert(sizeof(RepeatStringParams) == 40);
static_assert(offsetof(RepeatStringParams, text) == 0x00);
static_assert(offsetof(RepeatStringParams, count) == 0x10);
static_assert(offsetof(RepeatStringParams, unused14) == 0x14);
static_assert(offsetof(RepeatStringParams, result) == 0x18);

struct SetPlayerNameParams {
    GameString name;
};
static_assert(sizeof(SetPlayerNameParams) == 16);
static_assert(offsetof(SetPlayerNameParams, name) == 0x00);

// Functions without arguments still receive a one-byte block holding 0.
struct NoParams {
    std::uint8_t zero;
};
static_assert(sizeof(NoParams) == 1);
static_assert(offsetof(NoParams, zero) == 0);

// ---- ProcessEvent -------------------------------------------------------------------------------

using ProcessEventFunction = void (*)(GameObject* object, GameObject* function, void* params);

// Runs `function` on `object` with `params` through the object's own ProcessEvent.
void ProcessEvent(GameObject* object, GameObject* function, void* params);

// Runs the cached function on `target` with a block laid out as the function expects it; false,
// without a call, when either is missing.
template <class Params>
bool CallFunction(GameObject* target, FunctionCache& function, Params& params) {
    GameObject* functionObject = function.Get();
    if (functionObject == nullptr || target == nullptr) return false;
    ProcessEvent(target, functionObject, &params);
    return true;
}

// ---- Script calls -------------------------------------------------------------------------------
// Each call does nothing (an empty string for a result) when its function cannot be found, and
// consumes its string arguments: they have count and capacity 0 afterwards.

// "Function Core.Object.Localize" on "Class Core.Object".
GameString Localize(GameString section, GameString key, GameString package);
// "Function Core.Object.RepeatString" on "Class Core.Object"; the result is game-allocated.
GameString RepeatString(GameString text, std::int32_t count);
// "Function ProjectX.OnlinePlayer_X.SetPlayerName" on `onlinePlayer`.
void SetPlayerName(GameObject* onlinePlayer, GameString name);
// "Function TAGame.GFxData_NotificationManager_TA.RefreshNotifications" on `manager`.
void RefreshNotifications(GameObject* manager);
// Runs a function that takes no arguments on `object`, with the one-byte block.
void CallWithoutArguments(GameObject* object, FunctionCache& function);

}  // namespace cloak::game

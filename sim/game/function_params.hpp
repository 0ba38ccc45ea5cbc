// Parameter blocks of the game functions that the emulated game runs through ProcessEvent, as the
// game lays them out: the thirteen that a plugin hooks and the four that the plugin calls. The
// caller fills the arguments; the function's body reads them and fills what it hands back.
// Functions without arguments receive the one-byte NoParams holding 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/game/game_format.hpp"

namespace emu {

// A name value as the game passes it.
struct NameValue {
    std::int32_t index;
    std::int32_t number;
};
static_assert(sizeof(NameValue) == 8);
static_assert(offsetof(NameValue, number) == 4);

struct NoParams {
    std::uint8_t zero;
};
static_assert(sizeof(NoParams) == 1);

// ---- Hooked functions ---------------------------------------------------------------------------

// "Function TAGame.PRI_TA.ReplicatedEvent".
struct ReplicatedEventParams {
    NameValue variableName;
};
static_assert(sizeof(ReplicatedEventParams) == 8);

// "Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1": the function hands back
// the value the row showed before in `oldValue`.
struct UpdatePriDataParams {
    NameValue statisticName;
    std::int32_t oldValue;
    std::int32_t newValue;
};
static_assert(sizeof(UpdatePriDataParams) == 16);
static_assert(offsetof(UpdatePriDataParams, oldValue) == 8);
static_assert(offsetof(UpdatePriDataParams, newValue) == 12);

// "Function TAGame.GFxData_PRI_TA.HandleTitleChanged".
struct HandleTitleChangedParams {
    GameObject* pri;
};
static_assert(sizeof(HandleTitleChangedParams) == 8);

// "Function TAGame.GFxData_LocalPlayer_TA.CanShowRankInfoForPlaylistByID".
struct CanShowRankInfoParams {
    std::int32_t playlistId;
    std::uint32_t result;  // bit 0
};
static_assert(sizeof(CanShowRankInfoParams) == 8);
static_assert(offsetof(CanShowRankInfoParams, result) == 4);

// "Function TAGame.GFxData_TeamInfo_TA.HandleNameChanged".
struct HandleNameChangedParams {
    GameObject* team;
    GameString name;
};
static_assert(sizeof(HandleNameChangedParams) == 24);
static_assert(offsetof(HandleNameChangedParams, name) == 8);

// "Function TAGame.GFxData_Vote_TA.SetVoteActor".
struct SetVoteActorParams {
    GameObject* voteActor;
};
static_assert(sizeof(SetVoteActorParams) == 8);

// "Function TAGame.GFxData_NotificationManager_TA.HandleNotificationAdded".
struct HandleNotificationAddedParams {
    GameObject* notifications;
    GameObject* notification;
};
static_assert(sizeof(HandleNotificationAddedParams) == 16);
static_assert(offsetof(HandleNotificationAddedParams, notification) == 8);

// "Function ProjectX.RPCQueue_X.CreateBatchSingleRPC".
struct CreateBatchSingleRpcParams {
    GameObject* rpc;
    GameObject* result;
};
static_assert(sizeof(CreateBatchSingleRpcParams) == 16);
static_assert(offsetof(CreateBatchSingleRpcParams, result) == 8);

// ---- Called functions ---------------------------------------------------------------------------

// "Function Core.Object.Localize".
struct LocalizeParams {
    GameString section;
    GameString key;
    GameString package;
    std::uint32_t optional;  // bit 0
    std::uint32_t unused34;
    GameString result;
};
static_assert(sizeof(LocalizeParams) == 0x48);
static_assert(offsetof(LocalizeParams, key) == 0x10);
static_assert(offsetof(LocalizeParams, package) == 0x20);
static_assert(offsetof(LocalizeParams, optional) == 0x30);
static_assert(offsetof(LocalizeParams, result) == 0x38);

// "Function Core.Object.RepeatString".
struct RepeatStringParams {
    GameString text;
    std::int32_t count;
    std::uint32_t unused14;
    GameString result;
};
static_assert(sizeof(RepeatStringParams) == 0x28);
static_assert(offsetof(RepeatStringParams, count) == 0x10);
static_assert(offsetof(RepeatStringParams, result) == 0x18);

// "Function ProjectX.OnlinePlayer_X.SetPlayerName".
struct SetPlayerNameParams {
    GameString name;
};
static_assert(sizeof(SetPlayerNameParams) == 16);

}  // namespace emu

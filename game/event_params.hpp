// Parameter blocks of the hooked game functions, as far as the handlers read or write them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/layout.hpp"

namespace cloak::game {

// A name value as the game passes it: name index, then name number.
struct NameValue {
    std::int32_t index;
    std::int32_t number;
};
static_assert(sizeof(NameValue) == 8);
static_assert(offsetof(NameValue, index) == 0);
static_assert(offsetof(NameValue, number) == 4);

// "Function TAGame.PRI_TA.ReplicatedEvent": the replicated variable's name.
struct ReplicatedEventParams {
    NameValue variableName;
};
static_assert(sizeof(ReplicatedEventParams) == 8);
static_assert(offsetof(ReplicatedEventParams, variableName) == 0);

// "Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1": one statistic's value.
struct UpdatePriDataParams {
    NameValue statisticName;
    std::int32_t unknown08;
    std::int32_t value;
};
static_assert(sizeof(UpdatePriDataParams) == 16);
static_assert(offsetof(UpdatePriDataParams, statisticName) == 0);
static_assert(offsetof(UpdatePriDataParams, unknown08) == 8);
static_assert(offsetof(UpdatePriDataParams, value) == 12);

// "Function TAGame.GFxData_LocalPlayer_TA.CanShowRankInfoForPlaylistByID".
struct CanShowRankInfoParams {
    std::int32_t playlistId;
    std::uint32_t result;  // bit 0: the boolean result
};
static_assert(sizeof(CanShowRankInfoParams) == 8);
static_assert(offsetof(CanShowRankInfoParams, playlistId) == 0);
static_assert(offsetof(CanShowRankInfoParams, result) == 4);

// "Function TAGame.GFxData_TeamInfo_TA.HandleNameChanged".
struct HandleNameChangedParams {
    GameObject* team;
    GameString name;
};
static_assert(sizeof(HandleNameChangedParams) == 24);
static_assert(offsetof(HandleNameChangedParams, team) == 0);
static_assert(offsetof(HandleNameChangedParams, name) == 8);

// "Function TAGame.GFxData_Vote_TA.SetVoteActor".
struct SetVoteActorParams {
    GameObject* voteActor;
};
static_assert(sizeof(SetVoteActorParams) == 8);
static_assert(offsetof(SetVoteActorParams, voteActor) == 0);

// "Function TAGame.GFxData_NotificationManager_TA.HandleNotificationAdded".
struct HandleNotificationAddedParams {
    GameObject* notifications;
    GameObject* notification;
};
static_assert(sizeof(HandleNotificationAddedParams) == 16);
static_assert(offsetof(HandleNotificationAddedParams, notifications) == 0);
static_assert(offsetof(HandleNotificationAddedParams, notification) == 8);

}  // namespace cloak::game

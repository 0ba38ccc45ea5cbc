// Parameter blocks of the hooked game functions that the plugin does not read; the emulated game
// fills them when it runs those functions. The blocks the plugin reads or writes are declared in
// game/event_params.hpp. UpdateData, OnRecentsChanged, DownloadRecentPlayers,
// OnLoadoutsSetInternal and Destroyed take no arguments: the game passes ::game::NoParams.
#pragma once

#include <cstddef>

#include "game/layout.hpp"

namespace sim::game {

// "Function TAGame.GFxData_PRI_TA.HandleTitleChanged".
struct HandleTitleChangedParams {
    ::game::GameObject* pri;
};
static_assert(sizeof(HandleTitleChangedParams) == 8);
static_assert(offsetof(HandleTitleChangedParams, pri) == 0);

// "Function ProjectX.RPCQueue_X.CreateBatchSingleRPC".
struct CreateBatchSingleRpcParams {
    ::game::GameObject* rpc;
    ::game::GameObject* result;
};
static_assert(sizeof(CreateBatchSingleRpcParams) == 16);
static_assert(offsetof(CreateBatchSingleRpcParams, rpc) == 0);
static_assert(offsetof(CreateBatchSingleRpcParams, result) == 8);

}  // namespace sim::game

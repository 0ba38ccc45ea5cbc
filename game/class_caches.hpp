// The process-wide class caches. One per game class: property access and instance search of the
// same class share its cache.
#pragma once

#include "game/lookup.hpp"

namespace game {

// Kinds of fields the property search skips.
inline ClassCache FunctionClass{"Class Core.Function"};
inline ClassCache ConstClass{"Class Core.Const"};
inline ClassCache EnumClass{"Class Core.Enum"};
inline ClassCache ScriptStructClass{"Class Core.ScriptStruct"};

// The target of the static script calls Localize and RepeatString.
inline ClassCache CoreObjectClass{"Class Core.Object"};

inline ClassCache PlayerControllerClass{"Class Engine.PlayerController"};
inline ClassCache PlayerReplicationInfoClass{"Class Engine.PlayerReplicationInfo"};
inline ClassCache TeamInfoClass{"Class Engine.TeamInfo"};
inline ClassCache LocalPlayerClass{"Class ProjectX.LocalPlayer_X"};
inline ClassCache PriClass{"Class TAGame.PRI_TA"};
inline ClassCache GfxPriClass{"Class TAGame.GFxData_PRI_TA"};
inline ClassCache SeasonRewardClass{"Class TAGame.GFxData_SeasonReward_TA"};
inline ClassCache GfxTeamInfoClass{"Class TAGame.GFxData_TeamInfo_TA"};
inline ClassCache RecentPlayersClass{"Class TAGame.RecentPlayers_TA"};
inline ClassCache FriendsClass{"Class TAGame.GFxData_Friends_TA"};
inline ClassCache NotificationManagerClass{"Class TAGame.GFxData_NotificationManager_TA"};
inline ClassCache FriendRequestNotificationClass{"Class TAGame.FriendRequestNotification_TA"};

}  // namespace game

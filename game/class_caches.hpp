// The game's classes and properties the plugin uses, each declared once: one process-wide cache
// per class (property access and instance search of the same class share it), and beside the
// classes, each property with its declaring class, its name and the type of its field.
#pragma once

#include "game/layout.hpp"
#include "game/lookup.hpp"
#include "game/properties.hpp"

namespace cloak::game {

// ---- Kinds of fields ----------------------------------------------------------------------------

inline ClassCache FunctionClass{"Class Core.Function"};
inline ClassCache ConstClass{"Class Core.Const"};
inline ClassCache EnumClass{"Class Core.Enum"};
inline ClassCache ScriptStructClass{"Class Core.ScriptStruct"};

// ---- Classes ------------------------------------------------------------------------------------

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
inline ClassCache VoteClass{"Class TAGame.GFxData_Vote_TA"};
inline ClassCache RecentPlayersClass{"Class TAGame.RecentPlayers_TA"};
inline ClassCache FriendsClass{"Class TAGame.GFxData_Friends_TA"};
inline ClassCache NotificationManagerClass{"Class TAGame.GFxData_NotificationManager_TA"};
inline ClassCache FriendRequestNotificationClass{"Class TAGame.FriendRequestNotification_TA"};

// ---- Properties ---------------------------------------------------------------------------------

// The controller's local player object.
inline constexpr Property<GameObject*> PlayerControllerPlayer{PlayerControllerClass, "Player"};
// The local player's online player object.
inline constexpr Property<GameObject*> LocalPlayerOnlinePlayer{LocalPlayerClass, "OnlinePlayer"};
// A player's displayed name.
inline constexpr Property<GameString> PlayerReplicationInfoPlayerName{PlayerReplicationInfoClass,
                                                                      "PlayerName"};
// The index of a team.
inline constexpr Property<std::int32_t> TeamInfoTeamIndex{TeamInfoClass, "TeamIndex"};
// Two consecutive records, loadout 0 then loadout 1.
inline constexpr Property<ClientLoadoutData> PriClientLoadouts{PriClass, "ClientLoadouts"};
inline constexpr Property<ClientLoadoutOnlineData> PriClientLoadoutsOnline{PriClass,
                                                                           "ClientLoadoutsOnline"};
// The title a scoreboard row shows.
inline constexpr Property<GameString> GfxPriXPTitle{GfxPriClass, "XPTitle"};
// The rank level shown with the season reward.
inline constexpr Property<std::int32_t> SeasonRewardLevel{SeasonRewardClass, "Level"};
// The team object a team's data object shows.
inline constexpr Property<GameObject*> GfxTeamInfoTeam{GfxTeamInfoClass, "Team"};
// The name a team's data object shows: what its last name change handed back.
inline constexpr Property<GameString> GfxTeamInfoTeamName{GfxTeamInfoClass, "TeamName"};
// How many recent players the list keeps.
inline constexpr Property<std::int32_t> RecentPlayersMaxRecentPlayerCount{RecentPlayersClass,
                                                                          "MaxRecentPlayerCount"};
// The friends screen's recent-players list object.
inline constexpr Property<GameObject*> FriendsRecentPlayers{FriendsClass, "RecentPlayers"};
// Notifications waiting for the menus.
inline constexpr Property<GameArray<GameObject*>> NotificationManagerPendingNotifications{
    NotificationManagerClass, "PendingNotifications"};

}  // namespace cloak::game

// The game's classes as far as the plugin and the emulated game use them: packages Core, Engine,
// ProjectX and TAGame, with the inheritance of the game, the properties the plugin and the host
// read and write, the script structs of the car loadouts and every function the plugin hooks or
// calls, with its parameters. Properties that nobody reads are here too, so that offsets are
// not trivially small and the field chains look like the game's.
#include "sim/game/world.hpp"

namespace emu {

namespace {

using enum PropertyType;

constexpr std::string_view kLoadout = "ScriptStruct TAGame.PRI_TA.ClientLoadoutData";
constexpr std::string_view kLoadoutOnline = "ScriptStruct TAGame.PRI_TA.ClientLoadoutOnlineData";

void DefineCoreFunctions(World& world) {
    GameObject* object = world.Get("Class Core.Object");
    world.DefineConst(object, "MaxInt");
    world.DefineEnum(object, "EAxis");
    world.DefineFunction(object, "Localize",
                         {{"SectionName", Str},
                          {"KeyName", Str},
                          {"PackageName", Str},
                          {"bOptional", Bool},
                          {"ReturnValue", Str}});
    world.DefineFunction(object, "RepeatString",
                         {{"S", Str}, {"Count", Int}, {"ReturnValue", Str}});
}

void DefineEngine(World& world) {
    world.DefineClass("Engine.Actor", "Class Core.Object",
                      {{"Tag", Name}, {"Location", Float, {}, 3}, {"Owner", Object}});
    world.DefineClass("Engine.Info", "Class Engine.Actor");
    world.DefineClass("Engine.ReplicationInfo", "Class Engine.Info");
    world.DefineClass("Engine.TeamInfo", "Class Engine.ReplicationInfo",
                      {{"TeamName", Str}, {"Size", Int}, {"Score", Int}, {"TeamIndex", Int}});
    world.DefineClass("Engine.PlayerReplicationInfo", "Class Engine.ReplicationInfo",
                      {{"Score", Int},
                       {"Deaths", Int},
                       {"Ping", Byte},
                       {"PlayerName", Str},
                       {"OldName", Str},
                       {"PlayerID", Int},
                       {"Team", Object},
                       {"bIsSpectator", Bool}});
    world.DefineClass("Engine.Controller", "Class Engine.Actor",
                      {{"Pawn", Object}, {"PlayerReplicationInfo", Object}});
    world.DefineClass("Engine.PlayerController", "Class Engine.Controller",
                      {{"Player", Object}, {"MyHUD", Object}});
    world.DefineClass("Engine.Player", "Class Core.Object",
                      {{"Actor", Object}, {"CurrentNetSpeed", Int}});
    world.DefineClass("Engine.LocalPlayer", "Class Engine.Player",
                      {{"ControllerId", Int}, {"ViewportClient", Object}});
}

void DefineProjectX(World& world) {
    world.DefineClass("ProjectX.LocalPlayer_X", "Class Engine.LocalPlayer",
                      {{"OnlinePlayer", Object}, {"bLoggedIn", Bool}});
    GameObject* online = world.DefineClass("ProjectX.OnlinePlayer_X", "Class Core.Object",
                                           {{"PlayerName", Str}, {"LocalPlayer", Object}});
    world.DefineFunction(online, "SetPlayerName", {{"InPlayerName", Str}});
    world.DefineClass("ProjectX.PlayerController_X", "Class Engine.PlayerController");
    world.DefineClass("ProjectX.PRI_X", "Class Engine.PlayerReplicationInfo",
                      {{"UniqueId", QWord}, {"PartyLeader", QWord}});
    GameObject* rpcQueue = world.DefineClass("ProjectX.RPCQueue_X", "Class Core.Object",
                                             {{"Queue", Array}, {"bBatching", Bool}});
    world.DefineFunction(rpcQueue, "CreateBatchSingleRPC",
                         {{"RPC", Object}, {"ReturnValue", Object}});
    world.DefineClass("ProjectX.GFxDataRow_X", "Class Core.Object",
                      {{"Table", Name}, {"RowIndex", Int}});
    world.DefineClass("ProjectX.GFxDataSingleton_X", "Class ProjectX.GFxDataRow_X");
}

void DefinePlayerRecord(World& world) {
    GameObject* pri = world.BeginClass("TAGame.PRI_TA", "Class ProjectX.PRI_X");
    world.DefineEnum(pri, "EPlayerRole");
    world.DefineConst(pri, "MAX_LOADOUTS");
    world.DefineScriptStruct(pri, "ClientLoadoutData", {{"Products", Array}});
    world.DefineScriptStruct(pri, "OnlineProductData",
                             {{"InstanceID", QWord}, {"AttributeID", Int}, {"SeriesID", Int}});
    world.DefineScriptStruct(pri, "ClientLoadoutOnlineData", {{"Products", Array}});
    for (const PropertyDecl& property : std::initializer_list<PropertyDecl>{
             {"MatchScore", Int},
             {"MatchGoals", Int},
             {"MatchAssists", Int},
             {"MatchSaves", Int},
             {"MatchShots", Int},
             {"MatchDemolishes", Int},
             {"Title", Int},
             {"ClubID", QWord},
             {"ClientLoadouts", Struct, kLoadout, 2},
             {"ClientLoadoutsOnline", Struct, kLoadoutOnline, 2},
             {"bOnlineLoadoutSet", Bool},
         }) {
        world.AddProperty(pri, property);
    }
    world.FinishClass(pri);
    world.DefineFunction(pri, "ReplicatedEvent", {{"VarName", Name}});
    world.DefineFunction(pri, "OnLoadoutsSetInternal");
}

void DefineMenuData(World& world) {
    GameObject* localPlayer =
        world.DefineClass("TAGame.GFxData_LocalPlayer_TA", "Class ProjectX.GFxDataSingleton_X",
                          {{"PlayerName", Str}, {"bShowRank", Bool}});
    world.DefineFunction(localPlayer, "CanShowRankInfoForPlaylistByID",
                         {{"PlaylistID", Int}, {"ReturnValue", Bool}});

    GameObject* seasonReward =
        world.DefineClass("TAGame.GFxData_SeasonReward_TA", "Class ProjectX.GFxDataSingleton_X",
                          {{"Wins", Int}, {"Level", Int}, {"NextLevelWins", Int}});
    world.DefineFunction(seasonReward, "UpdateData");

    GameObject* teamInfo =
        world.DefineClass("TAGame.GFxData_TeamInfo_TA", "Class ProjectX.GFxDataRow_X",
                          {{"Team", Object}, {"TeamName", Str}, {"Score", Int}});
    world.DefineFunction(teamInfo, "HandleNameChanged", {{"InTeam", Object}, {"NewName", Str}});

    GameObject* vote = world.DefineClass("TAGame.GFxData_Vote_TA", "Class ProjectX.GFxDataRow_X",
                                         {{"VoteActor", Object}, {"bCanVote", Bool}});
    world.DefineFunction(vote, "SetVoteActor", {{"InVoteActor", Object}});

    GameObject* priData = world.DefineClass("TAGame.GFxData_PRI_TA", "Class ProjectX.GFxDataRow_X",
                                            {{"PRI", Object},
                                             {"PlayerName", Str},
                                             {"XPTitle", Str},
                                             {"Score", Int},
                                             {"Goals", Int},
                                             {"Assists", Int},
                                             {"Saves", Int},
                                             {"Shots", Int},
                                             {"Demolishes", Int}});
    world.DefineFunction(priData, "HandleTitleChanged", {{"InPRI", Object}});
    world.DefineFunction(priData, "__GFxData_PRI_TA__UpdatePRIData_0x1",
                         {{"StatName", Name}, {"OldValue", Int}, {"NewValue", Int}});
}

void DefineFriends(World& world) {
    GameObject* recents =
        world.DefineClass("TAGame.RecentPlayers_TA", "Class Core.Object",
                          {{"Players", Array}, {"MaxRecentPlayerCount", Int}, {"bDirty", Bool}});
    world.DefineFunction(recents, "OnRecentsChanged");

    GameObject* friends =
        world.DefineClass("TAGame.GFxData_Friends_TA", "Class ProjectX.GFxDataSingleton_X",
                          {{"Friends", Array}, {"RecentPlayers", Object}, {"bDownloading", Bool}});
    world.DefineFunction(friends, "DownloadRecentPlayers");

    world.DefineClass("TAGame.Notification_TA", "Class Core.Object",
                      {{"Title", Str}, {"Body", Str}, {"Sender", QWord}});
    world.DefineClass("TAGame.FriendRequestNotification_TA", "Class TAGame.Notification_TA",
                      {{"RequesterName", Str}});
    world.DefineClass("TAGame.PartyInviteNotification_TA", "Class TAGame.Notification_TA",
                      {{"PartyID", QWord}});

    GameObject* manager = world.DefineClass("TAGame.GFxData_NotificationManager_TA",
                                            "Class ProjectX.GFxDataSingleton_X",
                                            {{"Notifications", Array},
                                             {"PendingNotifications", Array},
                                             {"DisplayedNotificationCount", Int}});
    world.DefineFunction(manager, "HandleNotificationAdded",
                         {{"Notifications", Object}, {"Notification", Object}});
    world.DefineFunction(manager, "RefreshNotifications");
    world.DefineFunction(manager, "ProcessPendingNotifications");
}

void DefineMatch(World& world) {
    world.DefineClass("TAGame.Team_TA", "Class Engine.TeamInfo",
                      {{"CustomTeamName", Str}, {"ClubID", QWord}});
    world.DefineClass("TAGame.PlayerController_TA", "Class ProjectX.PlayerController_X",
                      {{"Car", Object}});
    world.DefineClass("TAGame.GameEvent_TA", "Class Engine.Actor",
                      {{"PRIs", Array}, {"Players", Array}, {"bIsBotMatch", Bool}});
    world.DefineClass("TAGame.GameEvent_Team_TA", "Class TAGame.GameEvent_TA", {{"Teams", Array}});
    GameObject* soccar =
        world.DefineClass("TAGame.GameEvent_Soccar_TA", "Class TAGame.GameEvent_Team_TA",
                          {{"GameTime", Int}, {"bOverTime", Bool}});
    world.DefineFunction(soccar, "Destroyed");
    world.DefineClass("TAGame.GameEvent_Tutorial_TA", "Class TAGame.GameEvent_Soccar_TA");
    world.DefineClass("TAGame.GameEvent_Tutorial_FreePlay_TA",
                      "Class TAGame.GameEvent_Tutorial_TA");
}

}  // namespace

void DefineGameSchema(World& world) {
    DefineCoreFunctions(world);
    DefineEngine(world);
    DefineProjectX(world);
    DefinePlayerRecord(world);
    DefineMenuData(world);
    DefineFriends(world);
    DefineMatch(world);
}

}  // namespace emu

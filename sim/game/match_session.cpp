// The emulated game around its matches.
//
// Index
//   Item catalogue   - BuiltInCatalogue
//   Construction     - local player, menus' data objects, catalogue, current session
//   Bodies           - what the game does inside the thirteen hooked functions
//   Players, Match, Menus - the game's calls of those functions
#include "sim/game/match_session.hpp"

#include <algorithm>
#include <cstddef>

#include "sim/game/function_params.hpp"

namespace emu {

namespace {

constexpr std::string_view kReplicatedEvent = "Function TAGame.PRI_TA.ReplicatedEvent";
constexpr std::string_view kLoadoutsSet = "Function TAGame.PRI_TA.OnLoadoutsSetInternal";
constexpr std::string_view kTitleChanged = "Function TAGame.GFxData_PRI_TA.HandleTitleChanged";
constexpr std::string_view kUpdatePriData =
    "Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1";
constexpr std::string_view kCanShowRank =
    "Function TAGame.GFxData_LocalPlayer_TA.CanShowRankInfoForPlaylistByID";
constexpr std::string_view kSeasonRewardUpdate =
    "Function TAGame.GFxData_SeasonReward_TA.UpdateData";
constexpr std::string_view kTeamNameChanged =
    "Function TAGame.GFxData_TeamInfo_TA.HandleNameChanged";
constexpr std::string_view kSetVoteActor = "Function TAGame.GFxData_Vote_TA.SetVoteActor";
constexpr std::string_view kRecentsChanged = "Function TAGame.RecentPlayers_TA.OnRecentsChanged";
constexpr std::string_view kDownloadRecents =
    "Function TAGame.GFxData_Friends_TA.DownloadRecentPlayers";
constexpr std::string_view kNotificationAdded =
    "Function TAGame.GFxData_NotificationManager_TA.HandleNotificationAdded";
constexpr std::string_view kProcessPending =
    "Function TAGame.GFxData_NotificationManager_TA.ProcessPendingNotifications";
constexpr std::string_view kRpcBatch = "Function ProjectX.RPCQueue_X.CreateBatchSingleRPC";
constexpr std::string_view kGameEventDestroyed = "Function TAGame.GameEvent_Soccar_TA.Destroyed";

// The recent-players list's limit before anything changes it.
constexpr std::int32_t kDefaultRecentsLimit = 50;

// The sessions alive, the newest last: the current one is the newest, and when it goes, the one
// before it is current again.
std::vector<Session*>& LiveSessions() {
    static std::vector<Session*> sessions;
    return sessions;
}

// The value the player's scoreboard row shows for a statistic; null before it is first reported.
const std::int32_t* ShownStat(const MatchPlayer& player, const std::string& stat) {
    const auto position = player.statPositions.find(stat);
    return position == player.statPositions.end() ? nullptr
                                                  : &player.stats[position->second].second;
}

}  // namespace

// ---- Item catalogue -----------------------------------------------------------------------------

const std::vector<CatalogueSlot>& BuiltInCatalogue() {
    static const std::vector<CatalogueSlot> catalogue{
        {true, 0, u"Body", 23},          {false, 0, u"", 0},
        {true, 1, u"Decal", 0},          {true, 2, u"Wheels", 376},
        {true, 3, u"Rocket Boost", 32},  {true, 4, u"Antenna", 4284},
        {true, 5, u"Topper", 4285},      {true, 2, u"Wheels (event)", 9999},
        {true, 7, u"Paint Finish", 270},
    };
    return catalogue;
}

// ---- Construction -------------------------------------------------------------------------------

Session::Session(World& world, std::u16string_view localName,
                 const std::vector<CatalogueSlot>& catalogue, GameStart start)
    : world_(world), localName_(localName) {
    DefineExtraClasses();
    if (start == GameStart::MainMenu) SpawnLocalPlayer();

    localPlayerData_ = world.Spawn("Class TAGame.GFxData_LocalPlayer_TA");
    seasonReward_ = world.Spawn("Class TAGame.GFxData_SeasonReward_TA");
    vote_ = world.Spawn("Class TAGame.GFxData_Vote_TA");
    friends_ = world.Spawn("Class TAGame.GFxData_Friends_TA");
    recents_ = world.Spawn("Class TAGame.RecentPlayers_TA");
    world.Field<GameObject*>(friends_, "RecentPlayers") = recents_;
    world.Field<std::int32_t>(recents_, "MaxRecentPlayerCount") = kDefaultRecentsLimit;
    notifications_ = world.Spawn("Class TAGame.GFxData_NotificationManager_TA");
    rpcQueue_ = world.Spawn("Class ProjectX.RPCQueue_X");

    // Until a match names its teams, the rows show the game's own labels.
    constexpr std::array<std::u16string_view, 2> keys{u"Home", u"Away"};
    for (std::size_t team = 0; team < teamRows_.size(); ++team) {
        teamRows_[team] = world.Spawn("Class TAGame.GFxData_TeamInfo_TA");
        world.SetString(teamRows_[team], "TeamName",
                        world.LocalizedText(u"UIText", u"Global", keys[team]));
    }

    // The host asks whether the player is in free play on every replicated variable.
    freePlayClass_ = world.Get("Class TAGame.GameEvent_Tutorial_FreePlay_TA");
    BuildCatalogue(catalogue);
    SetBodies();
    LiveSessions().push_back(this);
}

Session::~Session() {
    std::erase(LiveSessions(), this);
}

void Session::SpawnLocalPlayer() {
    controller_ = world_.Spawn("Class TAGame.PlayerController_TA");
    GameObject* localPlayer = world_.Spawn("Class ProjectX.LocalPlayer_X");
    onlinePlayer_ = world_.Spawn("Class ProjectX.OnlinePlayer_X");
    world_.Field<GameObject*>(controller_, "Player") = localPlayer;
    world_.Field<GameObject*>(localPlayer, "Actor") = controller_;
    world_.Field<GameObject*>(localPlayer, "OnlinePlayer") = onlinePlayer_;
    world_.Field<GameObject*>(onlinePlayer_, "LocalPlayer") = localPlayer;
    world_.SetString(onlinePlayer_, "PlayerName", localName_);
}

void Session::ReachMainMenu() {
    if (controller_ == nullptr) SpawnLocalPlayer();
}

Session* Session::CurrentOrNull() {
    return LiveSessions().empty() ? nullptr : LiveSessions().back();
}

// Classes the item catalogue and the vote need; a second session in one world reuses them.
void Session::DefineExtraClasses() {
    if (world_.Find("Class TAGame.ProductDatabase_TA") != nullptr) return;
    using enum PropertyType;
    world_.DefineClass("TAGame.Product_TA", "Class Core.Object", {{"ID", Int}, {"Label", Str}});
    world_.DefineClass("TAGame.ProductSlot_TA", "Class Core.Object",
                       {{"SlotIndex", Int}, {"Label", Str}, {"DefaultProduct", Object}});
    world_.DefineClass("TAGame.ProductDatabase_TA", "Class Core.Object", {{"Slots", Array}});
    world_.DefineClass("TAGame.VoteActor_TA", "Class Engine.ReplicationInfo",
                       {{"VoteType", Int}, {"TimeRemaining", Int}});
}

void Session::BuildCatalogue(const std::vector<CatalogueSlot>& slots) {
    catalogue_ = world_.Spawn("Class TAGame.ProductDatabase_TA");
    auto& list = world_.Field<GameArray<GameObject*>>(catalogue_, "Slots");
    list = world_.MakeArray<GameObject*>(slots.size());
    for (std::size_t position = 0; position < slots.size(); ++position) {
        const CatalogueSlot& described = slots[position];
        if (!described.present) continue;
        GameObject* slot = world_.Spawn("Class TAGame.ProductSlot_TA");
        world_.Field<std::int32_t>(slot, "SlotIndex") = described.slotIndex;
        world_.SetString(slot, "Label", described.label);
        if (described.defaultProduct != 0) {
            GameObject* product = world_.Spawn("Class TAGame.Product_TA");
            world_.Field<std::int32_t>(product, "ID") = described.defaultProduct;
            world_.Field<GameObject*>(slot, "DefaultProduct") = product;
        }
        list.data[position] = slot;
    }
}

// ---- Bodies -------------------------------------------------------------------------------------

void Session::SetBodies() {
    World& world = world_;
    // A replicated name reaches the player's scoreboard row.
    world.SetNative(kReplicatedEvent, [this, &world](GameObject* pri, void* params) {
        const auto& block = *static_cast<const ReplicatedEventParams*>(params);
        MatchPlayer* player = PlayerOf(pri);
        if (player == nullptr || world.NameText(block.variableName.index) != "PlayerName") return;
        world.SetString(player->scoreboard, "PlayerName", world.GetString(pri, "PlayerName"));
    });
    // The scoreboard row shows the text of the title its player's record names.
    world.SetNative(kTitleChanged, [this, &world](GameObject* row, void* params) {
        const auto& block = *static_cast<const HandleTitleChangedParams*>(params);
        const std::int32_t title = world.Field<std::int32_t>(block.pri, "Title");
        const bool known = title > 0 && static_cast<std::size_t>(title) <= titles_.size();
        world.SetString(row, "XPTitle", known ? titles_[static_cast<std::size_t>(title) - 1] : u"");
    });
    // The row hands back the value it showed before.
    world.SetNative(kUpdatePriData, [this, &world](GameObject* row, void* params) {
        auto& block = *static_cast<UpdatePriDataParams*>(params);
        block.oldValue = 0;
        const std::string stat = world.NameText(block.statisticName.index);
        for (const MatchPlayer& player : players_) {
            if (player.scoreboard != row) continue;
            if (const std::int32_t* shown = ShownStat(player, stat)) block.oldValue = *shown;
        }
    });
    world.SetNative(kCanShowRank, [](GameObject*, void* params) {
        static_cast<CanShowRankInfoParams*>(params)->result |= 1u;
    });
    world.SetNative(kSeasonRewardUpdate, [this, &world](GameObject* row, void*) {
        world.Field<std::int32_t>(row, "Level") = seasonLevel_;
    });
    world.SetNative(kTeamNameChanged, [&world](GameObject* row, void* params) {
        const auto& block = *static_cast<const HandleNameChangedParams*>(params);
        world.Field<GameObject*>(row, "Team") = block.team;
        world.Field<GameString>(row, "TeamName") = block.name;
    });
    world.SetNative(kSetVoteActor, [&world](GameObject* vote, void* params) {
        world.Field<GameObject*>(vote, "VoteActor") =
            static_cast<const SetVoteActorParams*>(params)->voteActor;
    });
    // A download sets the list's limit from what the server sent.
    world.SetNative(kDownloadRecents, [this, &world](GameObject* friends, void*) {
        GameObject* recents = world.Field<GameObject*>(friends, "RecentPlayers");
        world.Field<std::int32_t>(recents, "MaxRecentPlayerCount") = downloadedRecentsLimit_;
    });
    // A notification waits in the pending list until the menus show it; null is ignored.
    world.SetNative(kNotificationAdded, [&world](GameObject* manager, void* params) {
        GameObject* notification =
            static_cast<const HandleNotificationAddedParams*>(params)->notification;
        if (notification == nullptr) return;
        world.Append(world.Field<GameArray<GameObject*>>(manager, "PendingNotifications"),
                     notification);
    });
    world.SetNative(kRpcBatch, [](GameObject*, void* params) {
        auto& block = *static_cast<CreateBatchSingleRpcParams*>(params);
        block.result = block.rpc;
    });
    // The game event goes, and its players and teams with it: destroyed, they stay in the object
    // table, marked, until the garbage collector frees them.
    world.SetNative(kGameEventDestroyed, [this](GameObject* gameEvent, void*) {
        const auto destroy = [](GameObject* object) {
            if (object != nullptr) Layout(object).flags |= kPendingKillFlag;
        };
        for (const MatchPlayer& player : players_) {
            destroy(player.pri);
            destroy(player.scoreboard);
        }
        for (GameObject* team : teams_) destroy(team);
        destroy(gameEvent);
        players_.clear();
        gameEvent_ = nullptr;
    });
}

MatchPlayer* Session::PlayerOf(const GameObject* pri) {
    for (MatchPlayer& player : players_) {
        if (player.pri == pri) return &player;
    }
    return nullptr;
}

// ---- Players ------------------------------------------------------------------------------------

MatchPlayer& Session::Join(bool local, std::u16string_view name, std::int32_t team,
                           std::uint64_t clubId) {
    StartMatchIfNeeded();
    MatchPlayer& player = players_.emplace_back();
    player.local = local;
    player.pri = world_.Spawn("Class TAGame.PRI_TA");
    player.scoreboard = world_.Spawn("Class TAGame.GFxData_PRI_TA");
    world_.Field<GameObject*>(player.scoreboard, "PRI") = player.pri;
    world_.Field<GameObject*>(player.pri, "Team") = teams_[static_cast<std::size_t>(team)];
    world_.Field<GameString>(player.pri, "PlayerName") =
        local ? world_.MakeString(world_.GetString(onlinePlayer_, "PlayerName"))
              : world_.MakeString(name);
    world_.Field<std::uint64_t>(player.pri, "ClubID") = clubId;
    if (local) world_.Field<GameObject*>(controller_, "PlayerReplicationInfo") = player.pri;

    Replicate(player, "Team");
    Replicate(player, "PlayerName");
    Replicate(player, "ClubID");
    return player;
}

void Session::Rename(MatchPlayer& player, std::u16string_view name) {
    world_.SetString(player.pri, "PlayerName", name);
    Replicate(player, "PlayerName");
}

void Session::SetClub(MatchPlayer& player, std::uint64_t clubId) {
    world_.Field<std::uint64_t>(player.pri, "ClubID") = clubId;
    Replicate(player, "ClubID");
}

void Session::Replicate(MatchPlayer& player, std::string_view variable) {
    ReplicatedEventParams block{{world_.Name(variable), 0}};
    world_.Call(player.pri, kReplicatedEvent, &block);
}

void Session::SetTitle(MatchPlayer& player, std::u16string_view title) {
    auto known = std::find(titles_.begin(), titles_.end(), title);
    if (known == titles_.end()) known = titles_.insert(titles_.end(), std::u16string(title));
    world_.Field<std::int32_t>(player.pri, "Title") =
        static_cast<std::int32_t>(known - titles_.begin()) + 1;
    HandleTitleChangedParams block{player.pri};
    world_.Call(player.scoreboard, kTitleChanged, &block);
}

void Session::ReportStat(MatchPlayer& player, std::string_view stat, std::int32_t value) {
    UpdatePriDataParams block{{world_.Name(stat), 0}, 0, value};
    world_.Call(player.scoreboard, kUpdatePriData, &block);
    // The scoreboard shows the value the function hands back.
    const auto [position, added] =
        player.statPositions.try_emplace(std::string(stat), player.stats.size());
    if (added) player.stats.emplace_back(stat, 0);
    player.stats[position->second].second = block.newValue;
}

void Session::SetLoadouts(MatchPlayer& player,
                          const std::array<std::vector<std::int32_t>, 2>& products,
                          const std::array<std::vector<std::int32_t>, 2>& onlineData) {
    auto* loadouts = &world_.Field<ClientLoadoutData>(player.pri, "ClientLoadouts");
    auto* online = &world_.Field<ClientLoadoutOnlineData>(player.pri, "ClientLoadoutsOnline");
    for (std::size_t loadout = 0; loadout < 2; ++loadout) {
        const std::vector<std::int32_t>& ids = products[loadout];
        loadouts[loadout].products = world_.MakeArray<std::int32_t>(ids.size());
        std::copy(ids.begin(), ids.end(), loadouts[loadout].products.data);

        const std::vector<std::int32_t>& fields = onlineData[loadout];
        online[loadout].products = world_.MakeArray<ProductOnlineData>(fields.size());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            online[loadout].products.data[i] = {0x5000 + i, fields[i], 0};
        }
    }
    NoParams block{0};
    world_.Call(player.pri, kLoadoutsSet, &block);
}

// ---- Match --------------------------------------------------------------------------------------

void Session::StartMatchIfNeeded() {
    if (gameEvent_ != nullptr) return;
    gameEvent_ = world_.Spawn("Class TAGame.GameEvent_Soccar_TA");
    for (std::size_t team = 0; team < teams_.size(); ++team) {
        teams_[team] = world_.Spawn("Class TAGame.Team_TA");
        world_.Field<std::int32_t>(teams_[team], "TeamIndex") = static_cast<std::int32_t>(team);
    }
}

void Session::SetTeamName(std::int32_t team, std::u16string_view name) {
    StartMatchIfNeeded();
    const auto index = static_cast<std::size_t>(team);
    world_.SetString(teams_[index], "TeamName", name);
    HandleNameChangedParams block{teams_[index], world_.MakeString(name)};
    world_.Call(teamRows_[index], kTeamNameChanged, &block);
    // The row shows the name the function hands back.
    world_.Field<GameString>(teamRows_[index], "TeamName") = block.name;
}

void Session::OfferVote() {
    SetVoteActorParams block{world_.Spawn("Class TAGame.VoteActor_TA")};
    world_.Call(vote_, kSetVoteActor, &block);
}

void Session::EndMatch() {
    if (gameEvent_ == nullptr) return;
    NoParams block{0};
    world_.Call(gameEvent_, kGameEventDestroyed, &block);
}

void Session::EnterFreePlay() {
    EndMatch();
    gameEvent_ = world_.Spawn("Class TAGame.GameEvent_Tutorial_FreePlay_TA");
}

bool Session::InFreePlay() const {
    return gameEvent_ != nullptr && Layout(gameEvent_).classObject == freePlayClass_;
}

// ---- Menus --------------------------------------------------------------------------------------

void Session::AskMenuRank(std::int32_t playlist) {
    CanShowRankInfoParams block{playlist, 0};
    world_.Call(localPlayerData_, kCanShowRank, &block);
    menuRankShown_ = (block.result & 1u) != 0;
}

void Session::UpdateSeasonReward(std::int32_t level) {
    seasonLevel_ = level;
    NoParams block{0};
    world_.Call(seasonReward_, kSeasonRewardUpdate, &block);
}

void Session::ChangeRecents(std::int32_t max) {
    world_.Field<std::int32_t>(recents_, "MaxRecentPlayerCount") = max;
    NoParams block{0};
    world_.Call(recents_, kRecentsChanged, &block);
}

void Session::DownloadRecents(std::int32_t max) {
    downloadedRecentsLimit_ = max;
    NoParams block{0};
    world_.Call(friends_, kDownloadRecents, &block);
}

void Session::AddNotification(bool friendRequest, std::u16string_view from) {
    GameObject* notification =
        world_.Spawn(friendRequest ? "Class TAGame.FriendRequestNotification_TA"
                                   : "Class TAGame.PartyInviteNotification_TA");
    world_.SetString(notification, "Title", from);
    if (friendRequest) world_.SetString(notification, "RequesterName", from);
    HandleNotificationAddedParams block{notifications_, notification};
    world_.Call(notifications_, kNotificationAdded, &block);
}

void Session::ProcessNotifications() {
    NoParams block{0};
    world_.Call(notifications_, kProcessPending, &block);
}

void Session::SendRpcBatch() {
    CreateBatchSingleRpcParams block{nullptr, nullptr};
    world_.Call(rpcQueue_, kRpcBatch, &block);
}

}  // namespace emu

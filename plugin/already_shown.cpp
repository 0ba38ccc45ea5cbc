// What is already on the game's screens when concealment starts or widens (a load, a resume, a
// switch turned on): concealed as if it had just arrived.
//
// Where the game holds the value, the sweep runs the game's own function that a hook rewrites, on
// each live object, through the object's ProcessEvent: the host's hooks run around it as for a
// live change, the handlers do the concealing, and the game refreshes its screens as it always
// does. What the game no longer holds (a score handed to the scoreboard, a rank answer given to
// the menus) cannot be taken back; it is named in LeftShowing until it changes again.
//
// Index
//   Game functions and names
//   Players - names, clubs, titles, loadouts
//   Teams, season reward, vote, recent players
//   ConcealWhatIsShown, ForgetWhatTheMatchShowed, LeftShowing
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "conceal/wrapped_object.hpp"
#include "game/class_caches.hpp"
#include "game/event_params.hpp"
#include "game/game_string.hpp"
#include "game/hash_tables.hpp"
#include "game/script_calls.hpp"
#include "plugin/cloak_my_identity.hpp"
#include "plugin/entry_guard.hpp"

namespace cloak {

namespace {

// ---- Game functions and names -------------------------------------------------------------------

// The hooked functions the sweep runs again (the hook table's rows of the same names).
game::FunctionCache ReplicatedEventFunction{"Function TAGame.PRI_TA.ReplicatedEvent"};
game::FunctionCache LoadoutsSetFunction{"Function TAGame.PRI_TA.OnLoadoutsSetInternal"};
game::FunctionCache TeamNameChangedFunction{
    "Function TAGame.GFxData_TeamInfo_TA.HandleNameChanged"};
game::FunctionCache SeasonRewardUpdateFunction{
    "Function TAGame.GFxData_SeasonReward_TA.UpdateData"};
game::FunctionCache SetVoteActorFunction{"Function TAGame.GFxData_Vote_TA.SetVoteActor"};
game::FunctionCache RecentsChangedFunction{"Function TAGame.RecentPlayers_TA.OnRecentsChanged"};

constexpr std::u16string_view kLocalName = u"Player 0";

// What LeftShowing says, in the streamer's words.
constexpr std::string_view kPlayersLeft = "players already in this match";
constexpr std::string_view kTeamsLeft = "team names already shown";
constexpr std::string_view kScoresLeft = "scores already on the scoreboard, until they change";
constexpr std::string_view kRankLeft = "your rank in the menus, until they show it again";

// The game's name of a replicated variable, as ReplicatedEvent receives it; null when the game
// has no such name.
const game::NameEntry* VariableName(const char16_t* variable) {
    return game::FindNameEntry(variable);
}

bool Replicate(game::GameObject* record, const game::NameEntry* variable) {
    if (variable == nullptr) return false;
    game::ReplicatedEventParams params{{variable->index, 0}};
    return game::CallFunction(record, ReplicatedEventFunction, params);
}

std::u16string_view NameOf(const game::GameObject* record) {
    const game::GameString* name = game::PlayerReplicationInfoPlayerName.In(record);
    if (name == nullptr || name->data == nullptr || name->count <= 0) return {};
    const std::u16string_view units(
        name->data, static_cast<std::size_t>(std::min(name->count, name->capacity)));
    return units.substr(0, units.find(u'\0'));
}

// "Player N" as the names handler gives it: such a record is concealed already, and numbering it
// again would only move its number.
bool IsNumberedName(std::u16string_view name) {
    constexpr std::u16string_view kPrefix = u"Player ";
    if (!name.starts_with(kPrefix) || name.size() == kPrefix.size()) return false;
    for (const char16_t unit : name.substr(kPrefix.size())) {
        if (unit < u'0' || unit > u'9') return false;
    }
    return name != kLocalName;
}

// Gives the local player's own record the name its online player has had since the load. The
// names handler leaves that record alone (its later names come from the online player).
bool NameLocalRecord(game::GameObject* record) {
    if (NameOf(record) == kLocalName) return true;
    game::GameString* field = game::PlayerReplicationInfoPlayerName.In(record);
    if (field == nullptr) return false;
    game::GameString name = game::MakeGameString(kLocalName);
    if (name.data == nullptr) return false;
    game::AssignGameString(*field, name);
    game::ReleaseGameString(name);
    return true;
}

}  // namespace

// ---- Players ------------------------------------------------------------------------------------

// Every live player record: the local player's named "Player 0", the others' names and clubs
// replicated again through the hooked ReplicatedEvent, so that the game copies the concealed
// values to its scoreboard and name plates; then titles and loadouts. False when a record still
// shows its player's own name.
bool CloakMyIdentity::SweepPlayers() {
    const std::vector<game::GameObject*> records = game::LiveInstancesOf(game::PriClass);
    if (records.empty()) return true;
    const game::NameEntry* playerName = VariableName(u"PlayerName");
    const game::NameEntry* clubId = VariableName(u"ClubID");
    std::uintptr_t localRecord = 0;
    {
        PlayerControllerWrapper controller = gameWrapper->GetPlayerController();
        if (controller) localRecord = controller.GetPRI().memory_address;
    }
    // Free play has no other players, and its handler renames nobody.
    const bool renameOthers = Conceals(settings.bShowNames) && !gameWrapper->IsInFreeplay();
    bool allConcealed = true;
    for (game::GameObject* record : records) {
        if (!game::IsLiveObject(record)) continue;
        const bool local = reinterpret_cast<std::uintptr_t>(record) == localRecord;
        if (local) {
            allConcealed = NameLocalRecord(record) && Replicate(record, playerName) && allConcealed;
        } else if (renameOthers && !IsNumberedName(NameOf(record))) {
            Replicate(record, playerName);
            allConcealed = IsNumberedName(NameOf(record)) && allConcealed;
        } else if (Conceals(settings.bShowClubs)) {
            Replicate(record, clubId);
        }
        if (Conceals(settings.bDefaultLoadouts)) {
            game::NoParams params{};
            game::CallFunction(record, LoadoutsSetFunction, params);
        }
    }
    // A scoreboard row keeps the title text it was handed; the titles handler blanks it there.
    if (Conceals(settings.bHideScoreboardInfo) && settings.bShowTitles.get()) {
        for (game::GameObject* row : game::LiveInstancesOf(game::GfxPriClass)) {
            ConcealTitle(ActorWrapper(reinterpret_cast<std::uintptr_t>(row)), nullptr, {});
        }
    }
    return allConcealed;
}

// ---- Teams, season reward, vote, recent players -------------------------------------------------

// A team's data object shows the name it was handed back by its name change: the sweep hands the
// shown name in again, the team-name handler replaces it, and the row shows what comes back, as
// the game's own caller does. False when a shown name came back unchanged.
bool CloakMyIdentity::SweepTeamNames() {
    if (!Conceals(settings.bHideTeamNames)) return true;
    bool allConcealed = true;
    for (game::GameObject* row : game::LiveInstancesOf(game::GfxTeamInfoClass)) {
        game::GameObject* const* team = game::GfxTeamInfoTeam.In(row);
        game::GameString* shown = game::GfxTeamInfoTeamName.In(row);
        // A row without a live team of the current match shows the game's own label.
        if (team == nullptr || shown == nullptr || !game::IsLiveObject(*team)) continue;
        game::HandleNameChangedParams params{*team, *shown};
        const char16_t* before = shown->data;
        if (!game::CallFunction(row, TeamNameChangedFunction, params)) return false;
        *shown = params.name;
        allConcealed = (shown->data != before || before == nullptr) && allConcealed;
    }
    return allConcealed;
}

// The season reward's level, the vote prompt and the recent-players limit: the game runs the
// function again and the handler rewrites its answer.
void CloakMyIdentity::SweepMenus() {
    if (Conceals(settings.bShowMenuSeasonRank)) {
        for (game::GameObject* reward : game::LiveInstancesOf(game::SeasonRewardClass)) {
            game::NoParams params{};
            game::CallFunction(reward, SeasonRewardUpdateFunction, params);
        }
    }
    if (Conceals(settings.bShowVoteToForfeit)) {
        // The vote handler hands the game no vote actor, whatever was offered.
        for (game::GameObject* vote : game::LiveInstancesOf(game::VoteClass)) {
            game::SetVoteActorParams params{nullptr};
            game::CallFunction(vote, SetVoteActorFunction, params);
        }
    }
    if (Conceals(settings.bHideRecents)) {
        for (game::GameObject* recents : game::LiveInstancesOf(game::RecentPlayersClass)) {
            game::NoParams params{};
            game::CallFunction(recents, RecentsChangedFunction, params);
        }
    }
    // Friend requests the game holds back for the menus are dropped.
    if (Conceals(settings.bHideFriendRequests)) {
        game::GameObject* manager = game::FindInstanceOf(game::NotificationManagerClass);
        const auto* pending = game::NotificationManagerPendingNotifications.In(manager);
        if (pending != nullptr && pending->count > 0) PurgePendingNotifications(gameWrapper.get());
    }
}

// ---- ConcealWhatIsShown, ForgetWhatTheMatchShowed, LeftShowing ---------------------------------

void CloakMyIdentity::ConcealWhatIsShown() {
    // Only the game thread may touch the game; the settings page draws on another.
    if (std::this_thread::get_id() != gameThread_.load()) {
        gameWrapper->Execute(
            Guarded("the sweep of what is on screen", [target = HookTarget()](GameWrapper*) {
                if (const auto plugin = target.lock()) (*plugin)->ConcealWhatIsShown();
            }));
        return;
    }
    std::vector<std::string> left;
    if (Hooked(Outcome()) && !Paused()) {
        if (!SweepPlayers()) left.emplace_back(kPlayersLeft);
        if (!SweepTeamNames()) left.emplace_back(kTeamsLeft);
        SweepMenus();
        // The scoreboard shows the values it was handed while the scores went through.
        if (scoresLetThrough_ && Conceals(settings.bHideScoreboardInfo) &&
            settings.bShowScores.get() && !game::LiveInstancesOf(game::GfxPriClass).empty()) {
            left.emplace_back(kScoresLeft);
        }
        if (rankLetThrough_ && Conceals(settings.bShowMenuRankInfo)) left.emplace_back(kRankLeft);
        scoresLetThrough_ = false;
        rankLetThrough_ = false;
    }
    const std::scoped_lock lock(leftShowingLock_);
    leftShowing_ = std::move(left);
}

void CloakMyIdentity::ForgetWhatTheMatchShowed() {
    scoresLetThrough_ = false;
    const std::scoped_lock lock(leftShowingLock_);
    std::erase_if(leftShowing_, [](const std::string& left) { return left != kRankLeft; });
}

std::vector<std::string> CloakMyIdentity::LeftShowing() const {
    const std::scoped_lock lock(leftShowingLock_);
    return leftShowing_;
}

}  // namespace cloak

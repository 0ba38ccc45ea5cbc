// Rank, season reward, team names and the forfeit vote: each handler rewrites one answer of the
// game, in the hooked function's parameters or in the calling data object.
#include <cstdint>
#include <string>
#include <string_view>

#include "conceal/wrapped_object.hpp"
#include "game/class_caches.hpp"
#include "game/event_params.hpp"
#include "game/game_string.hpp"
#include "game/script_calls.hpp"
#include "plugin/cloak_my_identity.hpp"

namespace cloak {

// ---- ConcealMenuRank ----------------------------------------------------------------------------

void CloakMyIdentity::ConcealMenuRank(ActorWrapper, void* params, std::string) {
    if (params == nullptr) return;
    if (!Conceals(settings.bShowMenuRankInfo)) {
        // The menus keep showing this answer until they ask again (ConcealWhatIsShown says so).
        rankLetThrough_ = true;
        return;
    }
    // Only the boolean result bit: the rest of the word is not ours.
    static_cast<game::CanShowRankInfoParams*>(params)->result &= ~std::uint32_t{1};
}

// ---- ConcealSeasonRank --------------------------------------------------------------------------

void CloakMyIdentity::ConcealSeasonRank(ActorWrapper caller, void*, std::string) {
    if (!Conceals(settings.bShowMenuSeasonRank)) return;
    std::int32_t* level = game::SeasonRewardLevel.In(WrappedObject(caller));
    if (level != nullptr) *level = 0;
}

// ---- ConcealTeamName ----------------------------------------------------------------------------

void CloakMyIdentity::ConcealTeamName(ActorWrapper caller, void* params, std::string) {
    if (!Conceals(settings.bHideTeamNames)) return;
    game::GameObject* teamData = WrappedObject(caller);
    if (params == nullptr || teamData == nullptr) return;

    game::GameObject* const* team = game::GfxTeamInfoTeam.In(teamData);
    if (team == nullptr || *team == nullptr) return;
    const std::int32_t* teamIndex = game::TeamInfoTeamIndex.In(*team);
    if (teamIndex == nullptr) return;

    // The same generic label for a side in every match, in the user's language.
    const std::u16string_view key = *teamIndex == 0 ? u"Home" : u"Away";
    game::GameString section = game::MakeGameString(u"Global");
    game::GameString keyName = game::MakeGameString(key);
    game::GameString package = game::MakeGameString(u"UIText");
    if (section.data == nullptr || keyName.data == nullptr || package.data == nullptr) return;

    game::GameString label = game::Localize(section, keyName, package);
    game::AssignGameString(static_cast<game::HandleNameChangedParams*>(params)->name, label);
    game::ReleaseGameString(label);
}

// ---- ConcealForfeitVote -------------------------------------------------------------------------

void CloakMyIdentity::ConcealForfeitVote(ActorWrapper, void* params, std::string) {
    if (!Conceals(settings.bShowVoteToForfeit) || params == nullptr) return;
    static_cast<game::SetVoteActorParams*>(params)->voteActor = nullptr;
}

}  // namespace cloak

// Scoreboard statistics: the chosen statistics show as 0; a statistic met for the first time is
// added to the settings, not concealed, so the user can choose it on the settings page.
#include <string>

#include "game/event_params.hpp"
#include "plugin/cloak_my_identity.hpp"

namespace cloak {

void CloakMyIdentity::ConcealScoreStat(ActorWrapper, void* params, std::string) {
    if (params == nullptr) return;
    if (!Conceals(settings.bHideScoreboardInfo) || !settings.bShowScores.get()) {
        // The scoreboard keeps this value until it changes (ConcealWhatIsShown says so).
        scoresLetThrough_ = true;
        return;
    }

    auto* update = static_cast<game::UpdatePriDataParams*>(params);
    const std::string statistic = gameWrapper->GetFNameByIndex(update->statisticName.index);
    if (settings.Stats.FindOrAdd(statistic).get()) update->value = 0;
}

}  // namespace cloak

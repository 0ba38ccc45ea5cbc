// A change the user made to the settings, from the settings page (drawing thread) or a console
// command (game thread): both save it the same way and run the same game-thread work.
#include <fmt/format.h>

#include <exception>

#include "plugin/cloak_my_identity.hpp"

namespace cloak {

// The one catch of a change: a save that cannot even create the settings folder keeps the change
// in memory and is reported on the console, so the host's drawing or the game goes on.
void CloakMyIdentity::SaveChange() {
    try {
        SaveSettings();
    } catch (const std::exception& error) {
        LogLine(fmt::format("could not save the settings in {}: {}", PathText(SettingsFolder),
                            FailureText(error)));
    }
}

void CloakMyIdentity::SwitchChanged(const Switch& changed) {
    SaveChange();
    if (changed.get()) ConcealWhatIsShown();
    // Requests already queued in the game follow the new choice; only the game thread may touch
    // the game's notification manager.
    if (&changed == &settings.bHideFriendRequests) QueueFriendRequestFollow();
}

void CloakMyIdentity::QueueFriendRequestFollow() {
    gameWrapper->Execute([target = HookTarget()](GameWrapper* game) {
        if (const auto plugin = target.lock()) (*plugin)->FollowFriendRequestSwitch(game);
    });
}

}  // namespace cloak

// A change the user made to the settings, from the settings page (drawing thread) or a console
// command (game thread): both save it the same way and run the same game-thread work.
#include <fmt/format.h>

#include <exception>

#include "plugin/cloak_my_identity.hpp"

namespace cloak {

// The one catch of a change: a save that cannot even create the settings folder keeps the change
// in memory and is reported on the console, so the host's drawing or the game goes on. A change
// that did not reach the file also gets a toast that names the file, since the console is seldom
// open while the user clicks.
void CloakMyIdentity::SaveChange() {
    bool saved = false;
    try {
        saved = SaveSettings();
    } catch (const std::exception& error) {
        LogLine(fmt::format("could not save the settings in {}: {}", PathText(SettingsFolder),
                            FailureText(error)));
    }
    if (!saved) {
        ShowSettingsToast("Choice not saved (the console says why)");
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
    gameWrapper->Execute(Guarded("the friend requests' follow of their switch",
                                 [target = HookTarget()](GameWrapper* game) {
                                     if (const auto plugin = target.lock())
                                         (*plugin)->FollowFriendRequestSwitch(game);
                                 }));
}

}  // namespace cloak

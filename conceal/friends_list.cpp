// Friends list: the recent-players list is kept at a limit of 0 entries, and friend requests are
// dropped before the game's notification manager sees them.
#include <cstdint>
#include <string>

#include "conceal/wrapped_object.hpp"
#include "game/class_caches.hpp"
#include "game/event_params.hpp"
#include "game/lookup.hpp"
#include "game/script_calls.hpp"
#include "plugin/cloak_my_identity.hpp"

namespace cloak {

namespace {

game::FunctionCache ProcessPendingNotificationsFunction{
    "Function TAGame.GFxData_NotificationManager_TA.ProcessPendingNotifications"};

void ClearRecentPlayerLimit(game::GameObject* recentPlayers) {
    std::int32_t* limit = game::RecentPlayersMaxRecentPlayerCount.In(recentPlayers);
    if (limit != nullptr) *limit = 0;
}

}  // namespace

// ---- Recent players -----------------------------------------------------------------------------

void CloakMyIdentity::OnRecentsChanged(ActorWrapper caller, void*, std::string) {
    if (Paused()) return;
    ClearRecentPlayerLimit(WrappedObject(caller));
}

void CloakMyIdentity::OnDownloadRecentPlayers(ActorWrapper caller, void*, std::string) {
    if (!Conceals(settings.bHideRecents)) return;
    game::GameObject* const* recentPlayers = game::FriendsRecentPlayers.In(WrappedObject(caller));
    if (recentPlayers != nullptr) ClearRecentPlayerLimit(*recentPlayers);
}

// ---- Friend requests ----------------------------------------------------------------------------

void CloakMyIdentity::OnNotificationAdded(ActorWrapper, void* params, std::string) {
    if (!Conceals(settings.bHideFriendRequests) || params == nullptr) return;
    auto* added = static_cast<game::HandleNotificationAddedParams*>(params);
    if (!game::IsValidObject(added->notification)) return;
    game::GameObject* friendRequest = game::FriendRequestNotificationClass.Get();
    if (friendRequest != nullptr && game::IsA(added->notification, friendRequest)) {
        added->notification = nullptr;
    }
}

void CloakMyIdentity::RestoreNotifications(GameWrapper*) {
    game::GameObject* manager = game::FindInstanceOf(game::NotificationManagerClass);
    if (manager == nullptr) return;
    game::RefreshNotifications(manager);
}

void CloakMyIdentity::PurgePendingNotifications(GameWrapper*) {
    game::GameObject* manager = game::FindInstanceOf(game::NotificationManagerClass);
    if (manager == nullptr) return;
    game::RefreshNotifications(manager);
    // Only the count: the elements stay where the game put them, and are the game's to free.
    auto* pending = game::NotificationManagerPendingNotifications.In(manager);
    if (pending != nullptr) pending->count = 0;
    game::CallWithoutArguments(manager, ProcessPendingNotificationsFunction);
}

void CloakMyIdentity::FollowFriendRequestSwitch(GameWrapper* wrapper) {
    if (Conceals(settings.bHideFriendRequests)) {
        PurgePendingNotifications(wrapper);
    } else {
        RestoreNotifications(wrapper);
    }
}

}  // namespace cloak

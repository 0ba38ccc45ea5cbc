// Friends list: the recent-players limit, friend requests as they arrive, and the two clean-up
// actions the settings page queues when the friend-request switch changes.
#include <gtest/gtest.h>

#include <cstdint>

#include "game/event_params.hpp"
#include "game/lookup.hpp"
#include "plugin_in_game.hpp"

using namespace cloak;

namespace {

using testing_support::GameObject;

class FriendsListTest : public testing_support::PluginInGame {
protected:
    FriendsListTest() { Load(); }

    std::int32_t RecentsLimit() {
        return Field<std::int32_t>(session->RecentPlayers(), "MaxRecentPlayerCount");
    }
    game::GameArray<GameObject*>& Pending() {
        return Field<game::GameArray<GameObject*>>(session->NotificationManager(),
                                                   "PendingNotifications");
    }
    std::size_t Calls(std::string_view function) {
        return world.CallCount(std::string("Function TAGame.GFxData_NotificationManager_TA.") +
                               std::string(function));
    }
};

TEST_F(FriendsListTest, RecentPlayersLimitStaysZero) {
    session->DownloadRecents(50);
    EXPECT_EQ(RecentsLimit(), 0);

    // The download follows the switch; a change of the list does not ask it.
    plugin.settings.bHideRecents.set(false);
    session->DownloadRecents(50);
    EXPECT_EQ(RecentsLimit(), 50);
    session->ChangeRecents(50);
    EXPECT_EQ(RecentsLimit(), 0);
}

TEST_F(FriendsListTest, FriendRequestsAreDroppedAndOtherNotificationsPass) {
    session->AddNotification(true, u"Kestrel_TTV");
    session->AddNotification(false, u"Orbit");
    ASSERT_EQ(Pending().count, 1);
    EXPECT_FALSE(
        game::IsA(Pending().data[0], world.Get("Class TAGame.FriendRequestNotification_TA")));

    // Something in the notification slot that is no game object is left alone.
    game::HandleNotificationAddedParams block{nullptr, game::PointerAt<GameObject>(0x1234)};
    plugin.OnNotificationAdded(Caller(session->NotificationManager()), &block, "Added");
    EXPECT_EQ(game::AddressOf(block.notification), 0x1234u);

    plugin.settings.bHideFriendRequests.set(false);
    session->AddNotification(true, u"Kestrel_TTV");
    EXPECT_EQ(Pending().count, 2);
}

TEST_F(FriendsListTest, PurgeDropsPendingRequestsAndRestoreOnlyRefreshes) {
    plugin.settings.bHideFriendRequests.set(false);
    session->AddNotification(true, u"Kestrel_TTV");
    session->AddNotification(true, u"Lumen");
    GameObject** elements = Pending().data;
    const std::int32_t capacity = Pending().capacity;

    CloakMyIdentity::RestoreNotifications(host.Game().get());
    EXPECT_EQ(Calls("RefreshNotifications"), 1u);
    EXPECT_EQ(Pending().count, 2);
    EXPECT_EQ(Calls("ProcessPendingNotifications"), 0u);

    CloakMyIdentity::PurgePendingNotifications(host.Game().get());
    EXPECT_EQ(Calls("RefreshNotifications"), 2u);
    EXPECT_EQ(Pending().count, 0);
    EXPECT_EQ(Pending().data, elements);
    EXPECT_EQ(Pending().capacity, capacity);
    EXPECT_EQ(Calls("ProcessPendingNotifications"), 1u);
    // The processing ran over an empty list: no request reached the shown notifications.
    EXPECT_EQ(
        Field<game::GameArray<GameObject*>>(session->NotificationManager(), "Notifications").count,
        0);
}

TEST_F(FriendsListTest, ActionsWithoutANotificationManagerDoNothing) {
    plugin.settings.bHideFriendRequests.set(false);
    session->AddNotification(true, u"Lumen");
    // Marked as a class-default object, the only manager is no live instance any more.
    session->NotificationManager()->flags |= game::kClassDefaultFlag;
    CloakMyIdentity::PurgePendingNotifications(host.Game().get());
    CloakMyIdentity::RestoreNotifications(host.Game().get());
    EXPECT_EQ(Calls("RefreshNotifications") + Calls("ProcessPendingNotifications"), 0u);
    EXPECT_EQ(Pending().count, 1);
}

}  // namespace

// Reading the screens from the game's memory.
#include "sim/game/match_screens.hpp"

#include <nlohmann/json.hpp>

#include "sim/game/utf8.hpp"

namespace emu {

namespace {

template <class Element, class Read>
std::vector<std::int32_t> ReadArray(const GameArray<Element>& array, Read read) {
    std::vector<std::int32_t> values;
    for (std::int32_t i = 0; i < array.count; ++i) values.push_back(read(array.data[i]));
    return values;
}

PlayerScreen CapturePlayer(World& world, const MatchPlayer& player) {
    PlayerScreen screen;
    screen.name = world.GetString(player.scoreboard, "PlayerName");
    screen.local = player.local;
    screen.title = world.GetString(player.scoreboard, "XPTitle");
    screen.clubId = world.Field<std::uint64_t>(player.pri, "ClubID");
    screen.stats = player.stats;
    const auto* loadouts = &world.Field<ClientLoadoutData>(player.pri, "ClientLoadouts");
    const auto* online = &world.Field<ClientLoadoutOnlineData>(player.pri, "ClientLoadoutsOnline");
    for (std::size_t loadout = 0; loadout < 2; ++loadout) {
        screen.loadouts[loadout] =
            ReadArray(loadouts[loadout].products, [](std::int32_t id) { return id; });
        screen.onlineData[loadout] =
            ReadArray(online[loadout].products,
                      [](const ProductOnlineData& data) { return data.attributeId; });
    }
    return screen;
}

}  // namespace

Screens CaptureScreens(const Session& session) {
    World& world = session.GameWorld();
    Screens screens;
    for (const MatchPlayer& player : session.Players()) {
        screens.players.push_back(CapturePlayer(world, player));
    }
    for (std::int32_t team = 0; team < 2; ++team) {
        screens.teams[static_cast<std::size_t>(team)] =
            world.GetString(session.TeamRow(team), "TeamName");
    }
    screens.menuRankShown = session.MenuRankShown();
    screens.seasonRewardLevel = world.Field<std::int32_t>(session.SeasonReward(), "Level");
    screens.voteToForfeitOffered = world.Field<GameObject*>(session.Vote(), "VoteActor") != nullptr;
    screens.maxRecentPlayers =
        world.Field<std::int32_t>(session.RecentPlayers(), "MaxRecentPlayerCount");

    GameObject* manager = session.NotificationManager();
    screens.pendingNotifications =
        world.Field<GameArray<GameObject*>>(manager, "PendingNotifications").count;
    const GameObject* friendRequest = world.Get("Class TAGame.FriendRequestNotification_TA");
    const auto& shown = world.Field<GameArray<GameObject*>>(manager, "Notifications");
    for (std::int32_t i = 0; i < shown.count; ++i) {
        if (Layout(shown.data[i]).classObject == friendRequest) ++screens.friendRequestsShown;
    }
    return screens;
}

void to_json(nlohmann::json& json, const Screens& screens) {
    json = nlohmann::json::object();
    nlohmann::json& players = json["players"] = nlohmann::json::array();
    for (const PlayerScreen& player : screens.players) {
        nlohmann::json stats = nlohmann::json::object();
        for (const auto& [name, value] : player.stats) stats[name] = value;
        players.push_back({{"name", Utf8FromUtf16(player.name)},
                           {"local", player.local},
                           {"title", Utf8FromUtf16(player.title)},
                           {"clubId", player.clubId},
                           {"stats", stats},
                           {"loadouts", player.loadouts},
                           {"onlineData", player.onlineData}});
    }
    json["teams"] = {Utf8FromUtf16(screens.teams[0]), Utf8FromUtf16(screens.teams[1])};
    json["menuRankShown"] = screens.menuRankShown;
    json["seasonRewardLevel"] = screens.seasonRewardLevel;
    json["voteToForfeitOffered"] = screens.voteToForfeitOffered;
    json["maxRecentPlayers"] = screens.maxRecentPlayers;
    json["pendingNotifications"] = screens.pendingNotifications;
    json["friendRequestsShown"] = screens.friendRequestsShown;
}

}  // namespace emu

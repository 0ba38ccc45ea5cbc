// What each screen of the game shows: the scoreboard, the teams, the menus, the friends list and
// the notifications, read from the game's memory the way those screens read it.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <utility>
#include <vector>

#include "sim/game/match_session.hpp"

namespace emu {

struct PlayerScreen {
    std::u16string name;  // the scoreboard row's name
    bool local = false;
    std::u16string title;  // up to the first zero unit, as the scoreboard draws it
    std::uint64_t clubId = 0;
    std::vector<std::pair<std::string, std::int32_t>> stats;  // in the order first reported
    std::array<std::vector<std::int32_t>, 2> loadouts;        // product ids per slot
    std::array<std::vector<std::int32_t>, 2> onlineData;      // field at element offset 8
};

struct Screens {
    std::vector<PlayerScreen> players;  // the current match's players, in the order they joined
    std::array<std::u16string, 2> teams;
    bool menuRankShown = false;
    std::int32_t seasonRewardLevel = 0;
    bool voteToForfeitOffered = false;
    std::int32_t maxRecentPlayers = 0;
    std::int32_t pendingNotifications = 0;
    std::int32_t friendRequestsShown = 0;
};

Screens CaptureScreens(const Session& session);

// {"players": [{"name", "local", "title", "clubId", "stats", "loadouts", "onlineData"}...],
//  "teams", "menuRankShown", "seasonRewardLevel", "voteToForfeitOffered", "maxRecentPlayers",
//  "pendingNotifications", "friendRequestsShown"}; texts in UTF-8.
void to_json(nlohmann::json& json, const Screens& screens);

}  // namespace emu

// A match script: the events of one or more emulated matches, read from JSON.
//
// The format (a JSON object) is described in the README, section "Match scripts". Players are
// named by an id of the script's choosing ("player"); an id is known from its "join" until the
// next "endMatch".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace emu {

// ---- Events -------------------------------------------------------------------------------------

// A player enters the match: the game creates the player's record and replicates its team,
// name and club; a given title is then shown on the scoreboard. The local player's name is the
// online name of the script.
struct JoinEvent {
    std::string player;
    bool local = false;
    std::u16string name;
    std::int32_t team = 0;
    std::uint64_t clubId = 0;
    std::optional<std::u16string> title;
};
// The player's name replicates again with a new value.
struct RenameEvent {
    std::string player;
    std::u16string name;
};
// The player's club replicates with a new club id.
struct ClubEvent {
    std::string player;
    std::uint64_t clubId = 0;
};
// Any other variable of the player's record replicates (its value is not modelled).
struct ReplicateEvent {
    std::string player;
    std::string variable;
};
// The player's title changes and the scoreboard row takes it over.
struct TitleEvent {
    std::string player;
    std::u16string title;
};
// The scoreboard receives one statistic of one player.
struct StatEvent {
    std::string player;
    std::string stat;
    std::int32_t value = 0;
};
// The player's two car loadouts are set: product ids per slot, and the 32-bit field at element
// offset 8 of each product's online data.
struct LoadoutEvent {
    std::string player;
    std::array<std::vector<std::int32_t>, 2> products;
    std::array<std::vector<std::int32_t>, 2> onlineData;
};
// A team's name changes (team 0 or 1).
struct TeamNameEvent {
    std::int32_t team = 0;
    std::u16string name;
};
// A vote actor is handed to the vote screen: the vote-to-forfeit prompt.
struct VoteEvent {};
// The menus ask whether to show the rank of a playlist.
struct MenuRankEvent {
    std::int32_t playlist = 0;
};
// The season reward screen updates; the game computes this rank level.
struct SeasonRewardEvent {
    std::int32_t level = 0;
};
// The recent-players list changes; the game sets its limit to `max`.
struct RecentsChangedEvent {
    std::int32_t max = 0;
};
// The friends screen downloads the recent players; the download sets the list's limit to `max`.
struct DownloadRecentsEvent {
    std::int32_t max = 0;
};
// A notification arrives: a friend request or another kind.
struct NotificationEvent {
    bool friendRequest = false;
    std::u16string from;
};
// The client sends a batch of remote calls.
struct RpcEvent {};
// Free play is entered (on; a match being played ends first) or left for the menus.
struct FreePlayEvent {
    bool on = false;
};
// The match ends: its game event object is destroyed; players leave; a new match may follow.
struct EndMatchEvent {};
// The host loads the plugin here (a script without this event has it loaded before its first).
struct LoadPluginEvent {};
// The game, loading until here, reaches its main menu: the local player comes into being.
struct MainMenuEvent {};
// Time passes: the game plays `seconds` of frames, its thread ticking on each.
struct WaitEvent {
    std::int32_t seconds = 0;
};
// A line typed into the host's console, e.g. "cloak_pause".
struct ConsoleEvent {
    std::string command;
};

using MatchEvent = std::variant<JoinEvent, RenameEvent, ClubEvent, ReplicateEvent, TitleEvent,
                                StatEvent, LoadoutEvent, TeamNameEvent, VoteEvent, MenuRankEvent,
                                SeasonRewardEvent, RecentsChangedEvent, DownloadRecentsEvent,
                                NotificationEvent, RpcEvent, FreePlayEvent, EndMatchEvent,
                                LoadPluginEvent, MainMenuEvent, WaitEvent, ConsoleEvent>;

// ---- MatchScript --------------------------------------------------------------------------------

struct MatchScript {
    // The local player's online name, which the game replicates as the local player's name.
    std::u16string localName;
    std::vector<MatchEvent> events;
    // The script has a "mainMenu" event: the game starts loading, without its local player, and
    // nothing but "loadPlugin" and "wait" comes before it.
    bool startsLoading = false;
    bool loadsPlugin = false;  // the script has a "loadPlugin" event
};

// ---- ParseMatchScript ---------------------------------------------------------------------------

class MatchScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and checks a whole script; nothing of a bad script is played. The error's text names
// the event (its position from 1 and its kind) and the field at fault.
MatchScript ParseMatchScript(std::string_view json);

}  // namespace emu

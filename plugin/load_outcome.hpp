// What the plugin says about whether it conceals: how the last load went (concealing, or not and
// why), and, composed in one place from everything that decides it - the load, the pause, the
// switches, what a sweep left showing - the toast, the settings page's foot, cloak_status's
// summary and the lasting sign on the game's screen, so that they never disagree. A privacy tool
// that conceals nothing, or not everything, must say so; the user would otherwise believe they
// are hidden.
//
// Index
//   LoadOutcome and its lines
//   The kinds of information, by the word commands take
//   ConcealmentState and ConcealmentReport
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/plugin_settings.hpp"

class GameWrapper;

#include "game/table_discovery.hpp"

namespace cloak {

enum class LoadOutcome : std::uint8_t {
    NotLoaded,
    Concealing,
    ConcealingWithGaps,  // hooked, but game names the hooks rely on are missing ("BAD BAD BAD")
    NoLocalController,   // the game has no local player controller yet
    NoLocalPlayer,       // the controller has no local player yet
    NoGameTables,        // the host handed no tables over and none were found in the game
    SeveralGameTables,   // ... and more than one set of tables fits: none is trusted
    WaitingForGame,      // no local player controller or player yet: the load tries again
    MemoryUnreadable,    // ... and the search could not read the game's memory map or memory
    NoModuleList,        // ... and the search could not read the list of loaded modules
};

// Whether the hooks are registered.
inline bool Hooked(LoadOutcome outcome) {
    return outcome == LoadOutcome::Concealing || outcome == LoadOutcome::ConcealingWithGaps;
}

// Whether a load that ended so tries again on its own: the game is still on its way to a local
// player. Tables that are not found or not clear stay so while the same game build runs.
inline bool TriedAgain(LoadOutcome outcome) {
    return outcome == LoadOutcome::NoLocalController || outcome == LoadOutcome::NoLocalPlayer;
}

// Memory that changed while the search for the tables read it (another thread loading or
// unloading a module, a page no-access for a moment) is a passing cause: the load tries again on
// the same schedule as while it waits for the game, this many tries in all, then gives up and says
// so.
inline constexpr int kTriesOverChangingMemory = 5;
inline bool PassingCause(LoadOutcome outcome) {
    return outcome == LoadOutcome::MemoryUnreadable;
}

// The outcome of a search of the game's memory for its tables (Concealing: found, the load goes
// on).
LoadOutcome OutcomeOfSearch(game::DiscoveryResult result);

// The one console line of a load that could not hook: that nothing is concealed, why, and what to
// do about it (for a load that tries again: that it does).
std::string NotConcealingLine(LoadOutcome outcome);

// The console line of a load that tried again until it could conceal.
inline constexpr const char* kConcealingAfterWaitingLine =
    "CloakMyIdentity is concealing now: the game has its local player";

// The toast that shows the outcome of a load or of a try over the game: a few words that fit the
// host's 290x60 notice. The console line says the rest.
struct OutcomeToast {
    std::uint8_t type;  // a ToastType
    std::string text;
    float seconds;  // on screen; what the user must act on stays longer
};
inline constexpr const char* kToastTitle = "CloakMyIdentity";
OutcomeToast ToastFor(LoadOutcome outcome);
// Shows the toast on the game's screen, under the plugin's name.
void ShowToast(GameWrapper& game, const OutcomeToast& toast);
// What the user must act on stays longer than what only informs: 10 seconds for a Warning or an
// Error, the host's usual 3.5 for the others.
float ToastSeconds(std::uint8_t type);

// The settings page's lines for the outcome: whether it conceals and, when not, why; then what
// to do (empty while concealing).
std::string OutcomeLine(LoadOutcome outcome);
std::string OutcomeAdvice(LoadOutcome outcome);

// A list for one line: "a, b, c"; past the first 20 it counts the rest ("..., and 5 more"), so a
// long session's thousands of names never make a line of megabytes. "none" when empty.
std::string ListText(const std::vector<std::string>& items);

// ---- The kinds of information, by the word commands take ----------------------------------------

struct ConcealmentKind {
    std::string_view word;
    Switch PluginSettings::*field;
    std::string_view what;   // what the switch conceals while on
    std::string_view shown;  // what shows while it is off
    bool needsScoreboard;    // in effect only while "scoreboard" is on as well
};
extern const std::array<ConcealmentKind, 12> kConcealmentKinds;

// Whether the kind conceals as the switches stand (the pause aside).
bool InEffect(const ConcealmentKind& kind, const PluginSettings& settings);
// The words of the kinds that show: switched off, or on but not in effect. "scoreboard" is not
// a kind of its own here: while it is off, titles and statistics show, and those are named.
std::vector<std::string> KindsShown(const PluginSettings& settings);

// ---- ConcealmentState and ConcealmentReport -----------------------------------------------------

// Everything that decides whether the streamer is hidden, read at one moment.
struct ConcealmentState {
    LoadOutcome outcome = LoadOutcome::NotLoaded;
    bool paused = false;
    std::vector<std::string> kindsShown;   // KindsShown
    std::vector<std::string> leftShowing;  // what the last sweep of the screens could not conceal
};

// What the toast follows: a load (or the try that completes it), a resume, a pause. Status is
// for the page, cloak_status and the sign, which show no toast.
enum class Occasion : std::uint8_t { Load, Resume, Pause, Status };

struct ConcealmentReport {
    OutcomeToast toast;
    // The page's foot and cloak_status's summary, the most important first: PAUSED while paused.
    std::vector<std::string> lines;
    // The lasting line on the game's screen; empty while everything is concealed.
    std::string sign;
    bool alarm = false;  // the sign says that the identity shows as a whole (paused, not hooked)

    bool ConcealsEverything() const { return sign.empty(); }
};

ConcealmentReport Describe(const ConcealmentState& state, Occasion occasion);

}  // namespace cloak

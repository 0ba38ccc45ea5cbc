// How the last load went, as the console and the settings page tell the user: concealing, or
// not and why. A privacy tool that conceals nothing must say so; the user would otherwise
// believe they are hidden.
#pragma once

#include <cstdint>
#include <string>

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

// The settings page's lines for the outcome: whether it conceals and, when not, why; then what
// to do (empty while concealing).
std::string OutcomeLine(LoadOutcome outcome);
std::string OutcomeAdvice(LoadOutcome outcome);

}  // namespace cloak

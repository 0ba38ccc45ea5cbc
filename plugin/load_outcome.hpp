// How the last load went, as the console and the settings page tell the user: concealing, or
// not and why. A privacy tool that conceals nothing must say so; the user would otherwise
// believe they are hidden.
#pragma once

#include <cstdint>
#include <string>

namespace cloak {

enum class LoadOutcome : std::uint8_t {
    NotLoaded,
    Concealing,
    ConcealingWithGaps,  // hooked, but game names the hooks rely on are missing ("BAD BAD BAD")
    NoLocalController,   // the game has no local player controller yet
    NoLocalPlayer,       // the controller has no local player yet
    NoGameTables,        // the host handed no tables over and none were found in the game
    SeveralGameTables,   // ... and more than one set of tables fits: none is trusted
    MemoryUnreadable,    // ... and the search could not read the game's memory map or memory
    NoModuleList,        // ... and the search could not read the list of loaded modules
};

// Whether the hooks are registered.
inline bool Hooked(LoadOutcome outcome) {
    return outcome == LoadOutcome::Concealing || outcome == LoadOutcome::ConcealingWithGaps;
}

// The one console line of a load that could not hook: that nothing is concealed, why, and what to
// do about it.
std::string NotConcealingLine(LoadOutcome outcome);

// The settings page's lines for the outcome: whether it conceals and, when not, why; then what
// to do (empty while concealing).
std::string OutcomeLine(LoadOutcome outcome);
std::string OutcomeAdvice(LoadOutcome outcome);

}  // namespace cloak

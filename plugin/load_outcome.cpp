#include "plugin/load_outcome.hpp"

#include <fmt/format.h>

#include <string_view>

namespace cloak {

namespace {

std::string_view Why(LoadOutcome outcome) {
    switch (outcome) {
        case LoadOutcome::NotLoaded:
            return "the plugin has not been loaded yet";
        case LoadOutcome::NoLocalController:
            return "the game has no local player controller yet";
        case LoadOutcome::NoLocalPlayer:
            return "the game's player controller has no local player yet";
        case LoadOutcome::NoGameTables:
            return "the game's object and name tables were not found in its memory";
        case LoadOutcome::SeveralGameTables:
            return "more than one place in the game's memory looks like its object and name "
                   "tables";
        case LoadOutcome::MemoryUnreadable:
            return "the game's memory could not be read to find its object and name tables (its "
                   "memory map was unreadable, or its memory changed while it was read)";
        case LoadOutcome::NoModuleList:
            return "the list of the game's loaded modules could not be read to find its object and "
                   "name tables";
        case LoadOutcome::Concealing:
        case LoadOutcome::ConcealingWithGaps:
            break;
    }
    return {};
}

constexpr std::string_view kWhatToDo =
    "load the plugin again (plugin load CloakMyIdentity, or from the plugins menu) once the "
    "game shows its main menu or a match";

}  // namespace

std::string NotConcealingLine(LoadOutcome outcome) {
    return fmt::format("CloakMyIdentity is concealing NOTHING: {}; {}", Why(outcome), kWhatToDo);
}

std::string OutcomeLine(LoadOutcome outcome) {
    switch (outcome) {
        case LoadOutcome::Concealing:
            return "Concealing.";
        case LoadOutcome::ConcealingWithGaps:
            return "Concealing, but game names it relies on are missing (\"BAD BAD BAD\" on the "
                   "console): some things may still show.";
        default:
            return fmt::format("NOT concealing: {}.", Why(outcome));
    }
}

std::string OutcomeAdvice(LoadOutcome outcome) {
    if (Hooked(outcome)) return {};
    std::string advice(kWhatToDo);
    advice[0] = 'L';
    return advice + ".";
}

}  // namespace cloak

#include "plugin/load_outcome.hpp"

#include <fmt/format.h>

#include <string_view>

#include "bakkesmod/wrappers/wrapperstructs.h"

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
        case LoadOutcome::WaitingForGame:
            return "waiting for the game to have its local player";
        case LoadOutcome::MemoryUnreadable:
            static_assert(kTriesOverChangingMemory == 5, "the text says how many");
            return "the game's memory could not be read to find its object and name tables (its "
                   "memory map was unreadable, or its memory changed while it was read); it gave "
                   "up after 5 tries";
        case LoadOutcome::NoModuleList:
            return "the list of the game's loaded modules could not be read to find its object and "
                   "name tables";
        case LoadOutcome::Concealing:
        case LoadOutcome::ConcealingWithGaps:
            break;
    }
    return {};
}

// The host's own toast time, and a longer one for what the user must act on.
constexpr float kShortToastSeconds = 3.5F;
constexpr float kLongToastSeconds = 10.0F;

// What the user can do, in lower case; empty while concealing.
std::string_view WhatToDo(LoadOutcome outcome) {
    if (Hooked(outcome)) return {};
    if (TriedAgain(outcome) || outcome == LoadOutcome::WaitingForGame) {
        return "it tries again on its own and conceals once the game shows its main menu or a "
               "match";
    }
    // Tables that are not where this plugin looks, or not clear, belong to a game build it does
    // not know; loading it again finds the same.
    if (outcome == LoadOutcome::NoGameTables || outcome == LoadOutcome::SeveralGameTables) {
        return "this game build is not one this version of CloakMyIdentity knows: look for an "
               "update of the plugin";
    }
    return "load the plugin again (plugin load CloakMyIdentity, or from the plugins menu) once "
           "the game shows its main menu or a match";
}

}  // namespace

std::string NotConcealingLine(LoadOutcome outcome) {
    return fmt::format("CloakMyIdentity is concealing NOTHING{}: {}; {}",
                       TriedAgain(outcome) ? " yet" : "", Why(outcome), WhatToDo(outcome));
}

std::string OutcomeLine(LoadOutcome outcome) {
    switch (outcome) {
        case LoadOutcome::Concealing:
            return "Concealing.";
        case LoadOutcome::ConcealingWithGaps:
            return "Concealing, but game names it relies on are missing (\"BAD BAD BAD\" on the "
                   "console): some things may still show.";
        case LoadOutcome::WaitingForGame:
            return fmt::format("NOT concealing yet: {}.", Why(outcome));
        default:
            return fmt::format("NOT concealing: {}.", Why(outcome));
    }
}

std::string OutcomeAdvice(LoadOutcome outcome) {
    std::string advice(WhatToDo(outcome));
    if (advice.empty()) return advice;
    advice[0] = static_cast<char>(advice[0] - 'a' + 'A');  // every advice starts in lower case
    return advice + ".";
}

OutcomeToast ToastFor(LoadOutcome outcome) {
    switch (outcome) {
        case LoadOutcome::Concealing:
            return {ToastType_OK, "Concealing.", kShortToastSeconds};
        case LoadOutcome::ConcealingWithGaps:
            return {ToastType_Warning,
                    "Concealing with gaps: the game has changed. Some things may show.",
                    kLongToastSeconds};
        case LoadOutcome::NoLocalController:
        case LoadOutcome::NoLocalPlayer:
        case LoadOutcome::WaitingForGame:
            return {ToastType_Info, "Waiting for the game. Concealing starts on its own.",
                    kShortToastSeconds};
        case LoadOutcome::NoGameTables:
        case LoadOutcome::SeveralGameTables:
            return {ToastType_Error, "NOT concealing: unknown game build. Look for an update.",
                    kLongToastSeconds};
        default:
            return {ToastType_Error, "NOT concealing. The console says why.", kLongToastSeconds};
    }
}

}  // namespace cloak

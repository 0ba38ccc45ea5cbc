#include "plugin/load_outcome.hpp"

#include <fmt/format.h>

#include <string_view>
#include <utility>

#include "bakkesmod/wrappers/GameWrapper.h"

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

void ShowToast(GameWrapper& game, const OutcomeToast& toast) {
    game.Toast(kToastTitle, toast.text, "default", toast.seconds, toast.type);
}

float ToastSeconds(std::uint8_t type) {
    return type == ToastType_Warning || type == ToastType_Error ? 10.0F : 3.5F;
}

namespace {

OutcomeToast Toast(std::uint8_t type, std::string text) {
    return {type, std::move(text), ToastSeconds(type)};
}

}  // namespace

OutcomeToast ToastFor(LoadOutcome outcome) {
    switch (outcome) {
        case LoadOutcome::Concealing:
            return Toast(ToastType_OK, "Concealing.");
        case LoadOutcome::ConcealingWithGaps:
            return Toast(ToastType_Warning,
                         "Concealing with gaps: the game has changed. Some things may show.");
        case LoadOutcome::NoLocalController:
        case LoadOutcome::NoLocalPlayer:
        case LoadOutcome::WaitingForGame:
            return Toast(ToastType_Info, "Waiting for the game. Concealing starts on its own.");
        case LoadOutcome::NoGameTables:
        case LoadOutcome::SeveralGameTables:
            return Toast(ToastType_Error,
                         "NOT concealing: unknown game build. Look for an update.");
        default:
            return Toast(ToastType_Error, "NOT concealing. The console says why.");
    }
}

std::string ListText(const std::vector<std::string>& items) {
    constexpr std::size_t kMostListed = 20;
    if (items.empty()) return "none";
    if (items.size() <= kMostListed) return fmt::format("{}", fmt::join(items, ", "));
    return fmt::format("{}, and {} more",
                       fmt::join(items.begin(), items.begin() + kMostListed, ", "),
                       items.size() - kMostListed);
}

// ---- The kinds of information, by the word commands take ----------------------------------------

const std::array<ConcealmentKind, 12> kConcealmentKinds{{
    {"names", &PluginSettings::bShowNames, "other players' names become Player 1, Player 2, ...",
     "other players' names are SHOWN", false},
    {"titles", &PluginSettings::bShowTitles, "player titles are blanked (needs scoreboard on)",
     "player titles are SHOWN", true},
    {"clubs", &PluginSettings::bShowClubs, "club tags are dropped", "club tags are SHOWN", false},
    {"menurank", &PluginSettings::bShowMenuRankInfo, "your rank is not shown in the menus",
     "your rank is SHOWN in the menus", false},
    {"seasonrank", &PluginSettings::bShowMenuSeasonRank, "the season reward shows you as unranked",
     "the season reward SHOWS your rank", false},
    {"teams", &PluginSettings::bHideTeamNames, "team names become the game's home and away labels",
     "team names are SHOWN", false},
    {"forfeit", &PluginSettings::bShowVoteToForfeit, "the vote-to-forfeit prompt is not offered",
     "the vote-to-forfeit prompt is SHOWN", false},
    {"recents", &PluginSettings::bHideRecents, "the recent-players list stays empty",
     "the recent-players list is SHOWN", false},
    {"friends", &PluginSettings::bHideFriendRequests, "incoming friend requests are dropped",
     "incoming friend requests are SHOWN", false},
    {"scoreboard", &PluginSettings::bHideScoreboardInfo,
     "titles and statistics on the scoreboard are concealed (off: both show)",
     "titles and statistics on the scoreboard are SHOWN", false},
    {"stats", &PluginSettings::bShowScores,
     "the chosen scoreboard statistics read 0 (needs scoreboard on)",
     "scoreboard statistics are SHOWN", true},
    {"loadouts", &PluginSettings::bDefaultLoadouts, "every car shows the default items",
     "every car SHOWS its chosen items", false},
}};

bool InEffect(const ConcealmentKind& kind, const PluginSettings& settings) {
    return (settings.*kind.field).get() &&
           (!kind.needsScoreboard || settings.bHideScoreboardInfo.get());
}

std::vector<std::string> KindsShown(const PluginSettings& settings) {
    std::vector<std::string> shown;
    for (const ConcealmentKind& kind : kConcealmentKinds) {
        if (kind.field != &PluginSettings::bHideScoreboardInfo && !InEffect(kind, settings)) {
            shown.emplace_back(kind.word);
        }
    }
    return shown;
}

// ---- ConcealmentState and ConcealmentReport -----------------------------------------------------

namespace {

// A toast holds two short lines: a list that does not fit is left to cloak_status.
constexpr std::size_t kLongestToastText = 80;

std::string ShownToastText(std::string_view prefix, const std::string& shown) {
    std::string text = fmt::format("{}, but shown: {}", prefix, shown);
    if (text.size() <= kLongestToastText) return text;
    return fmt::format("{}, but some things show: see cloak_status", prefix);
}

}  // namespace

ConcealmentReport Describe(const ConcealmentState& state, Occasion occasion) {
    ConcealmentReport report;
    std::vector<std::string> shownItems = state.kindsShown;
    shownItems.insert(shownItems.end(), state.leftShowing.begin(), state.leftShowing.end());
    const std::string shown = shownItems.empty() ? std::string() : ListText(shownItems);
    const bool hooked = Hooked(state.outcome);
    const bool gaps = state.outcome == LoadOutcome::ConcealingWithGaps;
    const std::string_view concealing =
        occasion == Occasion::Resume ? "Concealing again" : "Concealing";

    // The lines: PAUSED first; then whether the load conceals, and what shows besides.
    if (state.paused) {
        report.lines.emplace_back(
            "PAUSED: nothing new is concealed until concealment resumes (cloak_resume).");
    }
    if (!hooked) {
        report.lines.push_back(OutcomeLine(state.outcome));
        if (std::string advice = OutcomeAdvice(state.outcome); !advice.empty()) {
            report.lines.push_back(std::move(advice));
        }
    } else if (state.paused) {
        if (gaps) report.lines.push_back(OutcomeLine(state.outcome));
        if (!shown.empty())
            report.lines.push_back(fmt::format("Shown even after a resume: {}.", shown));
    } else if (gaps) {
        report.lines.push_back(OutcomeLine(state.outcome));
        if (!shown.empty()) report.lines.push_back(fmt::format("Shown besides: {}.", shown));
    } else if (!shown.empty()) {
        report.lines.push_back(fmt::format("{}, but shown: {}.", concealing, shown));
    } else {
        report.lines.push_back(fmt::format("{}.", concealing));
    }

    // The sign: red while the identity shows as a whole, amber while parts of it do.
    report.alarm = state.paused || !hooked;
    if (state.paused) {
        report.sign = "CloakMyIdentity: PAUSED - your identity shows";
    } else if (!hooked) {
        report.sign = fmt::format(
            "CloakMyIdentity: NOT concealing{} - your identity shows",
            TriedAgain(state.outcome) || state.outcome == LoadOutcome::WaitingForGame ? " yet"
                                                                                      : "");
    } else if (gaps) {
        report.sign = "CloakMyIdentity: concealing with gaps - some things may show";
    } else if (!shown.empty()) {
        report.sign = fmt::format("CloakMyIdentity: concealing, but shown: {}", shown);
    }

    // The toast of the occasion.
    if (occasion == Occasion::Pause) {
        report.toast = Toast(ToastType_Warning, "Concealment PAUSED: nothing new is concealed");
    } else if (!hooked) {
        report.toast = occasion == Occasion::Resume
                           ? Toast(ToastType_Error, "Resumed, but NOT concealing: see the console")
                           : ToastFor(state.outcome);
    } else if (state.paused) {
        report.toast = Toast(ToastType_Warning,
                             "Ready, but PAUSED: nothing is concealed until you "
                             "resume");
    } else if (gaps) {
        report.toast = ToastFor(state.outcome);
    } else if (!shown.empty()) {
        report.toast = Toast(ToastType_Warning, ShownToastText(concealing, shown));
    } else {
        report.toast = Toast(ToastType_OK, fmt::format("{}.", concealing));
    }
    return report;
}

}  // namespace cloak

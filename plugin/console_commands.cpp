// Console commands: what a streamer binds to a key with the host's `bind KEY "command"`, to hide
// everything at once or ask what is hidden without opening a menu on stream.
//
// The host runs console input on the game thread, where the handlers read the switches; the
// settings page edits them on the drawing thread. A command's change holds the record's lock
// (PluginSettings::Lock) as a click does, and is saved and followed up as a click is.
//
// Index
//   The switches by word
//   Reading the words typed
//   Lines
//   The commands
//   RegisterConsoleCommands, PauseConcealment
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/cloak_my_identity.hpp"

namespace cloak {

namespace {

// ---- The switches by word -----------------------------------------------------------------------

struct SwitchWord {
    std::string_view word;
    Switch PluginSettings::*field;
    std::string_view what;  // what the switch conceals while on
};

constexpr std::array<SwitchWord, 12> kSwitchWords{{
    {"names", &PluginSettings::bShowNames, "other players' names become Player 1, Player 2, ..."},
    {"titles", &PluginSettings::bShowTitles, "player titles are blanked (needs scoreboard on)"},
    {"clubs", &PluginSettings::bShowClubs, "club tags are dropped"},
    {"menurank", &PluginSettings::bShowMenuRankInfo, "your rank is not shown in the menus"},
    {"seasonrank", &PluginSettings::bShowMenuSeasonRank, "the season reward shows you as unranked"},
    {"teams", &PluginSettings::bHideTeamNames, "team names become the game's home and away labels"},
    {"forfeit", &PluginSettings::bShowVoteToForfeit, "the vote-to-forfeit prompt is not offered"},
    {"recents", &PluginSettings::bHideRecents, "the recent-players list stays empty"},
    {"friends", &PluginSettings::bHideFriendRequests, "incoming friend requests are dropped"},
    {"scoreboard", &PluginSettings::bHideScoreboardInfo,
     "titles and statistics on the scoreboard are concealed (off: both show)"},
    {"stats", &PluginSettings::bShowScores,
     "the chosen scoreboard statistics read 0 (needs scoreboard on)"},
    {"loadouts", &PluginSettings::bDefaultLoadouts, "every car shows the default items"},
}};

constexpr std::string_view kOnOff = "on|off (or 1|0, true|false)";

// ---- Reading the words typed --------------------------------------------------------------------

bool SameWord(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<bool> ReadValue(std::string_view word) {
    for (const std::string_view on : {"on", "1", "true"}) {
        if (SameWord(word, on)) return true;
    }
    for (const std::string_view off : {"off", "0", "false"}) {
        if (SameWord(word, off)) return false;
    }
    return std::nullopt;
}

// What a NAME typed names: one of the twelve switches, or a statistic the record knows.
struct Target {
    Switch* bound = nullptr;
    std::string name;                  // as the status shows it
    const SwitchWord* kind = nullptr;  // null for a statistic
};

// Words are matched in any letter case; a statistic by its exact name first, then by the one
// name that matches in another case. Call with the record's lock held: the statistic's switch
// stays where it is for the life of the table, and tables are replaced only by a load, which
// runs on the game thread as commands do.
std::optional<Target> FindTarget(PluginSettings& settings, std::string_view typed) {
    for (const SwitchWord& kind : kSwitchWords) {
        if (SameWord(typed, kind.word))
            return Target{&(settings.*kind.field), std::string(kind.word), &kind};
    }
    std::optional<Target> exact;
    std::vector<Target> anyCase;
    settings.Stats.ForEach([&](const StatTable::Entry& entry, Switch& concealed) {
        if (entry.name == typed) exact = Target{&concealed, entry.name, nullptr};
        if (SameWord(entry.name, typed)) anyCase.push_back(Target{&concealed, entry.name, nullptr});
    });
    if (exact) return exact;
    if (anyCase.size() == 1) return anyCase.front();
    return std::nullopt;
}

// ---- Lines --------------------------------------------------------------------------------------

// A list of statistic names for one console line. The scoreboard reports every statistic it
// has, and a long session meets thousands: past the first ones the line only counts them.
constexpr std::size_t kMostNamesListed = 20;

std::string NamesText(const std::vector<std::string>& names) {
    if (names.empty()) return "none";
    if (names.size() <= kMostNamesListed) return fmt::format("{}", fmt::join(names, ", "));
    return fmt::format("{}, and {} more",
                       fmt::join(names.begin(), names.begin() + kMostNamesListed, ", "),
                       names.size() - kMostNamesListed);
}

std::string StatisticNames(const PluginSettings& settings) {
    std::vector<std::string> names;
    settings.Stats.ForEach(
        [&](const StatTable::Entry& entry, Switch&) { names.push_back(entry.name); });
    return NamesText(names);
}

std::string NameList(const PluginSettings& settings) {
    std::vector<std::string_view> words;
    for (const SwitchWord& kind : kSwitchWords) words.push_back(kind.word);
    return fmt::format("NAME is one of {}, or a statistic: {}", fmt::join(words, ", "),
                       StatisticNames(settings));
}

// The one line of a bad input: what was wrong, then everything the command accepts.
std::string BadInputLine(const PluginSettings& settings, std::string_view command,
                         std::string_view wrong) {
    std::string accepted;
    if (command == "cloak_set") {
        accepted = fmt::format("cloak_set NAME {}; {}", kOnOff, NameList(settings));
    } else if (command == "cloak_toggle") {
        accepted = fmt::format("cloak_toggle (pause or resume), or cloak_toggle NAME; {}",
                               NameList(settings));
    } else {
        accepted = fmt::format("{}, with no more words", command);
    }
    return fmt::format("{}: {}; nothing changed. Accepted: {}", command, wrong, accepted);
}

std::string OnOff(bool on) {
    return on ? "on" : "off";
}

std::string TargetLine(const Target& target) {
    if (target.kind != nullptr) {
        return fmt::format("{}: {} - {}", target.name, OnOff(target.bound->get()),
                           target.kind->what);
    }
    return fmt::format("{}: {} - {} on the scoreboard (needs scoreboard and stats on)", target.name,
                       OnOff(target.bound->get()),
                       target.bound->get() ? "the statistic reads 0" : "the statistic shows");
}

// ---- The commands -------------------------------------------------------------------------------

class Commands {
public:
    explicit Commands(CloakMyIdentity& plugin) : plugin_(plugin) {}

    void Status(const std::vector<std::string>& words) {
        if (!NoMoreWords(words, 1)) return;
        for (const SwitchWord& kind : kSwitchWords) {
            LogLine(
                TargetLine(Target{&(plugin_.settings.*kind.field), std::string(kind.word), &kind}));
        }
        std::vector<std::string> hidden;
        std::vector<std::string> shown;
        plugin_.settings.Stats.ForEach([&](const StatTable::Entry& entry, Switch& concealed) {
            (concealed.get() ? hidden : shown).push_back(entry.name);
        });
        LogLine(fmt::format("statistics concealed: {}; shown: {}", NamesText(hidden),
                            NamesText(shown)));
        const LoadOutcome outcome = plugin_.Outcome();
        const std::string advice = OutcomeAdvice(outcome);
        LogLine(fmt::format("CloakMyIdentity: {}{}{}", OutcomeLine(outcome),
                            advice.empty() ? "" : " ", advice));
        LogLine(plugin_.Paused()
                    ? "concealment is PAUSED: nothing new is concealed until cloak_resume"
                    : "concealment is not paused");
    }

    void Pause(const std::vector<std::string>& words, bool pause) {
        if (NoMoreWords(words, 1)) plugin_.PauseConcealment(pause);
    }

    void Toggle(const std::vector<std::string>& words) {
        if (words.size() == 1) {
            plugin_.PauseConcealment(!plugin_.Paused());
            return;
        }
        if (!NoMoreWords(words, 2)) return;
        Change(words, std::nullopt);
    }

    void Set(const std::vector<std::string>& words) {
        if (words.size() < 3) {
            Bad(words, "it needs a NAME and a value");
            return;
        }
        if (!NoMoreWords(words, 3)) return;
        const std::optional<bool> value = ReadValue(words[2]);
        if (!value) {
            Bad(words, fmt::format("\"{}\" is not {}", words[2], kOnOff));
            return;
        }
        Change(words, value);
    }

private:
    // One switch set to `value`, or turned over without one.
    void Change(const std::vector<std::string>& words, std::optional<bool> value) {
        std::optional<Target> target;
        bool changed = false;
        {
            const auto lock = plugin_.settings.Lock();
            target = FindTarget(plugin_.settings, words[1]);
            if (target) {
                const bool on = value.value_or(!target->bound->get());
                changed = on != target->bound->get();
                target->bound->set(on);
            }
        }
        if (!target) {
            Bad(words, fmt::format("unknown NAME \"{}\"", words[1]));
            return;
        }
        if (changed) plugin_.SwitchChanged(*target->bound);
        LogLine(TargetLine(*target));
    }

    bool NoMoreWords(const std::vector<std::string>& words, std::size_t most) {
        if (words.size() <= most) return true;
        Bad(words, fmt::format("unexpected \"{}\"", words[most]));
        return false;
    }

    void Bad(const std::vector<std::string>& words, std::string_view wrong) {
        LogLine(BadInputLine(plugin_.settings, words.front(), wrong));
    }

    CloakMyIdentity& plugin_;
};

}  // namespace

// ---- RegisterConsoleCommands, PauseConcealment --------------------------------------------------

void CloakMyIdentity::RegisterConsoleCommands() {
    using Run = void (*)(Commands&, const std::vector<std::string>&);
    struct Registration {
        const char* name;
        const char* description;
        Run run;
    };
    static constexpr std::array<Registration, 5> kCommands{{
        {"cloak_status", "CloakMyIdentity: what is concealed, whether the load hooked, the pause",
         [](Commands& c, const std::vector<std::string>& w) { c.Status(w); }},
        {"cloak_pause", "CloakMyIdentity: conceal nothing new until cloak_resume (not saved)",
         [](Commands& c, const std::vector<std::string>& w) { c.Pause(w, true); }},
        {"cloak_resume", "CloakMyIdentity: conceal again after cloak_pause",
         [](Commands& c, const std::vector<std::string>& w) { c.Pause(w, false); }},
        {"cloak_toggle",
         "CloakMyIdentity: pause or resume; cloak_toggle NAME turns one concealment over",
         [](Commands& c, const std::vector<std::string>& w) { c.Toggle(w); }},
        {"cloak_set", "CloakMyIdentity: cloak_set NAME on|off, one concealment",
         [](Commands& c, const std::vector<std::string>& w) { c.Set(w); }},
    }};
    for (const Registration& command : kCommands) {
        // The notifier holds the object as the hooks do: a command the host runs after the
        // object is gone does nothing.
        cvarManager->registerNotifier(
            command.name,
            Guarded(command.name,
                    [target = HookTarget(), run = command.run](std::vector<std::string> words) {
                        const std::shared_ptr<CloakMyIdentity*> alive = target.lock();
                        if (!alive || words.empty()) return;
                        Commands commands(**alive);
                        run(commands, words);
                    }),
            command.description, PERMISSION_ALL);
    }
}

void CloakMyIdentity::PauseConcealment(bool pause) {
    paused_.set(pause);
    if (pause) {
        LogLine(
            "Concealment paused: nothing new is concealed until cloak_resume; what is concealed "
            "stays concealed");
        gameWrapper->Toast("CloakMyIdentity", "Concealment paused", "default", 3.5f,
                           ToastType_Warning);
        return;
    }
    // Requests that arrived during the pause are still queued in the game.
    if (settings.bHideFriendRequests.get()) QueueFriendRequestFollow();
    const LoadOutcome outcome = Outcome();
    if (Hooked(outcome)) {
        LogLine("Concealing again");
        gameWrapper->Toast("CloakMyIdentity", "Concealing again", "default", 3.5f, ToastType_OK);
        return;
    }
    // A resume must never look like concealment when the load could not hook.
    LogLine(fmt::format("Concealment resumed, but CloakMyIdentity is {} {}", OutcomeLine(outcome),
                        OutcomeAdvice(outcome)));
    gameWrapper->Toast("CloakMyIdentity", "NOT concealing: see the console", "default", 3.5f,
                       ToastType_Error);
}

}  // namespace cloak

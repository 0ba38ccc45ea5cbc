// Console commands: what a streamer binds to a key with the host's `bind KEY "command"`, to hide
// everything at once or ask what is hidden without opening a menu on stream.
//
// The host runs console input on the game thread, where the handlers read the switches; the
// settings page edits them on the drawing thread. A command's change holds the record's lock
// (PluginSettings::Lock) as a click does, and is saved and followed up as a click is.
//
// The kinds of information a NAME names are kConcealmentKinds (plugin/load_outcome.hpp).
//
// Index
//   Reading the words typed
//   Lines
//   The commands
//   RegisterConsoleCommands, PauseConcealment, AnnounceResume
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

// ---- Reading the words typed --------------------------------------------------------------------

constexpr std::string_view kOnOff = "on|off (or 1|0, true|false)";

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
    std::string name;                       // as the status shows it
    const ConcealmentKind* kind = nullptr;  // null for a statistic
};

// Words are matched in any letter case; a statistic by its exact name first, then by the one
// name that matches in another case. Call with the record's lock held: the statistic's switch
// stays where it is for the life of the table, and tables are replaced only by a load, which
// runs on the game thread as commands do.
std::optional<Target> FindTarget(PluginSettings& settings, std::string_view typed) {
    for (const ConcealmentKind& kind : kConcealmentKinds) {
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

// A word the user typed, as a line quotes it: at most 40 characters, cut between two of them so
// that the line stays valid UTF-8. A word of a megabyte must not make a line of a megabyte.
std::string Quoted(std::string_view word) {
    constexpr std::size_t kMostQuoted = 40;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(word[i]) & 0xC0) != 0x80;
        if (startsCharacter && characters++ == kMostQuoted) {
            return fmt::format("\"{}...\"", word.substr(0, i));
        }
    }
    return fmt::format("\"{}\"", word);
}

std::string StatisticNames(const PluginSettings& settings) {
    std::vector<std::string> names;
    settings.Stats.ForEach(
        [&](const StatTable::Entry& entry, Switch&) { names.push_back(entry.name); });
    return ListText(names);
}

std::string NameList(const PluginSettings& settings) {
    std::vector<std::string_view> words;
    for (const ConcealmentKind& kind : kConcealmentKinds) words.push_back(kind.word);
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

// A kind's switch and what it means now: what it conceals, or what shows.
std::string KindLine(const ConcealmentKind& kind, const PluginSettings& settings) {
    if (!(settings.*kind.field).get()) return fmt::format("{}: off - {}", kind.word, kind.shown);
    if (!InEffect(kind, settings)) {
        return fmt::format("{}: on, but not in effect: scoreboard is off - {}", kind.word,
                           kind.shown);
    }
    return fmt::format("{}: on - {}", kind.word, kind.what);
}

std::string TargetLine(const PluginSettings& settings, const Target& target) {
    if (target.kind != nullptr) return KindLine(*target.kind, settings);
    return fmt::format("{}: {} - {} on the scoreboard (needs scoreboard and stats on)", target.name,
                       OnOff(target.bound->get()),
                       target.bound->get() ? "the statistic reads 0" : "the statistic shows");
}

// ---- The commands -------------------------------------------------------------------------------

class Commands {
public:
    explicit Commands(CloakMyIdentity& plugin) : plugin_(plugin) {}

    // The answer first - PAUSED, or whether the load conceals and what shows - then each kind.
    void Status(const std::vector<std::string>& words) {
        if (!NoMoreWords(words, 1)) return;
        for (const std::string& line : plugin_.Report(Occasion::Status).lines) {
            LogLine(fmt::format("CloakMyIdentity: {}", line));
        }
        for (const ConcealmentKind& kind : kConcealmentKinds) {
            LogLine(KindLine(kind, plugin_.settings));
        }
        std::vector<std::string> hidden;
        std::vector<std::string> shown;
        plugin_.settings.Stats.ForEach([&](const StatTable::Entry& entry, Switch& concealed) {
            (concealed.get() ? hidden : shown).push_back(entry.name);
        });
        LogLine(
            fmt::format("statistics concealed: {}; shown: {}", ListText(hidden), ListText(shown)));
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
            Bad(words, fmt::format("{} is not {}", Quoted(words[2]), kOnOff));
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
            Bad(words, fmt::format("unknown NAME {}", Quoted(words[1])));
            return;
        }
        if (changed) plugin_.SwitchChanged(*target->bound);
        LogLine(TargetLine(plugin_.settings, *target));
    }

    bool NoMoreWords(const std::vector<std::string>& words, std::size_t most) {
        if (words.size() <= most) return true;
        Bad(words, fmt::format("unexpected {}", Quoted(words[most])));
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
        ShowToast(*gameWrapper, Report(Occasion::Pause).toast);
        return;
    }
    // What the game showed meanwhile is concealed before the resume is announced, and only the
    // game thread may touch the game (the page's button runs on the drawing thread).
    gameWrapper->Execute(Guarded("the resume", [target = HookTarget()](GameWrapper* game) {
        if (const auto plugin = target.lock()) (*plugin)->AnnounceResume(game);
    }));
}

void CloakMyIdentity::AnnounceResume(GameWrapper* game) {
    // Paused again before this ran: that pause has said so.
    if (Paused()) return;
    // Requests that arrived during the pause are still queued in the game.
    if (settings.bHideFriendRequests.get()) FollowFriendRequestSwitch(game);
    const LoadOutcome outcome = Outcome();
    if (Hooked(outcome)) ConcealWhatIsShown();
    const ConcealmentReport report = Report(Occasion::Resume);
    // A resume must never look like concealment when the load could not hook, nor like all of
    // it while something shows.
    LogLine(Hooked(outcome) ? report.lines.front()
                            : fmt::format("Concealment resumed, but CloakMyIdentity is {} {}",
                                          OutcomeLine(outcome), OutcomeAdvice(outcome)));
    ShowToast(*gameWrapper, report.toast);
}

}  // namespace cloak

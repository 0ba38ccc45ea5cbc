// Reading a match script.
#include "sim/game/match_script.hpp"

#include <fmt/format.h>

#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "sim/game/game_format.hpp"
#include "sim/game/utf8.hpp"

namespace emu {

using nlohmann::json;

namespace {

// ---- FieldReader --------------------------------------------------------------------------------

// Reads the fields of one JSON object. Every field read is remembered, so that Finish can
// reject a field the event does not have (a misspelt field would otherwise be ignored).
class FieldReader {
public:
    FieldReader(const json& object, std::string context) : object_(object), context_(context) {}

    [[noreturn]] void Fail(std::string_view field, std::string_view problem) const {
        throw MatchScriptError(fmt::format("{}, field \"{}\": {}", context_, field, problem));
    }

    bool Has(const char* field) {
        known_.insert(field);
        return object_.contains(field);
    }

    const json& Required(const char* field) {
        if (!Has(field)) Fail(field, "missing");
        return object_.at(field);
    }

    std::string String(const char* field) {
        const json& value = Required(field);
        if (!value.is_string()) Fail(field, "must be a text");
        return value.get<std::string>();
    }

    std::u16string Text(const char* field) {
        try {
            return Utf16FromUtf8(String(field));
        } catch (const InvalidUtf8& error) {
            Fail(field, error.what());
        }
    }

    // A text the game keeps as a name: narrowed to one unit per byte, it must fit a name entry
    // with its terminating zero, and a zero inside would cut it short.
    std::string NameText(const char* field) {
        std::string text = String(field);
        if (text.size() >= kNameTextCapacity) {
            Fail(field,
                 fmt::format("must be at most {} bytes long (a game name)", kNameTextCapacity - 1));
        }
        if (text.find('\0') != std::string::npos) Fail(field, "must not contain a zero character");
        return text;
    }

    std::optional<std::u16string> OptionalText(const char* field) {
        if (!Has(field)) return std::nullopt;
        return Text(field);
    }

    template <class Integer>
    Integer Number(const char* field, Integer min = std::numeric_limits<Integer>::min(),
                   Integer max = std::numeric_limits<Integer>::max()) {
        return NumberOf<Integer>(Required(field), field, min, max);
    }

    template <class Integer>
    Integer NumberOf(const json& value, std::string_view field, Integer min, Integer max) const {
        const bool whole = value.is_number_integer() || value.is_number_unsigned();
        if (!whole) Fail(field, "must be a whole number");
        bool inRange = false;
        if (value.is_number_unsigned()) {
            inRange = value.get<std::uint64_t>() <= static_cast<std::uint64_t>(max);
        } else {
            const auto signedValue = value.get<std::int64_t>();
            inRange = signedValue >= static_cast<std::int64_t>(min) &&
                      (signedValue < 0 ||
                       static_cast<std::uint64_t>(signedValue) <= static_cast<std::uint64_t>(max));
        }
        if (!inRange) Fail(field, fmt::format("must lie between {} and {}", min, max));
        return value.get<Integer>();
    }

    bool Flag(const char* field, bool fallback) {
        if (!Has(field)) return fallback;
        const json& value = object_.at(field);
        if (!value.is_boolean()) Fail(field, "must be true or false");
        return value.get<bool>();
    }

    // Two lists of 32-bit integers, one per loadout.
    std::array<std::vector<std::int32_t>, 2> TwoLists(const char* field) {
        const json& value = Required(field);
        if (!value.is_array() || value.size() != 2) Fail(field, "must be a list of two lists");
        std::array<std::vector<std::int32_t>, 2> lists;
        for (std::size_t i = 0; i < 2; ++i) {
            if (!value[i].is_array()) Fail(field, "must be a list of two lists");
            for (const json& element : value[i]) {
                lists[i].push_back(
                    NumberOf<std::int32_t>(element, field, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max()));
            }
        }
        return lists;
    }

    void Finish() const {
        for (const auto& [field, value] : object_.items()) {
            if (!known_.contains(field)) Fail(field, "unknown field");
        }
    }

    const std::string& Context() const { return context_; }

private:
    const json& object_;
    std::string context_;
    std::set<std::string, std::less<>> known_;
};

// ---- Event readers ------------------------------------------------------------------------------

// Which players are in the current match, so that an event about an unknown player is caught
// before anything is played.
class Roster {
public:
    void Join(FieldReader& fields, const std::string& player, bool local) {
        if (player.empty()) fields.Fail("player", "must not be empty");
        if (present_.contains(player))
            fields.Fail("player", "\"" + player + "\" has joined already");
        if (local && !local_.empty()) fields.Fail("local", "the match has a local player already");
        present_.insert(player);
        if (local) local_ = player;
    }
    bool IsLocal(const std::string& player) const { return player == local_; }
    std::string Known(FieldReader& fields) {
        std::string player = fields.String("player");
        if (!present_.contains(player)) fields.Fail("player", "\"" + player + "\" has not joined");
        return player;
    }
    void EndMatch() {
        present_.clear();
        local_.clear();
    }

private:
    std::set<std::string> present_;
    std::string local_;  // empty while the match has no local player
};

constexpr std::int32_t kLastTeam = 1;
constexpr std::int32_t kLongestWait = 3600;  // seconds

// What may come before the game reaches its main menu: nothing of the game's own.
bool PlaysWhileLoading(const MatchEvent& event) {
    return std::holds_alternative<LoadPluginEvent>(event) ||
           std::holds_alternative<WaitEvent>(event);
}

MatchEvent ReadJoin(FieldReader& fields, Roster& roster) {
    JoinEvent join;
    join.player = fields.String("player");
    join.local = fields.Flag("local", false);
    if (join.local) {
        if (fields.Has("name")) fields.Fail("name", "the local player's name is \"localName\"");
    } else {
        join.name = fields.Text("name");
    }
    join.team = fields.Number<std::int32_t>("team", 0, kLastTeam);
    if (fields.Has("clubId")) join.clubId = fields.Number<std::uint64_t>("clubId");
    join.title = fields.OptionalText("title");
    roster.Join(fields, join.player, join.local);
    return join;
}

MatchEvent ReadEvent(FieldReader& fields, const std::string& kind, Roster& roster) {
    if (kind == "join") return ReadJoin(fields, roster);
    if (kind == "rename") {
        std::string player = roster.Known(fields);
        if (roster.IsLocal(player))
            fields.Fail("player", "the local player's name is \"localName\"");
        return RenameEvent{player, fields.Text("name")};
    }
    if (kind == "club")
        return ClubEvent{roster.Known(fields), fields.Number<std::uint64_t>("clubId")};
    if (kind == "replicate") {
        std::string player = roster.Known(fields);
        return ReplicateEvent{player, fields.NameText("variable")};
    }
    if (kind == "title") return TitleEvent{roster.Known(fields), fields.Text("title")};
    if (kind == "stat") {
        std::string player = roster.Known(fields);
        std::string stat = fields.NameText("stat");
        return StatEvent{player, stat, fields.Number<std::int32_t>("value")};
    }
    if (kind == "loadout") {
        std::string player = roster.Known(fields);
        auto products = fields.TwoLists("products");
        return LoadoutEvent{player, products, fields.TwoLists("onlineData")};
    }
    if (kind == "teamName") {
        const auto team = fields.Number<std::int32_t>("team", 0, kLastTeam);
        return TeamNameEvent{team, fields.Text("name")};
    }
    if (kind == "vote") return VoteEvent{};
    if (kind == "menuRank") return MenuRankEvent{fields.Number<std::int32_t>("playlist")};
    if (kind == "seasonReward") return SeasonRewardEvent{fields.Number<std::int32_t>("level")};
    if (kind == "recentsChanged") return RecentsChangedEvent{fields.Number<std::int32_t>("max", 0)};
    if (kind == "downloadRecents") {
        return DownloadRecentsEvent{fields.Number<std::int32_t>("max", 0)};
    }
    if (kind == "notification") {
        const std::string notificationKind = fields.String("kind");
        if (notificationKind != "friendRequest" && notificationKind != "other") {
            fields.Fail("kind", "must be \"friendRequest\" or \"other\"");
        }
        return NotificationEvent{notificationKind == "friendRequest", fields.Text("from")};
    }
    if (kind == "rpc") return RpcEvent{};
    if (kind == "freePlay") {
        roster.EndMatch();  // entering or leaving free play ends what was played before
        return FreePlayEvent{fields.Flag("on", true)};
    }
    if (kind == "endMatch") {
        roster.EndMatch();
        return EndMatchEvent{};
    }
    if (kind == "console") return ConsoleEvent{fields.String("command")};
    if (kind == "loadPlugin") return LoadPluginEvent{};
    if (kind == "mainMenu") return MainMenuEvent{};
    if (kind == "wait") return WaitEvent{fields.Number<std::int32_t>("seconds", 0, kLongestWait)};
    fields.Fail("event", "unknown kind \"" + kind + "\"");
}

}  // namespace

// ---- ParseMatchScript ---------------------------------------------------------------------------

MatchScript ParseMatchScript(std::string_view text) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& error) {
        // Syntax errors, and numbers beyond what the reader can hold (1e400).
        throw MatchScriptError(fmt::format("not valid JSON: {}", error.what()));
    }
    if (!document.is_object()) throw MatchScriptError("the script must be a JSON object");

    FieldReader top(document, "the script");
    MatchScript script;
    script.localName = top.Text("localName");
    const json& events = top.Required("events");
    if (!events.is_array()) top.Fail("events", "must be a list of events");
    top.Finish();

    Roster roster;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const json& event = events[i];
        const std::string position = fmt::format("event {}", i + 1);
        if (!event.is_object()) throw MatchScriptError(position + ": must be a JSON object");
        FieldReader fields(event, position);
        const std::string kind = fields.String("event");
        FieldReader named(event, fmt::format("{} (\"{}\")", position, kind));
        named.Has("event");
        script.events.push_back(ReadEvent(named, kind, roster));
        named.Finish();
        if (std::holds_alternative<LoadPluginEvent>(script.events.back())) {
            if (script.loadsPlugin) named.Fail("event", "the plugin is loaded already");
            script.loadsPlugin = true;
        } else if (std::holds_alternative<MainMenuEvent>(script.events.back())) {
            if (script.startsLoading) named.Fail("event", "the game is at its main menu already");
            script.startsLoading = true;
        }
    }
    // Only now is it known whether the game starts loading: then the events before its main
    // menu must be ones a loading game can play.
    for (std::size_t i = 0; script.startsLoading && i < events.size(); ++i) {
        if (std::holds_alternative<MainMenuEvent>(script.events[i])) break;
        if (!PlaysWhileLoading(script.events[i])) {
            throw MatchScriptError(fmt::format(
                "event {} (\"{}\"): the game is still loading until its \"mainMenu\" event", i + 1,
                events[i].at("event").get<std::string>()));
        }
    }
    return script;
}

}  // namespace emu

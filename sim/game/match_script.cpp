// Reading a match script.
//
// Index
//   Text conversion - UTF-8 <-> UTF-16
//   FieldReader     - typed access to one event's fields, with errors naming event and field
//   Event readers   - one per kind of event
//   ParseMatchScript
#include "sim/game/match_script.hpp"

#include <fmt/format.h>

#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

namespace sim::game {

using nlohmann::json;

// ---- Text conversion ----------------------------------------------------------------------------

std::u16string Utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) throw MatchScriptError("invalid UTF-8 text");
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) throw MatchScriptError("invalid UTF-8 text");
            code = (code << 6) | (next & 0x3F);
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        const bool pair = code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
        if (pair) code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (code >= 0xD800 && code < 0xE000) code = 0xFFFD;  // a lone surrogate
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

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

    std::u16string Text(const char* field) { return Utf16FromUtf8(String(field)); }

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
    if (kind == "replicate") return ReplicateEvent{roster.Known(fields), fields.String("variable")};
    if (kind == "title") return TitleEvent{roster.Known(fields), fields.Text("title")};
    if (kind == "stat") {
        std::string player = roster.Known(fields);
        std::string stat = fields.String("stat");
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
    fields.Fail("event", "unknown kind \"" + kind + "\"");
}

}  // namespace

// ---- ParseMatchScript ---------------------------------------------------------------------------

MatchScript ParseMatchScript(std::string_view text) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& error) {
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
    }
    return script;
}

}  // namespace sim::game

// The demo's table.
#include "sim/demo/screens_table.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "sim/game/utf8.hpp"

namespace demo {

namespace {

using emu::PlayerScreen;
using emu::Screens;
using emu::Utf8FromUtf16;

// ---- Table --------------------------------------------------------------------------------------

// Columns are measured in code points, which is how wide a terminal draws these texts.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

class Table {
public:
    void Section(std::string title) { rows_.push_back({std::move(title), {}, {}, true}); }
    void Row(std::string label, std::string without, std::string with) {
        rows_.push_back({"  " + std::move(label), std::move(without), std::move(with), false});
    }

    std::string Render() const {
        std::size_t labelWidth = 0;
        std::size_t leftWidth = Width(kWithout);
        for (const Line& line : rows_) {
            if (line.section) continue;
            labelWidth = std::max(labelWidth, Width(line.label));
            leftWidth = std::max(leftWidth, Width(line.without));
        }
        std::string out = Format(' ', "", labelWidth, kWithout, leftWidth, kWith);
        for (const Line& line : rows_) {
            if (line.section) {
                out += "\n" + line.label + "\n";
                continue;
            }
            const char mark = line.without == line.with ? ' ' : '*';
            out += Format(mark, line.label, labelWidth, line.without, leftWidth, line.with);
        }
        return out + "\n* the plugin changed what this screen shows\n";
    }

private:
    static constexpr const char* kWithout = "WITHOUT the plugin";
    static constexpr const char* kWith = "WITH the plugin";

    struct Line {
        std::string label;
        std::string without;
        std::string with;
        bool section;
    };

    static std::string Format(char mark, const std::string& label, std::size_t labelWidth,
                              const std::string& without, std::size_t leftWidth,
                              const std::string& with) {
        return fmt::format("{}{}{}   {}{}   {}\n", mark, label,
                           std::string(labelWidth - Width(label), ' '), without,
                           std::string(leftWidth - Width(without), ' '), with);
    }

    std::vector<Line> rows_;
};

// ---- Cell texts ---------------------------------------------------------------------------------

std::string Numbers(const std::vector<std::int32_t>& values) {
    return values.empty() ? "-" : fmt::format("{}", fmt::join(values, " "));
}

std::string Text(const std::u16string& text) {
    return text.empty() ? "-" : Utf8FromUtf16(text);
}

std::string YesNo(bool value, const char* yes, const char* no) {
    return value ? yes : no;
}

// ---- ScreensTable -------------------------------------------------------------------------------

// One cell of a player's row; a player missing from one column reads as empty.
template <class Read>
void PlayerRow(Table& table, std::string label, const PlayerScreen* without,
               const PlayerScreen* with, Read read) {
    table.Row(std::move(label), without != nullptr ? read(*without) : "",
              with != nullptr ? read(*with) : "");
}

std::optional<std::int32_t> StatOf(const PlayerScreen& player, const std::string& name) {
    for (const auto& [stat, value] : player.stats) {
        if (stat == name) return value;
    }
    return std::nullopt;
}

void PlayerRows(Table& table, std::size_t position, const PlayerScreen* without,
                const PlayerScreen* with) {
    const PlayerScreen& any = without != nullptr ? *without : *with;
    table.Section(
        fmt::format("Scoreboard row {}{}", position + 1, any.local ? " - the local player" : ""));
    PlayerRow(table, "name", without, with, [](const PlayerScreen& p) { return Text(p.name); });
    PlayerRow(table, "title", without, with, [](const PlayerScreen& p) { return Text(p.title); });
    PlayerRow(table, "club id", without, with,
              [](const PlayerScreen& p) { return fmt::format("{}", p.clubId); });
    for (const auto& [name, value] : any.stats) {
        PlayerRow(table, name, without, with, [&name](const PlayerScreen& p) {
            const std::optional<std::int32_t> shown = StatOf(p, name);
            return shown ? fmt::format("{}", *shown) : std::string("-");
        });
    }
    for (std::size_t loadout = 0; loadout < 2; ++loadout) {
        PlayerRow(table, fmt::format("car {} products", loadout), without, with,
                  [loadout](const PlayerScreen& p) { return Numbers(p.loadouts[loadout]); });
        PlayerRow(table, fmt::format("car {} online data", loadout), without, with,
                  [loadout](const PlayerScreen& p) { return Numbers(p.onlineData[loadout]); });
    }
}

}  // namespace

std::string ScreensTable(const Screens& without, const Screens& with) {
    Table table;
    const std::size_t players = std::max(without.players.size(), with.players.size());
    for (std::size_t i = 0; i < players; ++i) {
        PlayerRows(table, i, i < without.players.size() ? &without.players[i] : nullptr,
                   i < with.players.size() ? &with.players[i] : nullptr);
    }
    if (players == 0) table.Section("Scoreboard: no match is being played");

    table.Section("Teams");
    for (std::size_t team = 0; team < 2; ++team) {
        table.Row(fmt::format("team {}", team), Text(without.teams[team]), Text(with.teams[team]));
    }
    table.Section("Menus");
    table.Row("menu rank", YesNo(without.menuRankShown, "shown", "not shown"),
              YesNo(with.menuRankShown, "shown", "not shown"));
    table.Row("season reward level", fmt::format("{}", without.seasonRewardLevel),
              fmt::format("{}", with.seasonRewardLevel));
    table.Row("vote-to-forfeit prompt", YesNo(without.voteToForfeitOffered, "offered", "none"),
              YesNo(with.voteToForfeitOffered, "offered", "none"));
    table.Section("Friends and notifications");
    table.Row("recent players limit", fmt::format("{}", without.maxRecentPlayers),
              fmt::format("{}", with.maxRecentPlayers));
    table.Row("pending notifications", fmt::format("{}", without.pendingNotifications),
              fmt::format("{}", with.pendingNotifications));
    table.Row("friend requests shown", fmt::format("{}", without.friendRequestsShown),
              fmt::format("{}", with.friendRequestsShown));
    return table.Render();
}

}  // namespace demo

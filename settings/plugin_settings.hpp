// The settings record.
//
// The settings page writes switches on the host's drawing thread while the hook handlers read
// them on the game thread, and the scoreboard handler adds statistics while the page walks them.
// Switches are atomic bytes; the statistic table holds one lock for every insertion, every walk
// and the replacement by a load.
#pragma once

#include <atomic>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace cloak {

class Switch {
public:
    constexpr Switch(bool on = true) noexcept : on_(on) {}
    Switch(const Switch& other) noexcept : on_(other.get()) {}
    Switch& operator=(const Switch& other) noexcept {
        set(other.get());
        return *this;
    }
    bool get() const noexcept { return on_.load(std::memory_order_relaxed); }
    void set(bool on) noexcept { on_.store(on, std::memory_order_relaxed); }
    explicit operator bool() const noexcept { return get(); }

private:
    std::atomic<bool> on_;
};
static_assert(sizeof(Switch) == 1, "a switch is one byte");
static_assert(std::atomic<bool>::is_always_lock_free);

class StatTable {
public:
    struct Entry {
        std::string name;
        Switch concealed;
    };

    StatTable() = default;
    StatTable(std::initializer_list<std::pair<std::string_view, bool>> entries);
    StatTable(const StatTable& other);
    StatTable& operator=(const StatTable& other);

    // The switch of a statistic; a name met for the first time is added at the end, unticked.
    // Names are kept as valid UTF-8 (what the settings file can hold): invalid bytes become
    // U+FFFD, here and in every other way an entry is made.
    // The returned reference stays valid for the table's life (entries are never moved).
    Switch& FindOrAdd(std::string_view name);

    // Walks the entries in insertion order under the table's lock: fn(const Entry&, Switch&).
    // The lock is recursive, so fn may copy the table or save the settings; the scoreboard
    // handler waits for the whole walk, so a walk must never wait for the disk.
    template <typename Fn>
    void ForEach(Fn&& fn) const {
        std::lock_guard lock(mutex_);
        for (Entry& entry : entries_) fn(std::as_const(entry), entry.concealed);
    }

    std::size_t size() const;

    // Holds the table's lock while a save copies the whole record. A save never asks for this
    // lock while it holds its own file lock, so a save inside a walk cannot deadlock with
    // another save.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> Lock() const {
        return std::unique_lock(mutex_);
    }

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept {
            return std::hash<std::string_view>{}(name);
        }
    };
    void Append(std::string_view name, bool concealed);

    mutable std::recursive_mutex mutex_;
    mutable std::deque<Entry> entries_;
    std::unordered_map<std::string, Switch*, NameHash, std::equal_to<>> index_;
};

struct PluginSettings {
    Switch bShowMenuRankInfo = true;
    Switch bShowMenuSeasonRank = true;
    Switch bShowVoteToForfeit = true;
    Switch bHideScoreboardInfo = true;
    Switch bHideTeamNames = true;
    Switch bHideFriendRequests = true;
    Switch bDefaultLoadouts = true;
    Switch bHideRecents = true;
    Switch bShowTitles = true;
    Switch bShowClubs = true;
    Switch bShowNames = true;
    Switch bShowScores = true;
    StatTable Stats{{"MatchScore", true},
                    {"MatchGoals", true},
                    {"MatchDemolishes", true},
                    {"MatchSaves", true},
                    {"MatchShots", true}};

    // The lock a user's change holds, on the page (drawing thread) or from a console command
    // (game thread), so that one change - reading a switch, writing it - is never interleaved
    // with another. It is the statistics table's lock: the page already holds it while it draws
    // and edits the statistics, and it is recursive.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> Lock() const { return Stats.Lock(); }
};

// Turns every switch and every statistic on, whatever the record held: what a load that cannot
// even handle its own failure leaves. Allocates nothing, so it works when memory has run out.
void ConcealEverything(PluginSettings& settings) noexcept;

void to_json(nlohmann::json& j, const PluginSettings& settings);
void from_json(const nlohmann::json& j, PluginSettings& settings);

// The settings file inside the plugin's settings folder.
inline constexpr const char* kSettingsFileName = "settings.json";

}  // namespace cloak

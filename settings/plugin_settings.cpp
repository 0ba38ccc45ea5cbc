// The settings record: the statistic table and the JSON conversion.
#include "settings/plugin_settings.hpp"

#include <map>

#include "plugin/shared_console.hpp"

namespace cloak {

StatTable::StatTable(std::initializer_list<std::pair<std::string_view, bool>> entries) {
    for (const auto& [name, concealed] : entries) Append(name, concealed);
}

StatTable::StatTable(const StatTable& other) {
    *this = other;
}

StatTable& StatTable::operator=(const StatTable& other) {
    if (this == &other) return *this;
    StatTable copy;
    other.ForEach(
        [&](const Entry& entry, Switch& concealed) { copy.Append(entry.name, concealed.get()); });
    std::scoped_lock lock(mutex_);
    entries_.swap(copy.entries_);
    index_.swap(copy.index_);
    return *this;
}

Switch& StatTable::FindOrAdd(std::string_view name) {
    std::lock_guard lock(mutex_);
    if (auto found = index_.find(name); found != index_.end()) return *found->second;
    // A name that is not valid UTF-8 is known by its repaired form (see Append).
    if (auto found = index_.find(ValidUtf8(name)); found != index_.end()) return *found->second;
    Append(name, false);
    return entries_.back().concealed;
}

std::size_t StatTable::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

// Names are kept as valid UTF-8: the game reports them as bytes, and the settings file (JSON)
// cannot hold anything else, so one bad name would make every later save fail.
// Names that repair to the same text are one statistic.
void StatTable::Append(std::string_view name, bool concealed) {
    std::string stored = ValidUtf8(name);
    if (index_.contains(stored)) return;
    Entry& entry = entries_.emplace_back(Entry{std::move(stored), Switch(concealed)});
    index_.emplace(entry.name, &entry.concealed);
}

// The twelve switches in field order, with their keys: the order both conversions walk.
#define CLOAK_SETTINGS_SWITCHES(X) \
    X(bShowMenuRankInfo)           \
    X(bShowMenuSeasonRank)         \
    X(bShowVoteToForfeit)          \
    X(bHideScoreboardInfo)         \
    X(bHideTeamNames)              \
    X(bHideFriendRequests)         \
    X(bDefaultLoadouts)            \
    X(bHideRecents)                \
    X(bShowTitles)                 \
    X(bShowClubs)                  \
    X(bShowNames)                  \
    X(bShowScores)

void ConcealEverything(PluginSettings& settings) noexcept {
#define CLOAK_SET_SWITCH(field) settings.field.set(true);
    CLOAK_SETTINGS_SWITCHES(CLOAK_SET_SWITCH)
#undef CLOAK_SET_SWITCH
    settings.Stats.ForEach([](const StatTable::Entry&, Switch& concealed) { concealed.set(true); });
}

void to_json(nlohmann::json& j, const PluginSettings& settings) {
    j = nlohmann::json::object();
#define CLOAK_WRITE_SWITCH(field) j[#field] = settings.field.get();
    CLOAK_SETTINGS_SWITCHES(CLOAK_WRITE_SWITCH)
#undef CLOAK_WRITE_SWITCH
    nlohmann::json stats = nlohmann::json::object();
    settings.Stats.ForEach([&](const StatTable::Entry& entry, Switch& concealed) {
        stats[entry.name] = concealed.get();
    });
    j["Stats"] = std::move(stats);
}

// A member that is missing keeps the value the record has (a file from before a switch existed);
// a member of the wrong type, or anything but an object, raises the library's type error.
void from_json(const nlohmann::json& j, PluginSettings& settings) {
    const auto members = j.get<nlohmann::json::object_t>();
    const auto member = [&members](const char* key) {
        const auto found = members.find(key);
        return found == members.end() ? nullptr : &found->second;
    };
#define CLOAK_READ_SWITCH(field) \
    if (const nlohmann::json* value = member(#field)) settings.field.set(value->get<bool>());
    CLOAK_SETTINGS_SWITCHES(CLOAK_READ_SWITCH)
#undef CLOAK_READ_SWITCH
    const nlohmann::json* stats = member("Stats");
    if (stats == nullptr) return;
    // A std::map reads the object in its own (ascending byte) order and checks every member.
    StatTable table;
    for (const auto& [name, concealed] : stats->get<std::map<std::string, bool>>()) {
        table.FindOrAdd(name).set(concealed);
    }
    settings.Stats = table;
}

}  // namespace cloak

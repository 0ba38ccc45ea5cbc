// The settings page, drawn by Dear ImGui on the host's drawing thread.
//
// Every checkbox edits the plugin's record in place and saves it at once. The page owns no data:
// each frame draws the record as it is, including statistics the scoreboard has added since.
#include <fmt/format.h>

#include <string>

#include "plugin/cloak_my_identity.hpp"
#include "settings/drawing.hpp"
#include "settings/imgui_calls.hpp"

namespace cloak {

namespace {

constexpr float kIndentWidth = 24.0f;

// What says that nothing, or nothing new, is concealed.
ImVec4 WarningColour() {
    return {1.0f, 0.4f, 0.3f, 1.0f};
}

// Draws one checkbox for a switch. The game thread reads the switch at any time, so the checkbox
// edits a local copy that is stored back in one step when the click changed it. Returns true
// when the click changed it.
// The store holds the record's lock, which a console command holds while it reads and writes a
// switch, so a click never lands in the middle of a command's change.
bool DrawCheckbox(const PluginSettings& record, const char* label, Switch& bound) {
    bool on = bound.get();
    if (!ImGui::Checkbox(label, &on)) return false;
    const auto lock = record.Lock();
    bound.set(on);
    return true;
}

// A checkbox whose change is saved at once.
void DrawSwitch(CloakMyIdentity& plugin, const char* label, Switch& bound) {
    if (DrawCheckbox(plugin.settings, label, bound)) plugin.SwitchChanged(bound);
}

// One checkbox per statistic. The walk holds the statistics lock, which the scoreboard handler
// takes on the game thread, so a click is saved only after the walk has let it go. Each checkbox
// has an identity of its own under the statistic's name: a statistic may be named like a fixed
// row ("Titles" reads "Hide Titles"), and the label must still read as it is.
void DrawStatistics(CloakMyIdentity& plugin) {
    bool changed = false;
    ImGui::PushID("Stats");
    plugin.settings.Stats.ForEach([&](const StatTable::Entry& entry, Switch& concealed) {
        ImGui::PushID(entry.name.c_str());
        changed |=
            DrawCheckbox(plugin.settings, fmt::format("Hide {}", entry.name).c_str(), concealed);
        ImGui::PopID();
    });
    ImGui::PopID();
    if (changed) plugin.SaveChange();
}

// The top of the page while concealment is paused (cloak_pause): the page must not look as if
// it conceals, and one click ends the pause.
void DrawPause(CloakMyIdentity& plugin) {
    if (!plugin.Paused()) return;
    ImGui::TextColored(WarningColour(), "Concealment is PAUSED: nothing new is concealed.");
    if (ImGui::Button("Resume concealing")) plugin.PauseConcealment(false);
    ImGui::Separator();
}

// The foot of the page, as cloak_status says it: PAUSED first while paused; whether the load
// conceals and, if not, why and what to do; what shows. In the warning colour unless everything
// is concealed. The lines wrap at the window's edge: a page narrower than they are would
// otherwise cut off the reason and the advice mid-sentence.
void DrawFoot(const ConcealmentReport& report) {
    ImGui::Separator();
    ImGui::PushTextWrapPos(0.0f);
    for (const std::string& line : report.lines) {
        if (report.ConcealsEverything()) {
            ImGui::TextUnformatted(line.c_str());
        } else {
            ImGui::TextColored(WarningColour(), "%s", line.c_str());
        }
    }
    ImGui::PopTextWrapPos();
}

}  // namespace

std::string SettingsWindowBase::GetSettingsPageName() {
    return "CloakMyIdentity";
}

void SettingsWindowBase::AdoptImGuiContext(std::uintptr_t context) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
}

void CloakMyIdentity::RenderSettings() {
    RunGuarded("RenderSettings", [this] { DrawSettingsPage(); });
}

void CloakMyIdentity::DrawSettingsPage() {
    DrawPause(*this);
    DrawSectionHeader("Rank");
    ImGui::TextUnformatted("These can also be found in Settings/Gameplay!");
    DrawSwitch(*this, "Hide Menu Rank", settings.bShowMenuRankInfo);
    DrawSwitch(*this, "Hide Season Reward Rank (Shows as unranked)", settings.bShowMenuSeasonRank);

    DrawSectionHeader("Forfeits");
    DrawSwitch(*this, "Hide vote to forfeit prompt", settings.bShowVoteToForfeit);

    DrawSectionHeader("FriendsList");
    DrawSwitch(*this, "Hide Recents", settings.bHideRecents);
    DrawSwitch(*this, "Hide Friend Requests", settings.bHideFriendRequests);

    DrawSectionHeader("Scoreboard/Players");
    DrawSwitch(*this, "Hide scoreboard info", settings.bHideScoreboardInfo);
    // Read once after the master checkbox, so begin and end of the greyed block always pair.
    const bool scoreboardGroupOff = !settings.bHideScoreboardInfo.get();
    if (scoreboardGroupOff) BeginDisabledRows();
    ImGui::Indent(kIndentWidth);
    DrawSwitch(*this, "Hide Player Scores", settings.bShowScores);
    if (settings.bShowScores.get()) {
        ImGui::Indent(kIndentWidth);
        DrawStatistics(*this);
        ImGui::Unindent(kIndentWidth);
    }
    DrawSwitch(*this, "Hide Titles", settings.bShowTitles);
    DrawSwitch(*this, "Hide ClubTags", settings.bShowClubs);
    DrawSwitch(*this, "Hide Player Names", settings.bShowNames);
    ImGui::Unindent(kIndentWidth);
    if (scoreboardGroupOff) EndDisabledRows();
    DrawSwitch(*this, "Default Car Loadouts", settings.bDefaultLoadouts);

    DrawSectionHeader("Teams");
    DrawSwitch(*this, "Hide team names", settings.bHideTeamNames);

    DrawFoot(Report(Occasion::Status));
}

}  // namespace cloak

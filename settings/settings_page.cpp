// The settings page, drawn by Dear ImGui on the host's drawing thread.
//
// Index
//   Rules and headings  - DrawSeparatorLine, DrawSectionHeader
//   Switch checkboxes   - one checkbox bound to one switch, saved at once
//   RenderSettings      - the page's name and context as the host asks, the page top to bottom
//
// Every checkbox edits the plugin's record in place and saves it at once. The page owns no data:
// each frame draws the record as it is, including statistics the scoreboard has added since.
#include "settings/settings_page.hpp"

#include <fmt/format.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <exception>
#include <string>

#include "plugin/cloak_my_identity.hpp"

// ---- Rules and headings ------------------------------------------------------------------------

namespace {

constexpr float kIndentWidth = 24.0f;
constexpr float kHeadingLeadWidth = 10.0f;
constexpr float kRuleThickness = 1.5f;

// The right end of a full-width rule: the window's width past the start, or inside a column
// layout the column's right content edge (item spacing stays free before the next column).
float FullWidthRuleEnd(const ImGuiWindow& window, float x1) {
    if (window.DC.CurrentColumns == nullptr) return x1 + window.Size.x;
    const int column = ImGui::GetColumnIndex();
    const bool lastColumn = column + 1 >= ImGui::GetColumnsCount();
    return window.Pos.x + ImGui::GetColumnOffset(column + 1) -
           (lastColumn ? 0.0f : ImGui::GetStyle().ItemSpacing.x);
}

}  // namespace

void DrawSeparatorLine(float width) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    if (window->SkipItems) return;

    const float x1 = window->DC.CursorPos.x;
    const float x2 = width != 0.0f ? x1 + width : FullWidthRuleEnd(*window, x1);
    const float y = static_cast<float>(
        static_cast<int>(window->DC.CursorPos.y + window->DC.CurrLineSize.y * 0.5f));

    window->DC.CursorPos.x = x1 + width;
    ImGui::ItemSize(ImVec2(0.0f, 0.0f));

    const ImRect rule(ImVec2(x1, y), ImVec2(x2, y + 1.0f));
    if (!ImGui::ItemAdd(rule, 0)) return;
    window->DrawList->AddLine(ImVec2(x1, y), ImVec2(x2, y), ImGui::GetColorU32(ImGuiCol_Border),
                              kRuleThickness);
}

void DrawSectionHeader(const char* title) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    // The rules centre themselves on the line height; a fresh line has none yet.
    if (window->DC.CurrLineSize.y == 0.0f) window->DC.CurrLineSize.y = ImGui::GetFontSize();
    DrawSeparatorLine(kHeadingLeadWidth);
    ImGui::SameLine();
    ImGui::TextUnformatted(title);
    ImGui::SameLine();
    DrawSeparatorLine(0.0f);
}

// ---- Switch checkboxes -------------------------------------------------------------------------

namespace {

// Greys out the rows of a group whose master switch is off; they take no input meanwhile.
void BeginDisabledRows() {
    ImGui::PushItemFlag(ImGuiItemFlags_Disabled, true);
    ImGui::PushStyleVar(ImGuiStyleVar_Alpha, ImGui::GetStyle().Alpha * 0.5f);
}

void EndDisabledRows() {
    ImGui::PopStyleVar();
    ImGui::PopItemFlag();
}

// Draws one checkbox for a switch. The game thread reads the switch at any time, so the checkbox
// edits a local copy that is stored back in one step when the click changed it. A change is saved
// at once; a save that cannot even create the settings folder keeps the change in memory and is
// reported on the console, so the host's drawing goes on. Returns true when the click changed it.
bool DrawSwitch(CloakMyIdentity& plugin, const char* label, Switch& bound) {
    bool on = bound.get();
    if (!ImGui::Checkbox(label, &on)) return false;
    bound.set(on);
    try {
        plugin.SaveSettings();
    } catch (const std::exception& error) {
        if (sharedConsole) {
            sharedConsole->log(fmt::format("could not save the settings in {}: {}",
                                           plugin.SettingsFolder.string(), error.what()));
        }
    }
    return true;
}

}  // namespace

// ---- RenderSettings ----------------------------------------------------------------------------

std::string SettingsWindowBase::GetSettingsPageName() {
    return "CloakMyIdentity";
}

void SettingsWindowBase::AdoptImGuiContext(std::uintptr_t context) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
}

void CloakMyIdentity::RenderSettings() {
    DrawSectionHeader("Rank");
    ImGui::TextUnformatted("These can also be found in Settings/Gameplay!");
    DrawSwitch(*this, "Hide Menu Rank", settings.bShowMenuRankInfo);
    DrawSwitch(*this, "Hide Season Reward Rank (Shows as unranked)", settings.bShowMenuSeasonRank);

    DrawSectionHeader("Forfeits");
    DrawSwitch(*this, "Hide vote to forfeit prompt", settings.bShowVoteToForfeit);

    DrawSectionHeader("FriendsList");
    DrawSwitch(*this, "Hide Recents", settings.bHideRecents);
    if (DrawSwitch(*this, "Hide Friend Requests", settings.bHideFriendRequests)) {
        // Requests already queued in the game follow the new choice; only the game thread may
        // touch the game's notification manager.
        gameWrapper->Execute(settings.bHideFriendRequests.get() ? &PurgePendingNotifications
                                                                : &RestoreNotifications);
    }

    DrawSectionHeader("Scoreboard/Players");
    DrawSwitch(*this, "Hide scoreboard info", settings.bHideScoreboardInfo);
    // Read once after the master checkbox, so begin and end of the greyed block always pair.
    const bool scoreboardGroupOff = !settings.bHideScoreboardInfo.get();
    if (scoreboardGroupOff) BeginDisabledRows();
    ImGui::Indent(kIndentWidth);
    DrawSwitch(*this, "Hide Player Scores", settings.bShowScores);
    if (settings.bShowScores.get()) {
        ImGui::Indent(kIndentWidth);
        // Under the table's lock: the scoreboard may add statistics meanwhile, and the lock lets
        // the save walk the table again.
        settings.Stats.ForEach([&](const StatTable::Entry& entry, Switch& concealed) {
            DrawSwitch(*this, fmt::format("Hide {}", entry.name).c_str(), concealed);
        });
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
}

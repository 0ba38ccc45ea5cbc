// General drawing helpers for Dear ImGui windows.
#include "settings/drawing.hpp"

#include "settings/imgui_calls.hpp"

namespace cloak {

namespace {

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

void BeginDisabledRows() {
    ImGui::PushItemFlag(ImGuiItemFlags_Disabled, true);
    ImGui::PushStyleVar(ImGuiStyleVar_Alpha, ImGui::GetStyle().Alpha * 0.5f);
}

void EndDisabledRows() {
    ImGui::PopStyleVar();
    ImGui::PopItemFlag();
}

}  // namespace cloak

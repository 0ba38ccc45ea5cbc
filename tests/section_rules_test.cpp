// Rules and headings in windows other than the settings page: column layouts, skipped and
// clipped windows, lines that already have a height.
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <functional>

#include "settings/drawing.hpp"
#include "sim/host/drawn_page.hpp"

using namespace cloak;

namespace {

// A headless Dear ImGui context of the test's own, one window per frame.
class RulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(400, 300);
        io.DeltaTime = 1.0f / 60;
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    }
    void TearDown() override { ImGui::DestroyContext(); }

    // Draws `content` in a 300 x `height` window at (20, 10) and reads the window back.
    sim::host::DrawnPage Draw(const std::function<void()>& content, float height = 200,
                              bool collapsed = false) {
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(20, 10));
        ImGui::SetNextWindowSize(ImVec2(300, height));
        ImGui::SetNextWindowCollapsed(collapsed);
        ImGui::Begin("rules", nullptr, ImGuiWindowFlags_NoSavedSettings);
        window_ = ImGui::GetCurrentWindow();
        content();
        ImGui::End();
        ImGui::Render();
        return sim::host::ReadDrawList(*window_->DrawList, *ImGui::GetFont(), ImGui::GetStyle());
    }

    ImGuiWindow* window_ = nullptr;
};

TEST_F(RulesTest, FullWidthRuleInColumnsEndsAtTheColumnsContentEdge) {
    float firstEnd = 0;
    float lastEnd = 0;
    const auto page = Draw([&] {
        ImGui::Columns(2, "split", false);
        ImGui::SetColumnOffset(1, 120);
        DrawSeparatorLine(0);
        firstEnd = window_->Pos.x + ImGui::GetColumnOffset(1) - ImGui::GetStyle().ItemSpacing.x;
        ImGui::NextColumn();
        DrawSeparatorLine(0);
        lastEnd = window_->Pos.x + ImGui::GetColumnOffset(2);
        ImGui::Columns(1);
    });
    ASSERT_EQ(page.rules.size(), 2u);
    EXPECT_FLOAT_EQ(page.rules[0].x2, firstEnd);
    EXPECT_FLOAT_EQ(page.rules[1].x2, lastEnd);
    EXPECT_GT(page.rules[1].x1, page.rules[0].x2);
}

TEST_F(RulesTest, CollapsedWindowDrawsNoRuleAndKeepsItsCursor) {
    ImVec2 before;
    ImVec2 after;
    const auto page = Draw(
        [&] {
            before = window_->DC.CursorPos;
            DrawSectionHeader("Hidden");
            after = window_->DC.CursorPos;
        },
        200, true);
    EXPECT_TRUE(page.rules.empty());
    EXPECT_EQ(before.x, after.x);
    EXPECT_EQ(before.y, after.y);
}

TEST_F(RulesTest, RuleBelowTheWindowIsLaidOutButNotDrawn) {
    float lineStart = 0;
    float nextLine = 0;
    const auto page = Draw(
        [&] {
            ImGui::Dummy(ImVec2(10, 200));
            lineStart = window_->DC.CursorPos.y;
            DrawSeparatorLine(50);
            nextLine = window_->DC.CursorPos.y;
        },
        100);
    EXPECT_TRUE(page.rules.empty());
    EXPECT_GT(nextLine, lineStart);
}

// A heading drawn after a checkbox on the same line centres its rules on the checkbox's line,
// which is taller than the font.
TEST_F(RulesTest, HeadingCentresOnALineThatAlreadyHasAHeight) {
    float lineTop = 0;
    float lineHeight = 0;
    bool ticked = true;
    const auto page = Draw([&] {
        lineTop = window_->DC.CursorPos.y;
        ImGui::Checkbox("first", &ticked);
        lineHeight = ImGui::GetFrameHeight();
        ImGui::SameLine();
        DrawSectionHeader("Beside");
        DrawSectionHeader("Below");
    });
    ASSERT_EQ(page.rules.size(), 4u);
    EXPECT_GT(lineHeight, ImGui::GetFontSize());
    EXPECT_FLOAT_EQ(page.rules[0].y,
                    static_cast<float>(static_cast<int>(lineTop + lineHeight / 2)));
    EXPECT_FLOAT_EQ(page.rules[1].y, page.rules[0].y);
    EXPECT_FLOAT_EQ(page.rules[0].x2 - page.rules[0].x1, 10);
    // The next heading starts a fresh line, whose height comes from the font.
    const float nextTop = lineTop + lineHeight + ImGui::GetStyle().ItemSpacing.y;
    EXPECT_FLOAT_EQ(page.rules[2].y,
                    static_cast<float>(static_cast<int>(nextTop + ImGui::GetFontSize() / 2)));
}

}  // namespace

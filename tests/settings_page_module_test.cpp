// The settings page of the built plugin module: drawn by the module's own copy of Dear ImGui into
// the host's context, and shown by cloak-demo in a desktop window under a virtual display (Linux;
// the Windows demo says in one line that it has no window).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <stb_image.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "page_fixture.hpp"
#include "temp_folder.hpp"
#include "tests/child_process.hpp"

using namespace cloak;

namespace {

using testing_support::TempFolder;

TEST(ModuleSettingsPage, DrawsAndSavesThroughTheHostsContext) {
    TempFolder data;
    sim::host::Host host(data.path());
    ASSERT_TRUE(host.Load(CLOAK_PLUGIN_PATH, {}));
    sim::host::DrawingThread page(host);

    const sim::host::DrawnPage first = page.Frame();
    ASSERT_EQ(first.checkboxes.size(), 17u);
    EXPECT_EQ(first.texts.front().text, "CloakMyIdentity");
    for (const auto& checkbox : first.checkboxes) EXPECT_TRUE(checkbox.ticked) << checkbox.label;
    // Loaded without a game: the foot says that nothing is concealed while the plugin waits.
    EXPECT_EQ(page_test::FootOf(first),
              "NOT concealing yet: waiting for the game to have its local player. It tries again "
              "on its own and conceals once the game shows its main menu or a match.");

    const sim::host::DrawnPage clicked = page.Click("Hide scoreboard info");
    EXPECT_FALSE(clicked.Find("Hide scoreboard info")->ticked);
    EXPECT_NEAR(clicked.Find("Hide Titles")->alpha, 0.5f, 1.0f / 255);
    const std::string stored =
        testing_support::ReadText(data.path() / "CloakMyIdentity" / "settings.json");
    EXPECT_THAT(stored, ::testing::HasSubstr("\"bHideScoreboardInfo\": false"));
}

#if defined(_WIN32)

TEST(DemoSettingsWindow, SaysInOneLineThatThisBuildHasNoWindow) {
    TempFolder data;
    const auto result = testing_support::RunProgram(
        CLOAK_DEMO_PATH, {"--data-dir", data.path().string(), "--settings"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.output, ::testing::StartsWith("cloak-demo: "));
    EXPECT_THAT(result.output, ::testing::HasSubstr("window"));
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
}

#else

struct Image {
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char, decltype(&stbi_image_free)> pixels{nullptr, &stbi_image_free};
};

Image LoadPng(const std::filesystem::path& file) {
    Image image;
    int channels = 0;
    image.pixels.reset(stbi_load(file.c_str(), &image.width, &image.height, &channels, 3));
    return image;
}

class DemoSettingsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing_support::RunProgram("/bin/sh", {"-c", "command -v xvfb-run"}).exitCode != 0) {
            GTEST_SKIP() << "xvfb-run is not installed (scripts/install-deps.sh installs it)";
        }
    }
    // The demo's window under a virtual display, with the demo's stdout going to `stdoutFile`.
    // The display server's own allocations are not the demo's leaks.
    testing_support::ProgramResult Screenshot(const std::filesystem::path& png,
                                              const std::filesystem::path& stdoutFile) {
        std::vector<std::string> arguments{"ASAN_OPTIONS=detect_leaks=0", "xvfb-run", "-a"};
        const std::vector<std::string> demo = testing_support::CommandWithStdoutTo(
            stdoutFile, CLOAK_DEMO_PATH,
            {"--data-dir", data.path().string(), "--settings", "--screenshot", png.string()});
        arguments.insert(arguments.end(), demo.begin(), demo.end());
        return testing_support::RunProgram("/usr/bin/env", arguments);
    }

    TempFolder data;
};

TEST_F(DemoSettingsWindow, ScreenshotShowsThePageUnderAVirtualDisplay) {
    const auto png = data.path() / "page.png";
    const auto result = Screenshot(png, "/dev/null");
    ASSERT_EQ(result.exitCode, 0) << result.output;

    const Image image = LoadPng(png);
    ASSERT_NE(image.pixels, nullptr) << stbi_failure_reason();
    // The page and the game's screens beside it.
    EXPECT_GT(image.width, 1000);
    EXPECT_GE(image.height, 640);
    // Light text and the blue check marks of seventeen ticked boxes.
    int light = 0;
    int checkBlue = 0;
    for (int i = 0; i < image.width * image.height; ++i) {
        const unsigned char* p = image.pixels.get() + 3 * i;
        if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++light;
        if (p[0] < 100 && p[1] > 120 && p[2] > 220) ++checkBlue;
    }
    EXPECT_GT(light, 6000);
    EXPECT_GT(checkBlue, 17 * 10);
    EXPECT_TRUE(std::filesystem::exists(data.path() / "CloakMyIdentity" / "settings.json"));
}

// A full disk under the picture or under the lines that name it: the run says so and fails.
TEST_F(DemoSettingsWindow, AScreenshotThatIsNotWrittenInFullFailsTheRun) {
    for (const auto& [png, stdoutFile] :
         {std::pair<std::filesystem::path, std::filesystem::path>{"/dev/full", "/dev/null"},
          {data.path() / "page.png", "/dev/full"}}) {
        const auto result = Screenshot(png, stdoutFile);
        // Not necessarily the demo's 3: xvfb-run puts its own 5 in its place when its clean-up
        // trips, as it now and then does after a program that failed.
        EXPECT_NE(result.exitCode, 0) << png << " " << stdoutFile << "\n" << result.output;
        EXPECT_THAT(result.output, ::testing::HasSubstr("not written in full"));
    }
}
#endif

}  // namespace

// cloak-demo --settings: the plugin's settings page in a desktop window.
//
// The host's settings page (sim/host/settings_page.hpp) owns the Dear ImGui context and draws
// the frames. This file only gives it a desktop: Dear ImGui's GLFW backend feeds the mouse and
// the display size into the host's context, and its OpenGL 3 backend draws what the frame holds.
// The demo links a copy of Dear ImGui of its own for the backends and the screens panel and points
// it at the host's context, just as the plugin does with its copy.
#include "sim/demo/settings_window.hpp"

#include <GLFW/glfw3.h>
#include <fmt/format.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl3.h>
#include <stb_image_write.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "sim/demo/command_line.hpp"
#include "sim/demo/demo_run.hpp"
#include "sim/demo/output.hpp"
#include "sim/demo/screens_table.hpp"
#include "sim/game/match_play.hpp"
#include "sim/game/match_screens.hpp"
#include "sim/host/settings_page.hpp"

namespace {

constexpr int kPageWidth = 560;
constexpr int kPanelWidth = 760;
constexpr int kWindowHeight = 720;
// Frames drawn once the screens are in, before a screenshot: the layout settles in the first.
constexpr int kScreenshotFrames = 3;
// The game thread's tick between two replays of the match.
constexpr auto kTick = std::chrono::milliseconds(16);
constexpr int kTicksBetweenReplays = 90;

// ---- ScreensBoard -------------------------------------------------------------------------------

class ScreensBoard {
public:
    void Post(std::string table) {
        std::lock_guard lock(mutex_);
        table_ = std::move(table);
        ++replays_;
    }
    std::optional<std::string> Latest(int* replays) const {
        std::lock_guard lock(mutex_);
        *replays = replays_;
        return table_;
    }

private:
    mutable std::mutex mutex_;
    std::optional<std::string> table_;
    int replays_ = 0;
};

// ---- Game thread --------------------------------------------------------------------------------

// Replays the match in the one game world the plugin knows, ticking between replays so that the
// work the page queued runs on this thread. Only this thread touches the game.
void ReplayMatch(std::stop_token stop, emu::Session& session, sim::host::Host& host,
                 const emu::MatchScript& script, const emu::Screens& without, ScreensBoard& board) {
    while (!stop.stop_requested()) {
        emu::PlayMatchScript(
            session, script, [&host] { host.Tick(); }, {},
            [&host](const std::string& line) { host.ExecuteCommand(line); });
        board.Post(demo::ScreensTable(without, emu::CaptureScreens(session)));
        for (int tick = 0; tick < kTicksBetweenReplays && !stop.stop_requested(); ++tick) {
            host.Tick();
            std::this_thread::sleep_for(kTick);
        }
    }
}

// ---- Screenshot ---------------------------------------------------------------------------------

// Reads the frame just drawn (before the buffers swap) and writes it as an RGB PNG, top row first.
// The PNG is made in memory and then written whole, so that a write that fails is seen.
bool WriteScreenshot(GLFWwindow* window, const std::filesystem::path& file) {
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(window, &width, &height);
    const auto stride = static_cast<std::size_t>(width) * 3;
    std::vector<unsigned char> pixels(stride * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // OpenGL's rows run bottom to top.
    std::vector<unsigned char> flipped(pixels.size());
    for (int row = 0; row < height; ++row) {
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(stride) * (height - 1 - row),
                    stride, flipped.begin() + static_cast<std::ptrdiff_t>(stride) * row);
    }
    std::string png;
    const auto append = [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                                   static_cast<std::size_t>(size));
    };
    if (stbi_write_png_to_func(append, &png, width, height, 3, flipped.data(),
                               static_cast<int>(stride)) == 0) {
        fmt::print(stderr, "cloak-demo: the window's pixels could not be encoded as a PNG\n");
        return false;
    }
    return demo::WriteWholeFile(file, png);
}

// ---- Window -------------------------------------------------------------------------------------

void ReportGlfwError(int code, const char* text) {
    fmt::print(stderr, "window system error {}: {}\n", code, text);
}

// The screens panel beside the page: drawn by the demo's own Dear ImGui copy in the host's frame.
void DrawScreensPanel(const ScreensBoard& board, const sim::host::Host& host) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(kPageWidth, 0));
    ImGui::SetNextWindowSize(ImVec2(display.x - kPageWidth, display.y));
    ImGui::Begin("What the game's screens show", nullptr,
                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_HorizontalScrollbar);
    int replays = 0;
    const std::optional<std::string> table = board.Latest(&replays);
    if (table) {
        ImGui::Text("replay %d of the match, without and with the plugin:", replays);
        ImGui::TextUnformatted(table->c_str());
    } else {
        ImGui::TextUnformatted("the match is being played...");
    }
    ImGui::Separator();
    ImGui::TextUnformatted("host console:");
    for (const std::string& line : host.ConsoleLines()) ImGui::TextUnformatted(line.c_str());
    ImGui::End();
}

// Draws until the window closes, or until the screenshot is written. Returns the exit status.
int DrawWindow(GLFWwindow* window, sim::host::Host& host, const ScreensBoard& board,
               const SettingsWindowOptions& options) {
    sim::host::SettingsPage page(host, {kPageWidth, kWindowHeight});
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(page.Context()));
    ImGui_ImplGlfw_InitForOpenGL(window, true);
    ImGui_ImplOpenGL3_Init("#version 130");

    int status = 0;
    int framesWithScreens = 0;
    while (!glfwWindowShouldClose(window)) {
        glfwPollEvents();
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplGlfw_NewFrame();
        page.Frame([&] { DrawScreensPanel(board, host); });

        int width = 0;
        int height = 0;
        glfwGetFramebufferSize(window, &width, &height);
        glViewport(0, 0, width, height);
        glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(page.DrawData());

        int replays = 0;
        if (board.Latest(&replays)) ++framesWithScreens;
        if (options.screenshot && framesWithScreens == kScreenshotFrames) {
            const bool written = WriteScreenshot(window, *options.screenshot) &&
                                 demo::WriteStandardOutput(fmt::format(
                                     "screenshot: {}\n", demo::Utf8FromPath(*options.screenshot)));
            if (!written) status = demo::kOutputNotWritten;
            break;
        }
        glfwSwapBuffers(window);
    }
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    return status;
}

int ShowWindow(sim::host::Host& host, const ScreensBoard& board,
               const SettingsWindowOptions& options) {
    glfwSetErrorCallback(ReportGlfwError);
    if (glfwInit() == GLFW_FALSE) {
        fmt::print(stderr, "cannot open a window: no display (try xvfb-run -a)\n");
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    GLFWwindow* window = glfwCreateWindow(kPageWidth + kPanelWidth, kWindowHeight,
                                          "CloakMyIdentity settings", nullptr, nullptr);
    int status = 1;
    if (window != nullptr) {
        glfwMakeContextCurrent(window);
        glfwSwapInterval(1);
        status = DrawWindow(window, host, board, options);
        glfwDestroyWindow(window);
    }
    glfwTerminate();
    return status;
}

}  // namespace

// ---- RunSettingsDemo ----------------------------------------------------------------------------

int RunSettingsDemo(const emu::MatchScript& script, const std::filesystem::path& dataFolder,
                    const std::filesystem::path& module, const SettingsWindowOptions& options) {
    const emu::Screens without = demo::PlayHalf(script, dataFolder, std::nullopt, {}).screens;

    demo::DemoGame game(script, dataFolder);
    try {
        game.LoadPlugin(module);
        game.RunConsoleCommands(options.consoleCommands);
    } catch (const std::runtime_error& error) {
        fmt::print(stderr, "{}\n", error.what());
        return 1;
    }
    const bool printed = demo::WriteStandardOutput(fmt::format(
        "settings: {}\n", demo::Utf8FromPath(dataFolder / "CloakMyIdentity" / "settings.json")));

    ScreensBoard board;
    int status = 0;
    {
        std::jthread gameThread([&](std::stop_token stop) {
            ReplayMatch(stop, game.session, game.host, script, without, board);
        });
        status = ShowWindow(game.host, board, options);
    }
    game.host.Unload();
    return status == 0 && !printed ? demo::kOutputNotWritten : status;
}

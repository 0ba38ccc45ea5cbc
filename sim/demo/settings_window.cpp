// cloak-demo --settings: the plugin's settings page in a desktop window.
//
// Index
//   Screenshot        - the window's pixels to a PNG file
//   RunSettingsWindow - window, backends, drawing loop, game thread
//
// The host's settings page (sim/host/settings_page.hpp) owns the Dear ImGui context and draws
// the frames. This file only gives it a desktop: Dear ImGui's GLFW backend feeds the mouse and
// the display size into the host's context, and its OpenGL 3 backend draws what the page drew.
// The demo links a copy of Dear ImGui of its own for the backends and points it at the host's
// context, just as the plugin does with its copy.
#include "sim/demo/settings_window.hpp"

#include <GLFW/glfw3.h>
#include <fmt/format.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl3.h>
#include <stb_image_write.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "sim/host/host.hpp"
#include "sim/host/settings_page.hpp"

// ---- Screenshot --------------------------------------------------------------------------------

namespace {

constexpr int kWindowWidth = 560;
constexpr int kWindowHeight = 640;
// Frames drawn before a screenshot: the first frames settle the window's layout.
constexpr int kScreenshotFrames = 4;

// Reads the frame just drawn (before the buffers swap) and writes it as an RGB PNG, top row first.
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
    return stbi_write_png(file.c_str(), width, height, 3, flipped.data(),
                          static_cast<int>(stride)) != 0;
}

void ReportGlfwError(int code, const char* text) {
    fmt::print(stderr, "window system error {}: {}\n", code, text);
}

}  // namespace

// ---- RunSettingsWindow -------------------------------------------------------------------------

int RunSettingsWindow(sim::host::Host& host, const SettingsWindowOptions& options,
                      std::function<void(std::stop_token)> game) {
    glfwSetErrorCallback(ReportGlfwError);
    if (glfwInit() == GLFW_FALSE) {
        fmt::print(stderr, "cannot open a window: no display (try xvfb-run -a)\n");
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    const std::string title = "CloakMyIdentity settings";
    GLFWwindow* window =
        glfwCreateWindow(kWindowWidth, kWindowHeight, title.c_str(), nullptr, nullptr);
    if (window == nullptr) {
        glfwTerminate();
        return 1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);

    int status = 0;
    {
        sim::host::SettingsPage page(host, {kWindowWidth, kWindowHeight});
        ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(page.Context()));
        ImGui_ImplGlfw_InitForOpenGL(window, true);
        ImGui_ImplOpenGL3_Init("#version 130");

        std::jthread gameThread(std::move(game));
        for (int frame = 1; !glfwWindowShouldClose(window); ++frame) {
            glfwPollEvents();
            ImGui_ImplOpenGL3_NewFrame();
            ImGui_ImplGlfw_NewFrame();
            page.Frame();

            int width = 0;
            int height = 0;
            glfwGetFramebufferSize(window, &width, &height);
            glViewport(0, 0, width, height);
            glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            ImGui_ImplOpenGL3_RenderDrawData(page.DrawData());

            if (options.screenshot && frame == kScreenshotFrames) {
                if (WriteScreenshot(window, *options.screenshot)) {
                    fmt::print("screenshot: {}\n", options.screenshot->string());
                } else {
                    fmt::print(stderr, "cannot write {}\n", options.screenshot->string());
                    status = 1;
                }
                break;
            }
            glfwSwapBuffers(window);
        }
        gameThread.request_stop();
        gameThread.join();

        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplGlfw_Shutdown();
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    return status;
}

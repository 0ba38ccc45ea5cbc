// Stand-in host, drawing side: the plugin's settings page in the host's own Dear ImGui.
//
// The host owns a Dear ImGui context built by its own copy of the library and hands it to the
// plugin (SetImGuiContext), which draws into it with its own copy. Every frame opens a window
// titled by the plugin's page name at the display's top left corner, of the page size, and calls
// RenderSettings inside it. The game thread meanwhile runs the match and the work queued through
// GameWrapper::Execute (Host::Tick); the page and the game share only the plugin's settings
// record.
#pragma once

#include <cfloat>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/host/drawn_page.hpp"
#include "sim/host/host_api.hpp"

struct ImDrawData;
struct ImGuiContext;

namespace sim::host {

class Host;

struct PointerInput {
    float x = -FLT_MAX;  // off the display: nothing hovered
    float y = -FLT_MAX;
    bool down = false;  // the left button
};

// The page window's size, and the display's for a headless frame.
struct PageSize {
    float width = 560;
    float height = 640;
};

// Every call on one thread: the drawing thread.
class SIM_HOST_API SettingsPage {
public:
    SettingsPage(Host& host, PageSize size);
    ~SettingsPage();
    SettingsPage(const SettingsPage&) = delete;
    SettingsPage& operator=(const SettingsPage&) = delete;

    // The host's context, as handed to the plugin.
    std::uintptr_t Context() const;
    // One frame with the input a platform backend has placed in the context. `alongside`, when
    // given, draws further windows of the host's own in the same frame, after the page.
    DrawnPage Frame(const std::function<void()>& alongside = {});
    // One frame with synthetic mouse input, at the page size and a 60 Hz time step.
    DrawnPage Frame(const PointerInput& input);
    // What the last frame drew, for a renderer.
    ImDrawData* DrawData() const;

private:
    Host& host_;
    PageSize size_;
    ImGuiContext* context_;
    const void* adoptedBy_ = nullptr;  // the page that holds the context
};

// Runs a SettingsPage on a thread of its own; each call waits for its frames to finish there.
class SIM_HOST_API DrawingThread {
public:
    explicit DrawingThread(Host& host, PageSize size = {});
    ~DrawingThread();
    DrawingThread(const DrawingThread&) = delete;
    DrawingThread& operator=(const DrawingThread&) = delete;

    // One frame per input; returns what the last one drew.
    DrawnPage Frames(const std::vector<PointerInput>& inputs);
    DrawnPage Frame(const PointerInput& input = {});
    // Moves the mouse onto the box of the checkbox with this label, where the previous frame
    // drew it, presses and releases the button: three frames; returns what the last one drew.
    // Throws std::invalid_argument when the previous frame drew no such checkbox.
    DrawnPage Click(std::string_view label);
    // The same on the middle of the text run that reads `text`: a button's label.
    DrawnPage ClickText(std::string_view text);

private:
    DrawnPage Call(std::function<DrawnPage(SettingsPage&)> work);
    // Moves the mouse to the middle of `rect`, presses and releases: three frames.
    DrawnPage PressAt(SettingsPage& page, PixelRect rect);
    void Run(Host& host, PageSize size);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void(SettingsPage&)>> work_;
    bool stopping_ = false;
    DrawnPage last_;  // drawing thread only
    std::thread thread_;
};

}  // namespace sim::host

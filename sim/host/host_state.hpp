// Stand-in host: its inner state, shared by the SDK classes it implements.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "bakkesmod/wrappers/GameWrapper.h"
#include "sim/host/hook_dispatch.hpp"

namespace sim::host {

class Console {
public:
    void Write(std::string line);
    std::vector<std::string> Lines() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// The toasts the plugin asked the host to show, in order.
struct ShownToast {
    std::string title;
    std::string text;
    std::string texture;
    float timeout = 0;
    std::uint8_t type = 0;  // a ToastType
    float width = 0;
    float height = 0;
};

class Toasts {
public:
    void Show(ShownToast toast);
    std::vector<ShownToast> Shown() const;

private:
    mutable std::mutex mutex_;
    std::vector<ShownToast> shown_;
};

// What a drawable drew on the game's screen: a string, where (its top left corner, in pixels) and
// in which colour (red, green, blue, alpha), or a box (empty text) of `size`.
struct DrawnItem {
    std::string text;
    Vector2F position{0, 0};
    Vector2F size{0, 0};
    std::array<std::uint8_t, 4> colour{255, 255, 255, 255};
};
bool operator==(const DrawnItem& a, const DrawnItem& b);

// Everything drawn in one frame, from the game time `at` on, until a frame draws otherwise.
struct DrawnFrame {
    std::chrono::microseconds at{0};
    std::vector<DrawnItem> items;
};

// The plugin's drawables, run once a frame on the game thread's tick. What a frame draws is kept
// when it differs from the frame before: the screen's story without one record per frame.
class Canvas {
public:
    using Drawable = std::function<void(CanvasWrapper)>;
    // The screen the drawables draw on, in pixels.
    static constexpr Vector2 kScreen{1920, 1080};

    void Register(Drawable drawable);
    void Clear();
    std::size_t Count() const;
    // Runs every drawable once, at game time `now`.
    void DrawFrame(std::chrono::microseconds now);
    // The last frame's drawing; each change of what was drawn, in order.
    std::vector<DrawnItem> LastFrame() const;
    std::vector<DrawnFrame> Changes() const;

private:
    mutable std::mutex mutex_;
    std::vector<Drawable> drawables_;
    std::vector<DrawnItem> last_;
    std::vector<DrawnFrame> changes_;
};

// The console commands the plugin registered, by name.
class ConsoleCommands {
public:
    using Notifier = std::function<void(std::vector<std::string>)>;
    // A name registered again takes the new notifier, as the host does.
    void Register(std::string name, Notifier notifier, std::string description);
    bool Remove(const std::string& name);
    // A copy, so that a notifier may register, remove or run commands itself; empty when unknown.
    Notifier Find(const std::string& name) const;
    void Clear();

private:
    struct Command {
        std::string name;
        Notifier notifier;
        std::string description;
    };
    mutable std::mutex mutex_;
    std::vector<Command> commands_;
};

// The work the game thread runs on its ticks, and the game's time as the host's timers see it.
// The time moves only when the game thread ticks, by what the tick says has passed: a test or the
// demo plays seconds of game time in no time at all, and a plugin's timers see what they would
// see in the game, where a timeout is counted in the game's own ticks.
class WorkQueue {
public:
    using Duration = std::chrono::microseconds;
    // Work that runs on the first tick at least `delay` after now (the next tick for none).
    void Push(std::function<void(GameWrapper*)> work, Duration delay);
    // Moves the game's time on by `elapsed`, then runs everything queued so far that is due, in
    // order; work queued meanwhile, or not due yet, waits for a later tick.
    void RunAll(GameWrapper* gameWrapper, Duration elapsed = Duration::zero());
    // Removes everything queued so far, due or not, and hands it over unrun, in order (for
    // inspection).
    std::vector<std::function<void(GameWrapper*)>> Take();
    std::size_t Pending() const;
    // The game time since the host started.
    Duration Now() const;

private:
    struct Work {
        std::function<void(GameWrapper*)> run;
        Duration due;
    };
    mutable std::mutex mutex_;
    std::vector<Work> work_;
    Duration now_{0};
};

class HostState {
public:
    std::filesystem::path dataFolder;
    Console console;
    Toasts toasts;
    Canvas canvas;
    ConsoleCommands commands;
    // Called with the function's full name as each hook call arrives, before the hook is added,
    // so that a test can check there what the plugin had to do before it (its name registry).
    std::function<void(const std::string&)> onHookCall;
    HookRegistry hooks;
    HookDispatch dispatch{hooks};
    WorkQueue work;
};

}  // namespace sim::host

// Stand-in host, drawing side: the settings page frame and the drawing thread.
#include "sim/host/settings_page.hpp"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>

#include "sim/host/host.hpp"

namespace sim::host {

// ---- SettingsPage -------------------------------------------------------------------------------

SettingsPage::SettingsPage(Host& host, PageSize size)
    : host_(host), size_(size), context_(ImGui::CreateContext()) {
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the page's layout is fixed; nothing to remember between runs
    io.LogFilename = nullptr;
    io.DisplaySize = ImVec2(size.width, size.height);
    // The atlas is built here so that a headless frame can start; a renderer uploads it later.
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
}

SettingsPage::~SettingsPage() {
    ImGui::DestroyContext(context_);
}

std::uintptr_t SettingsPage::Context() const {
    return reinterpret_cast<std::uintptr_t>(context_);
}

DrawnPage SettingsPage::Frame(const std::function<void()>& alongside) {
    ImGui::SetCurrentContext(context_);
    PluginSettingsWindow* plugin = host_.SettingsWindow();
    if (plugin != nullptr && plugin != adoptedBy_) {
        plugin->SetImGuiContext(Context());
        adoptedBy_ = plugin;
    }

    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(size_.width, size_.height));
    const std::string title = plugin != nullptr ? plugin->GetPluginName() : "Settings";
    constexpr ImGuiWindowFlags kFixed = ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize |
                                        ImGuiWindowFlags_NoCollapse |
                                        ImGuiWindowFlags_NoSavedSettings;
    ImGui::Begin(title.c_str(), nullptr, kFixed);
    if (plugin != nullptr) plugin->RenderSettings();
    const ImGuiWindow& window = *ImGui::GetCurrentWindow();
    ImGui::End();
    if (alongside) alongside();
    ImGui::Render();

    DrawnPage page = ReadDrawList(*window.DrawList, *ImGui::GetFont(), ImGui::GetStyle());
    page.window = PixelRect{window.Pos.x, window.Pos.y, window.Pos.x + window.Size.x,
                            window.Pos.y + window.Size.y};
    return page;
}

DrawnPage SettingsPage::Frame(const PointerInput& input) {
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(size_.width, size_.height);
    io.DeltaTime = 1.0f / 60.0f;
    io.MousePos = ImVec2(input.x, input.y);
    io.MouseDown[0] = input.down;
    return Frame();
}

ImDrawData* SettingsPage::DrawData() const {
    ImGui::SetCurrentContext(context_);
    return ImGui::GetDrawData();
}

// ---- DrawingThread ------------------------------------------------------------------------------

DrawingThread::DrawingThread(Host& host, PageSize size)
    : thread_([this, &host, size] { Run(host, size); }) {}

DrawingThread::~DrawingThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void DrawingThread::Run(Host& host, PageSize size) {
    SettingsPage page(host, size);
    for (;;) {
        std::function<void(SettingsPage&)> work;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !work_.empty(); });
            if (work_.empty()) return;
            work = std::move(work_.front());
            work_.pop_front();
        }
        work(page);
    }
}

DrawnPage DrawingThread::Call(std::function<DrawnPage(SettingsPage&)> work) {
    auto task = std::make_shared<std::packaged_task<DrawnPage(SettingsPage&)>>(std::move(work));
    std::future<DrawnPage> done = task->get_future();
    {
        std::lock_guard lock(mutex_);
        work_.emplace_back([task](SettingsPage& page) { (*task)(page); });
    }
    wake_.notify_one();
    return done.get();
}

DrawnPage DrawingThread::Frames(const std::vector<PointerInput>& inputs) {
    return Call([this, inputs](SettingsPage& page) {
        for (const PointerInput& input : inputs) last_ = page.Frame(input);
        return last_;
    });
}

DrawnPage DrawingThread::Frame(const PointerInput& input) {
    return Frames(std::vector<PointerInput>{input});
}

DrawnPage DrawingThread::Click(std::string_view label) {
    return Call([this, wanted = std::string(label)](SettingsPage& page) {
        const DrawnCheckbox* target = last_.Find(wanted);
        if (target == nullptr) {
            throw std::invalid_argument("the page drew no checkbox labelled \"" + wanted + "\"");
        }
        return PressAt(page, target->box);
    });
}

DrawnPage DrawingThread::ClickText(std::string_view text) {
    return Call([this, wanted = std::string(text)](SettingsPage& page) {
        const auto target = std::find_if(last_.texts.begin(), last_.texts.end(),
                                         [&](const DrawnText& run) { return run.text == wanted; });
        if (target == last_.texts.end()) {
            throw std::invalid_argument("the page drew no text \"" + wanted + "\"");
        }
        return PressAt(page, target->rect);
    });
}

DrawnPage DrawingThread::PressAt(SettingsPage& page, PixelRect rect) {
    for (const bool down : {false, true, false}) {
        last_ = page.Frame(PointerInput{rect.CentreX(), rect.CentreY(), down});
    }
    return last_;
}

}  // namespace sim::host

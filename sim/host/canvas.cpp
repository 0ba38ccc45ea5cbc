// Stand-in host: the drawables a plugin registers, and the canvas they draw on. A frame's canvas
// is a pen over the list of what the frame drew; sizes come from a fixed-width font, 8 by 16
// pixels a character at scale 1.
#include <utility>

#include "bakkesmod/wrappers/GameWrapper.h"
#include "bakkesmod/wrappers/canvaswrapper.h"
#include "sim/host/host_state.hpp"

namespace {

using sim::host::DrawnItem;

struct Pen {
    Vector2F position{0, 0};
    std::array<std::uint8_t, 4> colour{255, 255, 255, 255};
    std::vector<DrawnItem>* drawn = nullptr;
};

Pen& PenOf(std::uintptr_t address) {
    return *reinterpret_cast<Pen*>(address);
}

// Characters, not bytes: a UTF-8 continuation byte adds no width.
float Characters(const std::string& text) {
    float count = 0;
    for (const char byte : text) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

}  // namespace

CanvasWrapper::CanvasWrapper(std::uintptr_t mem) : memory_address(mem) {}

void CanvasWrapper::SetPosition(Vector2F pos) {
    PenOf(memory_address).position = pos;
}

void CanvasWrapper::SetColor(char Red, char Green, char Blue, char Alpha) {
    PenOf(memory_address).colour = {
        static_cast<std::uint8_t>(Red), static_cast<std::uint8_t>(Green),
        static_cast<std::uint8_t>(Blue), static_cast<std::uint8_t>(Alpha)};
}

void CanvasWrapper::DrawString(std::string text, float xScale, float yScale, bool, bool) {
    Pen& pen = PenOf(memory_address);
    const Vector2F size = GetStringSize(text, xScale, yScale);
    pen.drawn->push_back(DrawnItem{std::move(text), pen.position, size, pen.colour});
}

Vector2F CanvasWrapper::GetStringSize(std::string text, float xScale, float yScale) {
    return {8 * Characters(text) * xScale, 16 * yScale};
}

void CanvasWrapper::FillBox(Vector2F size) {
    Pen& pen = PenOf(memory_address);
    pen.drawn->push_back(DrawnItem{{}, pen.position, size, pen.colour});
}

Vector2 CanvasWrapper::GetSize() {
    return sim::host::Canvas::kScreen;
}

void GameWrapper::RegisterDrawable(std::function<void(CanvasWrapper)> callback) {
    host_->canvas.Register(std::move(callback));
}

void GameWrapper::UnregisterDrawables() {
    host_->canvas.Clear();
}

namespace sim::host {

bool operator==(const DrawnItem& a, const DrawnItem& b) {
    const auto same = [](Vector2F x, Vector2F y) { return x.X == y.X && x.Y == y.Y; };
    return a.text == b.text && same(a.position, b.position) && same(a.size, b.size) &&
           a.colour == b.colour;
}

void Canvas::Register(Drawable drawable) {
    std::lock_guard lock(mutex_);
    drawables_.push_back(std::move(drawable));
}

void Canvas::Clear() {
    std::lock_guard lock(mutex_);
    drawables_.clear();
}

std::size_t Canvas::Count() const {
    std::lock_guard lock(mutex_);
    return drawables_.size();
}

void Canvas::DrawFrame(std::chrono::microseconds now) {
    std::vector<Drawable> drawables;
    {
        std::lock_guard lock(mutex_);
        drawables = drawables_;
    }
    // Each drawable starts with a fresh pen, as each gets a canvas of its own.
    std::vector<DrawnItem> drawn;
    for (const Drawable& drawable : drawables) {
        Pen pen{{0, 0}, {255, 255, 255, 255}, &drawn};
        drawable(CanvasWrapper(reinterpret_cast<std::uintptr_t>(&pen)));
    }
    std::lock_guard lock(mutex_);
    if (drawn == last_) return;
    last_ = drawn;
    changes_.push_back(DrawnFrame{now, std::move(drawn)});
}

std::vector<DrawnItem> Canvas::LastFrame() const {
    std::lock_guard lock(mutex_);
    return last_;
}

std::vector<DrawnFrame> Canvas::Changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
}

}  // namespace sim::host

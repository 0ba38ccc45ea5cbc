#include "sim/demo/toasts.hpp"

#include <fmt/format.h>

#include <array>
#include <chrono>

#include "bakkesmod/wrappers/wrapperstructs.h"

namespace demo {

std::string ToastTypeName(std::uint8_t type) {
    static constexpr std::array<const char*, 4> kNames{"Info", "OK", "Warning", "Error"};
    static_assert(ToastType_Info == 0 && ToastType_OK == 1 && ToastType_Warning == 2 &&
                  ToastType_Error == 3);
    return type < kNames.size() ? kNames[type] : std::to_string(type);
}

std::string ToastLines(const std::vector<sim::host::ShownToast>& toasts) {
    std::string lines;
    for (const sim::host::ShownToast& toast : toasts) {
        lines += fmt::format("  [{}] {}: {}\n", ToastTypeName(toast.type), toast.title, toast.text);
    }
    return lines;
}

nlohmann::json ToastsJson(const std::vector<sim::host::ShownToast>& toasts) {
    nlohmann::json list = nlohmann::json::array();
    for (const sim::host::ShownToast& toast : toasts) {
        list.push_back(
            {{"type", ToastTypeName(toast.type)}, {"title", toast.title}, {"text", toast.text}});
    }
    return list;
}

namespace {

double Seconds(std::chrono::microseconds at) {
    return std::chrono::duration<double>(at).count();
}

}  // namespace

std::string CanvasLines(const std::vector<sim::host::DrawnFrame>& changes) {
    std::string lines;
    for (const sim::host::DrawnFrame& frame : changes) {
        bool drewText = false;
        for (const sim::host::DrawnItem& item : frame.items) {
            if (item.text.empty()) continue;
            drewText = true;
            lines += fmt::format("  from {:.2f} s: \"{}\" at ({}, {}) in {},{},{}\n",
                                 Seconds(frame.at), item.text, item.position.X, item.position.Y,
                                 item.colour[0], item.colour[1], item.colour[2]);
        }
        if (!drewText) lines += fmt::format("  from {:.2f} s: nothing\n", Seconds(frame.at));
    }
    return lines;
}

nlohmann::json CanvasJson(const std::vector<sim::host::DrawnFrame>& changes) {
    nlohmann::json list = nlohmann::json::array();
    for (const sim::host::DrawnFrame& frame : changes) {
        nlohmann::json texts = nlohmann::json::array();
        for (const sim::host::DrawnItem& item : frame.items) {
            if (item.text.empty()) continue;
            texts.push_back({{"text", item.text},
                             {"x", item.position.X},
                             {"y", item.position.Y},
                             {"colour", item.colour}});
        }
        list.push_back({{"from", Seconds(frame.at)}, {"lines", texts}});
    }
    return list;
}

}  // namespace demo

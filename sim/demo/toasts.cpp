#include "sim/demo/toasts.hpp"

#include <fmt/format.h>

#include <array>

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

}  // namespace demo

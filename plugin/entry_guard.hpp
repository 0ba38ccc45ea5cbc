// The guard at every call the host makes into the plugin: getPlugin, deleteMe, onLoad, onUnload,
// RenderSettings, and every callable handed to the host (hooks, timers, Execute, console
// commands). An exception that reaches the guard - a failed allocation, a host wrapper that
// throws - is written to the console in one line naming the entry point, and the call returns
// as if its work were done: nothing the plugin does may take the game down, and an exception that
// crosses into the host (or out of an extern "C" function) is undefined behaviour there.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace cloak {

// Tests only: when set, runs at the start of every guarded entry point with its name; what it
// throws stands for a failure of that entry point's work.
extern void (*atEntryPointForTesting)(std::string_view entryPoint);

// One console line for the exception being handled: the entry point and the exception's what().
// Never throws (a failure to write the line is dropped).
void ReportEscapedException(std::string_view entryPoint) noexcept;

template <typename Work>
void RunGuarded(std::string_view entryPoint, Work&& work) noexcept {
    try {
        if (atEntryPointForTesting != nullptr) atEntryPointForTesting(entryPoint);
        std::forward<Work>(work)();
    } catch (...) {
        ReportEscapedException(entryPoint);
    }
}

// The callable, run under the guard: for every callable the plugin hands the host.
template <typename Callable>
auto Guarded(std::string entryPoint, Callable callable) {
    return [entryPoint = std::move(entryPoint),
            callable = std::move(callable)](auto&&... arguments) noexcept {
        RunGuarded(entryPoint, [&] { callable(std::forward<decltype(arguments)>(arguments)...); });
    };
}

}  // namespace cloak

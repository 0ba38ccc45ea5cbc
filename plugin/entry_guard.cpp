// The guard at the host's calls into the plugin (the header says why).
#include "plugin/entry_guard.hpp"

#include <fmt/format.h>

#include <exception>

#include "plugin/shared_console.hpp"

namespace cloak {

void (*atEntryPointForTesting)(std::string_view entryPoint) = nullptr;

void ReportEscapedException(std::string_view entryPoint) noexcept {
    try {
        std::string what = "an exception of unknown type";
        try {
            throw;
        } catch (const std::exception& error) {
            what = error.what();
        } catch (...) {
        }
        LogLine(fmt::format("CloakMyIdentity: {} failed ({}); the game goes on", entryPoint, what));
    } catch (...) {
        // Not even the line could be written (no memory left): the game still goes on.
    }
}

}  // namespace cloak

// Stand-in host: the console. (BakkesModPlugin and PluginSettingsWindow are defined in their
// headers; GameWrapper and the wrappers are in game_wrapper.cpp, wrappers.cpp and
// game_queries.cpp.)
#include <string>

#include "bakkesmod/wrappers/cvarmanagerwrapper.h"
#include "sim/game/utf8.hpp"
#include "sim/host/host_state.hpp"

CVarManagerWrapper::CVarManagerWrapper(sim::host::HostState* host) : host_(host) {}

void CVarManagerWrapper::log(std::string text) {
    host_->console.Write(std::move(text));
}

// Console lines are UTF-8: the wide text is UTF-16 on Windows and UTF-32 elsewhere, and what is
// no character becomes U+FFFD.
void CVarManagerWrapper::log(std::wstring text) {
    std::string line;
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        line = emu::Utf8FromUtf16(std::u16string(text.begin(), text.end()));
    } else {
        for (const wchar_t unit : text) emu::AppendUtf8(line, static_cast<char32_t>(unit));
    }
    host_->console.Write(std::move(line));
}

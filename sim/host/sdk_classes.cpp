// Stand-in host: the console and its commands. (BakkesModPlugin and PluginSettingsWindow are
// defined in their headers; GameWrapper and the wrappers are in game_wrapper.cpp, wrappers.cpp and
// game_queries.cpp.)
#include <string>
#include <utility>
#include <vector>

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

void CVarManagerWrapper::registerNotifier(std::string cvar,
                                          std::function<void(std::vector<std::string>)> notifier,
                                          std::string description, unsigned char /*permissions*/) {
    host_->commands.Register(std::move(cvar), std::move(notifier), std::move(description));
}

bool CVarManagerWrapper::removeNotifier(std::string cvar) {
    return host_->commands.Remove(cvar);
}

namespace {

// A console line as the host reads it: commands separated by ';', each a list of words separated
// by blanks, where a double-quoted text is one word (and may hold ';' and blanks).
std::vector<std::vector<std::string>> SplitCommandLine(const std::string& line) {
    std::vector<std::vector<std::string>> commands(1);
    std::string word;
    bool inWord = false;
    bool quoted = false;
    auto endWord = [&] {
        if (inWord) commands.back().push_back(std::move(word));
        word.clear();
        inWord = false;
    };
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (quoted) {
            word += c;
        } else if (c == ';') {
            endWord();
            commands.emplace_back();
        } else if (c == ' ' || c == '\t') {
            endWord();
        } else {
            word += c;
            inWord = true;
        }
    }
    endWord();
    std::erase_if(commands, [](const std::vector<std::string>& words) { return words.empty(); });
    return commands;
}

}  // namespace

// Each command runs at once, on the caller's thread: the host runs console input on the game
// thread. `log` only decides whether the host echoes the line; the stand-in never does.
void CVarManagerWrapper::executeCommand(std::string command, bool /*log*/) {
    for (std::vector<std::string>& words : SplitCommandLine(command)) {
        const sim::host::ConsoleCommands::Notifier notifier = host_->commands.Find(words.front());
        if (notifier) {
            notifier(std::move(words));
        } else {
            host_->console.Write("unknown command: " + words.front());
        }
    }
}

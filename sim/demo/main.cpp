// cloak-demo: a match played twice in the emulated game - without the plugin, then with the
// plugin module loaded through the stand-in host - and what the game's screens show each time.
//
// Exit status: 0 when both halves were played, 1 when the plugin could not be loaded, 2 for a bad
// command line or a bad match script, 3 when the output did not reach its file in full.
#include <fmt/format.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/demo/command_line.hpp"
#include "sim/demo/demo_run.hpp"
#include "sim/demo/output.hpp"
#include "sim/demo/screens_table.hpp"
#include "sim/demo/settings_window.hpp"
#include "sim/demo/toasts.hpp"

namespace {

struct Options {
    std::filesystem::path dataDir = CLOAK_DEFAULT_DATA_DIR;
    std::filesystem::path match = CLOAK_DEFAULT_MATCH_PATH;
    bool json = false;
    bool settings = false;
    sim::host::HostSdk host = sim::host::HostSdk::Hybrid;
    SettingsWindowOptions window;
    std::vector<std::string> console;  // --console lines, in order
};

constexpr const char* kUsage =
    "usage: cloak-demo [--data-dir DIR] [--match FILE] [--host hybrid|public] "
    "[--console COMMAND]... [--json | --settings [--screenshot FILE]]\n"
    "  --data-dir DIR  the host's data folder; the plugin keeps CloakMyIdentity/settings.json\n"
    "                  there (default " CLOAK_DEFAULT_DATA_DIR
    ")\n"
    "  --match FILE    a match script (JSON) to play instead of the built-in match\n"
    "  --host public   a host as its makers publish it, which hands the plugin no game tables\n"
    "                  (default: hybrid, which does)\n"
    "  --json          print one JSON object {\"without\", \"with\", \"console\", \"toasts\", "
    "\"canvas\"}\n"
    "  --console COMMAND  a line typed into the host's console once the plugin is loaded,\n"
    "                  before the match (e.g. \"cloak_pause\"); may be given again\n"
    "  --settings      open the plugin's settings page in a window while the match replays\n"
    "  --screenshot FILE  with --settings: write the window to FILE (PNG) and exit\n"
    "  --help          print this and exit\n";

// The command line read: options to run with, or the help asked for, or what is wrong with it.
struct ParsedOptions {
    std::optional<Options> options;
    bool help = false;
    std::string wrong;  // one sentence that names the option and the fix
};

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    // The value of the option at i, or null when the command line ends there.
    const auto value = [&](std::size_t& i) -> const std::string* {
        return i + 1 < arguments.size() ? &arguments[++i] : nullptr;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg == "--help" || arg == "-h") return {std::nullopt, true, {}};
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--settings") {
            options.settings = true;
        } else if (arg == "--host") {
            const std::string* host = value(i);
            if (host == nullptr || (*host != "hybrid" && *host != "public")) {
                return {std::nullopt, false, "--host takes hybrid or public"};
            }
            options.host =
                *host == "public" ? sim::host::HostSdk::Public : sim::host::HostSdk::Hybrid;
        } else if (arg == "--data-dir" || arg == "--match" || arg == "--console" ||
                   arg == "--screenshot") {
            const std::string* given = value(i);
            if (given == nullptr) {
                return {std::nullopt, false,
                        fmt::format("{} needs {}", arg,
                                    arg == "--data-dir"  ? "a folder"
                                    : arg == "--console" ? "a command"
                                                         : "a file")};
            }
            if (arg == "--data-dir") options.dataDir = demo::PathFromUtf8(*given);
            if (arg == "--match") options.match = demo::PathFromUtf8(*given);
            if (arg == "--console") options.console.push_back(*given);
            if (arg == "--screenshot") options.window.screenshot = demo::PathFromUtf8(*given);
        } else {
            return {std::nullopt, false, fmt::format("unknown option {}", arg)};
        }
    }
    if (options.window.screenshot && !options.settings) {
        return {std::nullopt, false, "--screenshot needs --settings"};
    }
    return {options, false, {}};
}

std::optional<std::string> ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TableText(const Options& options, const demo::HalfResult& without,
                      const demo::HalfResult& with) {
    std::string text = fmt::format("{}\n", with.plugin);
    text += fmt::format("match: {}\n\n", demo::Utf8FromPath(options.match));
    text += demo::ScreensTable(without.screens, with.screens);
    text += fmt::format("\nconsole (with the plugin):{}\n", with.console.empty() ? " nothing" : "");
    for (const std::string& line : with.console) text += fmt::format("  {}\n", line);
    text += fmt::format("toasts (with the plugin):{}\n", with.toasts.empty() ? " none" : "");
    text += demo::ToastLines(with.toasts);
    text += fmt::format("drawn on the game's screen (with the plugin):{}\n",
                        with.canvas.empty() ? " nothing" : "");
    text += demo::CanvasLines(with.canvas);
    text += fmt::format("settings: {}\n",
                        demo::Utf8FromPath(options.dataDir / "CloakMyIdentity" / "settings.json"));
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions(demo::Utf8Arguments(argc, argv));
    if (parsed.help) return demo::WriteStandardOutput(kUsage) ? 0 : demo::kOutputNotWritten;
    if (!parsed.options) {
        fmt::print(stderr, "cloak-demo: {} (cloak-demo --help lists every option)\n", parsed.wrong);
        return 2;
    }
    const std::optional<Options>& options = parsed.options;

    const std::optional<std::string> text = ReadFile(options->match);
    if (!text) {
        fmt::print(stderr, "cloak-demo: cannot read the match script {}\n",
                   demo::Utf8FromPath(options->match));
        return 2;
    }
    emu::MatchScript script;
    try {
        script = emu::ParseMatchScript(*text);
    } catch (const emu::MatchScriptError& error) {
        fmt::print(stderr, "cloak-demo: bad match script {}: {}\n",
                   demo::Utf8FromPath(options->match), error.what());
        return 2;
    }

    if (options->settings) {
        SettingsWindowOptions window = options->window;
        window.consoleCommands = options->console;
        return RunSettingsDemo(script, options->dataDir, CLOAK_PLUGIN_PATH, window);
    }
    std::string output;
    try {
        const demo::HalfResult without = demo::PlayHalf(script, options->dataDir, std::nullopt, {});
        const demo::HalfResult with =
            demo::PlayHalf(script, options->dataDir, std::filesystem::path(CLOAK_PLUGIN_PATH),
                           options->console, options->host);
        if (options->json) {
            const nlohmann::json screens = {{"without", without.screens},
                                            {"with", with.screens},
                                            {"console", with.console},
                                            {"toasts", demo::ToastsJson(with.toasts)},
                                            {"canvas", demo::CanvasJson(with.canvas)}};
            // Console lines and game texts are whatever the plugin and the game made of them: a
            // byte that is no UTF-8 is shown as U+FFFD instead of ending the output.
            output = fmt::format(
                "{}\n", screens.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
        } else {
            output = TableText(*options, without, with);
        }
    } catch (const std::runtime_error& error) {
        fmt::print(stderr, "cloak-demo: {}\n", error.what());
        return 1;
    }
    return demo::WriteStandardOutput(output) ? 0 : demo::kOutputNotWritten;
}

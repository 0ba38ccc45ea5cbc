// What a save of settings.json costs on the disk the temporary folder lives on, against the least
// a replacement can do: the same text written to a new file that is renamed over the old one,
// with nothing flushed to the disk. The difference is what it costs that a power cut leaves the
// old record or the new one, never an empty file. Wall-clock time: a save mostly waits for the
// disk.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_support.hpp"
#include "plugin/cloak_my_identity.hpp"

using namespace cloak;

namespace {

std::filesystem::path SaveFolder() {
    return std::filesystem::temp_directory_path() /
           ("cloak-save-bench-" + std::to_string(static_cast<long>(::getpid())));
}

// Two records that differ, saved in turn, so that every save has something to write.
void Save(benchmark::State& state) {
    CloakMyIdentity plugin;
    plugin.SettingsFolder = SaveFolder();
    bool shown = false;
    for (auto _ : state) {
        shown = !shown;
        plugin.settings.bShowNames.set(shown);
        plugin.SaveSettings();
    }
    std::filesystem::remove_all(SaveFolder());
}

void UnflushedReplacement(benchmark::State& state) {
    std::filesystem::create_directories(SaveFolder());
    const std::filesystem::path file = SaveFolder() / kSettingsFileName;
    const std::filesystem::path temporary = SaveFolder() / "settings.json.tmp";
    PluginSettings record;
    bool shown = false;
    for (auto _ : state) {
        shown = !shown;
        record.bShowNames.set(shown);
        std::ofstream(temporary, std::ios::trunc) << nlohmann::json(record).dump(4);
        std::filesystem::rename(temporary, file);
    }
    std::filesystem::remove_all(SaveFolder());
}

const bool registered = [] {
    bench::RegisterWithFloor(
        "SettingsSave", Save, UnflushedReplacement,
        [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMicrosecond)->UseRealTime(); });
    bench::MeasureWallTime("SettingsSave");
    // The page saves after each click: a save must stay well under what a person notices.
    bench::SetTimeLimit("SettingsSave", 50e6);
    return true;
}();

}  // namespace

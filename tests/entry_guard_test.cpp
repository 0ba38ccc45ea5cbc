// The guard at every call from the host: an exception at any entry point (a failed allocation, a
// host wrapper that throws) becomes one console line naming the entry point and what(), and the
// host sees nothing of it.
#include "plugin/entry_guard.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "plugin/cloak_my_identity.hpp"
#include "plugin/hook_table.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"
#include "tests/temp_folder.hpp"

using namespace cloak;

namespace {

struct Failure {
    const char* name;
    void (*raise)();
    const char* what;  // a part of what() that every library writes
};

std::set<std::string> entered;
void (*raiseAtEntry)() = nullptr;

void RaiseAtEntry(std::string_view entryPoint) {
    entered.emplace(entryPoint);
    raiseAtEntry();
}

class EntryGuardTest : public ::testing::TestWithParam<Failure> {};

TEST_P(EntryGuardTest, EveryEntryPointLogsOneLineAndTheHostSeesNothing) {
    const testing_support::TempFolder folder;
    emu::World world;
    sim::host::Host host(folder.path());
    std::shared_ptr<BakkesModPlugin>* owner = PluginOwner();
    ASSERT_NE(owner, nullptr);
    auto& plugin = static_cast<CloakMyIdentity&>(**owner);
    // A load without a game: its next try waits on a timer; the hooks are registered by hand.
    host.Attach(*owner, {});
    hooks::RegisterHookTable(plugin, *host.Game());
    plugin.QueueFriendRequestFollow();
    const std::size_t linesBefore = host.ConsoleLines().size();

    entered.clear();
    raiseAtEntry = GetParam().raise;
    atEntryPointForTesting = &RaiseAtEntry;
    std::array<std::byte, 64> params{};
    for (const hooks::HookRow& row : hooks::HookTable) {
        const std::string function(row.function);
        const sim::host::HookCallback& callback = host.State().hooks.Find(function)->callbacks[0];
        if (callback.withActor) callback.withActor(ActorWrapper(0), params.data(), function);
        if (callback.withPri) callback.withPri(PriWrapper(0), params.data(), function);
        if (callback.plain) callback.plain(function);
    }
    host.Tick(std::chrono::seconds(5));  // the try of the load and the friend requests' follow
    for (const char* command : {"cloak_status", "cloak_pause", "cloak_resume", "cloak_toggle",
                                "cloak_set bShowNames off"}) {
        host.ExecuteCommand(command);
    }
#if CLOAK_SETTINGS_PAGE
    plugin.RenderSettings();
#endif
    plugin.onLoad();
    plugin.onUnload();
    EXPECT_EQ(PluginOwner(), nullptr);
    ReleasePlugin();
    atEntryPointForTesting = nullptr;

    // 13 hooks, the timer, Execute, 5 commands, getPlugin, deleteMe, onLoad, onUnload, the sign
    // on the game's screen, and the settings page where there is one.
    EXPECT_EQ(entered.size(), 25U + (CLOAK_SETTINGS_PAGE ? 1 : 0));
    const std::vector<std::string> lines = host.ConsoleLines();
    ASSERT_EQ(lines.size(), linesBefore + entered.size());
    for (const std::string& entryPoint : entered) {
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& line) {
                                    return line.find(entryPoint + " failed") != std::string::npos &&
                                           line.find(GetParam().what) != std::string::npos;
                                }),
                  1)
            << entryPoint;
    }
    for (const std::string& line : lines)
        EXPECT_THAT(line, ::testing::Not(::testing::HasSubstr("failed to load")));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, EntryGuardTest,
    ::testing::Values(Failure{"OutOfMemory", [] { throw std::bad_alloc(); }, "bad_alloc"},
                      Failure{"HostWrapper", [] { throw std::runtime_error("wrapper broke"); },
                              "wrapper broke"}),
    [](const ::testing::TestParamInfo<Failure>& row) { return std::string(row.param.name); });

}  // namespace

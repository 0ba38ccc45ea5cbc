// Test support: an emulated game with its local player and menus, the stand-in host around it,
// and a plugin object built in this process, so a test reaches its settings, its counter and the
// name registry directly. The game calls the plugin through the host's hooks as it would call the
// module; only the module's loading is left out (the load-sequence tests do that too).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "game/layout.hpp"
#include "game/memory.hpp"
#include "plugin/cloak_my_identity.hpp"
#include "plugin/process_state.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"
#include "temp_folder.hpp"

namespace testing_support {

using emu::GameObject;

class PluginInGame : public ::testing::Test {
protected:
    PluginInGame() {
        cloak::ForgetProcessStateForTesting();
        plugin.cvarManager = std::make_shared<CVarManagerWrapper>(&host.State());
        plugin.gameWrapper = host.Game();
        const sim::host::GameTables tables = sim::host::CurrentWorldTables();
        plugin.SetObjectTable(tables.objectTable);
        plugin.SetNameTable(tables.nameTable);
    }
    ~PluginInGame() override { cloak::sharedConsole.reset(); }

    // The load: the settings file in a fresh folder, then the load sequence.
    void Load() { plugin.onLoad(); }

    std::u16string Text(GameObject* object, std::string_view property) const {
        return world.GetString(object, property);
    }
    template <class T>
    T& Field(GameObject* object, std::string_view property) const {
        return world.Field<T>(object, property);
    }
    ActorWrapper Caller(GameObject* object) const {
        return ActorWrapper(cloak::game::AddressOf(object));
    }

    TempFolder folder;
    emu::World world;
    std::optional<emu::Session> session{std::in_place, world, u"NightOwl"};
    sim::host::Host host{folder.path()};
    cloak::CloakMyIdentity plugin;
};

}  // namespace testing_support

// A fresh game world whose tables the plugin's game access reads, and the console that
// ResolveNameRegistries logs to.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/layout.hpp"
#include "game/memory.hpp"
#include "game/tables.hpp"
#include "plugin/process_state.hpp"
#include "plugin/shared_console.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host_state.hpp"

class GameWorldTest : public ::testing::Test {
protected:
    GameWorldTest() {
        cloak::ForgetProcessStateForTesting();
        UseWorldTables();
    }
    ~GameWorldTest() override { cloak::sharedConsole.reset(); }

    void UseWorldTables() {
        cloak::game::ObjectTableAddress = world.ObjectTableAddress();
        cloak::game::NameTableAddress = world.NameTableAddress();
    }
    std::vector<std::string> ConsoleLines() const { return host.console.Lines(); }
    void AttachConsole() { cloak::sharedConsole = std::make_shared<CVarManagerWrapper>(&host); }

    sim::host::HostState host;
    emu::World world;
};

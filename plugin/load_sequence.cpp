// The load sequence: the game's tables, the local player's name, the hooks, and the check of the
// game names the hooks depend on.
#include <array>

#include "conceal/wrapped_object.hpp"
#include "game/name_registry.hpp"
#include "game/table_discovery.hpp"
#include "game/tables.hpp"
#include "plugin/cloak_my_identity.hpp"
#include "plugin/hook_table.hpp"

namespace cloak {

void CloakMyIdentity::RunLoadSequence() {
    LoadOutcome outcome = FindGameTables();
    // Without tables or a local player there is nobody to conceal from yet: no hooks, no check,
    // and one line that says so.
    if (outcome == LoadOutcome::Concealing) outcome = NameLocalPlayer();
    if (outcome != LoadOutcome::Concealing) {
        outcome_.store(outcome);
        LogLine(NotConcealingLine(outcome));
        return;
    }
    hooks::RegisterHookTable(*this, *gameWrapper);
    // A game name the hooks rely on is missing: the game build is not the one this plugin knows.
    // The hooks stay; the handlers skip what they cannot find.
    if (game::ResolveNameRegistries()) {
        outcome_.store(LoadOutcome::Concealing);
    } else {
        outcome_.store(LoadOutcome::ConcealingWithGaps);
        LogLine("BAD BAD BAD");
    }
}

LoadOutcome CloakMyIdentity::FindGameTables() {
    // A host that hands the tables over knows them; tables found by an earlier load stay where
    // they were, as the game's static data does.
    if (game::TablesHandedOver || (game::ObjectTableAddress != 0 && game::NameTableAddress != 0)) {
        return LoadOutcome::Concealing;
    }
    std::array<const game::GameObject*, 2> known{};
    {
        PlayerControllerWrapper controller = gameWrapper->GetPlayerController();
        known[0] = WrappedObject(controller);
        if (known[0] == nullptr) return LoadOutcome::NoLocalController;
        PriWrapper record = controller.GetPRI();
        known[1] = WrappedObject(record);
    }
    const game::FoundTables found = game::DiscoverTables(
        known, [this](std::int32_t index) { return gameWrapper->GetFNameByIndex(index); },
        game::SnapshotProcessMemory());
    switch (found.result) {
        case game::DiscoveryResult::Found:
            game::ObjectTableAddress = found.objectTable;
            game::NameTableAddress = found.nameTable;
            return LoadOutcome::Concealing;
        case game::DiscoveryResult::SeveralObjectTables:
        case game::DiscoveryResult::SeveralNameTables:
            return LoadOutcome::SeveralGameTables;
        case game::DiscoveryResult::NoKnownObject:
            return LoadOutcome::NoLocalController;
        case game::DiscoveryResult::MemoryUnreadable:
            return LoadOutcome::MemoryUnreadable;
        case game::DiscoveryResult::NoModuleList:
            return LoadOutcome::NoModuleList;
        case game::DiscoveryResult::NoObjectTable:
        case game::DiscoveryResult::NoNameTable:
            break;
    }
    return LoadOutcome::NoGameTables;
}

}  // namespace cloak

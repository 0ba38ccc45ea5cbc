#include "plugin/process_state.hpp"

#include "game/lookup.hpp"
#include "game/name_registry.hpp"
#include "game/tables.hpp"
#include "plugin/shared_console.hpp"

namespace cloak {

void ForgetProcessStateForTesting() {
    game::ObjectTableAddress = 0;
    game::NameTableAddress = 0;
    game::TablesHandedOver = false;
    game::ForgetLookupsForTesting();
    game::NameRegistry::FunctionNames.clear();
    game::NameRegistry::ClassNames.clear();
    game::NameRegistry::StructSizes.clear();
    sharedConsole.reset();
}

}  // namespace cloak

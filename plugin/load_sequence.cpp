// The load sequence: the local player's name, the hooks, and the check of the game names the
// hooks depend on.
#include "game/name_registry.hpp"
#include "plugin/cloak_my_identity.hpp"
#include "plugin/hook_table.hpp"

void CloakMyIdentity::RunLoadSequence() {
    // Without a local player there is nobody to conceal from: no hooks, no check.
    if (!NameLocalPlayer()) return;
    hooks::RegisterHookTable(*this, *gameWrapper);
    game::ResolveNameRegistries();
}

// The load sequence: the local player's name, the hooks, and the check of the game names the
// hooks depend on.
#include "game/name_registry.hpp"
#include "plugin/cloak_my_identity.hpp"
#include "plugin/hook_table.hpp"

namespace cloak {

void CloakMyIdentity::RunLoadSequence() {
    // Without a local player there is nobody to conceal from: no hooks, no check.
    if (!NameLocalPlayer()) return;
    hooks::RegisterHookTable(*this, *gameWrapper);
    // A game name the hooks rely on is missing: the game build is not the one this plugin knows.
    // The hooks stay; the handlers skip what they cannot find.
    if (!game::ResolveNameRegistries()) LogLine("BAD BAD BAD");
}

}  // namespace cloak

// The load sequence: local player name, hook registration, name check.
#include "plugin/cloak_my_identity.hpp"

void CloakMyIdentity::RunLoadSequence() {}

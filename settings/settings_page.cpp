// The settings page, drawn by Dear ImGui on the host's drawing thread.
#include "plugin/cloak_my_identity.hpp"

void CloakMyIdentity::RenderSettings() {}

// Dear ImGui as the settings page uses it.
//
// The host draws with its own Dear ImGui, version 1.75, and the plugin built for it compiles that
// version's sources into itself; the builds here use Debian's 1.86. The page keeps to what both
// versions have. The disabled block, for one, is the item flag and a style-alpha override:
// BeginDisabled and EndDisabled came in 1.84. The newer calls that would look right on the page
// are refused here, so that a build with 1.86 fails where one with 1.75 would.
#pragma once

#include <imgui.h>
#include <imgui_internal.h>

static_assert(IMGUI_VERSION_NUM >= 17500, "the page needs Dear ImGui 1.75 or later");

#if defined(__GNUC__)
#pragma GCC poison BeginDisabled EndDisabled SeparatorText BeginTable EndTable
#endif

// A header written as the host's SDK writes some of its own, with Microsoft's __pragma and
// _NODISCARD. scripts/windows.sh puts it into the SDK folder it makes of the stand-in's headers,
// included from bakkesmodsdk.h by a name with backslashes and another letter case, to show that
// the build for the real host reads such headers with another compiler too.
#pragma once

// clang-format off
__pragma(warning(push))
__pragma(warning(disable : 4251))
_NODISCARD inline int ReadAsTheSdkSpellsIt() {
    return 0;
}
__pragma(warning(pop))
    // clang-format on

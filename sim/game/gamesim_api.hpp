// Linkage of the game emulator's functions whose address other modules compare: on Windows a
// function of a DLL taken by address in another module is that module's import stub, unless the
// declaration says it is imported.
#pragma once

#if defined(_WIN32)
#if defined(GAMESIM_BUILD)
#define GAMESIM_API __declspec(dllexport)
#else
#define GAMESIM_API __declspec(dllimport)
#endif
#else
#define GAMESIM_API
#endif

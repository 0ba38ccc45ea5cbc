// Stand-in host: linkage of the host library's own classes and functions (the loader, the
// settings page, the drawn page), which the tests and the demo use. They cross the library's
// boundary as the SDK's classes do.
#pragma once

#include "bakkesmod/plugin/bakkesmodsdk.h"

#define SIM_HOST_API BAKKESMOD_PLUGIN_IMPORT

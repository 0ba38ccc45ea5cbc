// The one reset of everything the plugin keeps for the life of the process: the table addresses,
// the full-name indices and every lookup cache, the name registries and the console pointer.
//
// The plugin itself never calls it. A test program that builds a new emulated world for each of
// its cases calls it first, so that every case starts as a freshly loaded library would, whether
// the cases run one process each or all in one.
#pragma once

namespace cloak {

void ForgetProcessStateForTesting();

}  // namespace cloak

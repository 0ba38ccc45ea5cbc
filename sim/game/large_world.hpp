// Large object tables shaped like the game's, for benchmarks and for tests of the lookups at
// scale.
#pragma once

#include <cstddef>

#include "sim/game/world.hpp"

namespace emu {

// Adds about `objectCount` objects to the world: packages, classes (each with properties,
// functions with parameters and a class-default object) and, for half of the count, instances
// of those classes inside "TheWorld.PersistentLevel". Names repeat as in the game (shared field
// names, instances told apart by their name number).
void PopulateLargeWorld(World& world, std::size_t objectCount);

}  // namespace emu

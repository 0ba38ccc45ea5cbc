// Finding the game's object and name tables when the host hands none over (a host without
// HybridPlugin, as its makers publish it).
//
// Both tables are counted-array descriptors in the static data of the game's image. Discovery
// scans the writable data of every loaded image for descriptors and accepts one only when the
// objects the host did name lie in it where they say they do:
// - an object table holds each known object at the object's own index;
// - a name table holds, at each known object's name index, an entry that carries that index and
//   the text the host gives for it, and the game's name hash, at its fixed distance below the
//   descriptor, leads to the entry of "None" or "Class" in the same table.
// Every read is checked against the process's memory map first and then made by the operating
// system (game/process_memory.hpp), so memory that went away since is reported, not faulted on;
// every chain walk is bounded, and so is the scan: discovery never faults and never hangs.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "game/layout.hpp"
#include "game/process_memory.hpp"

namespace cloak::game {

enum class DiscoveryResult {
    Found,
    NoKnownObject,        // no object the host named could be read
    NoObjectTable,        // no descriptor holds the known objects at their indices
    NoNameTable,          // no descriptor holds their names
    SeveralObjectTables,  // different arrays, or one array at equal counts: which is the game's?
    SeveralNameTables,
    MemoryUnreadable,  // no memory map, or memory it called readable failed to read
    NoModuleList,      // the loaded images are unknown, and so is their data
};

struct FoundTables {
    DiscoveryResult result = DiscoveryResult::NoKnownObject;
    std::uint64_t objectTable = 0;  // descriptor addresses, 0 unless found
    std::uint64_t nameTable = 0;
};

// The host's text for a name index (GameWrapper::GetFNameByIndex); empty when it has none.
using HostNameText = std::function<std::string(std::int32_t nameIndex)>;

// `known`: objects the host named (null ones are skipped); their classes are known too.
FoundTables DiscoverTables(std::span<const GameObject* const> known, const HostNameText& nameText,
                           const ProcessMemory& memory);

}  // namespace cloak::game

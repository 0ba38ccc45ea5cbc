// The parts of the game emulator's world that its files share (world*.cpp), not for its users.
#pragma once

#include <string>
#include <string_view>

#include "sim/game/world.hpp"

namespace emu::world_parts {

// Ends the program with a message: the emulator met something its own code should never do.
[[noreturn]] void Fail(const std::string& message);

// Each unit widened as it is (the emulator's names are ASCII).
std::u16string Widen(std::string_view text);

// The world whose object this is, found through the object's table of virtual operations.
World& OwnerOf(const GameObject* object);

// A world's block of the image's static data (world_image.cpp) and the two table descriptors in
// it. Returned when the world goes, with whatever the world placed beside it.
struct ImageTables {
    ImageGlobals* block;
    GameArray<GameObject*>* objectTable;
    GameArray<NameEntry*>* nameTable;
};
ImageTables TakeImageBlock();
void ReturnImageBlock(World& owner, ImageGlobals* block);

}  // namespace emu::world_parts

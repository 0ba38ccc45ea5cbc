// The game emulator's world: fields and game memory. Where a property lies, and the game's
// strings as the game allocates and reads them.
#include <algorithm>

#include "sim/game/world.hpp"
#include "sim/game/world_parts.hpp"

namespace emu {

std::int32_t World::PropertyOffset(const GameObject* cls, std::string_view name) const {
    for (const GameObject* current = cls; current != nullptr;
         current = Layout(current).superStruct) {
        auto info = structs_.find(current);
        if (info == structs_.end()) break;
        auto found = info->second.offsets.find(name);
        if (found != info->second.offsets.end()) return found->second;
    }
    world_parts::Fail("no property " + std::string(name) + " in " + FullName(cls));
}

void World::SetString(GameObject* object, std::string_view property, std::u16string_view text) {
    Field<GameString>(object, property) = MakeString(text);
}

std::u16string World::GetString(GameObject* object, std::string_view property) const {
    return ReadString(Field<GameString>(object, property));
}

GameString World::MakeString(std::u16string_view text) {
    if (text.empty()) return GameString{nullptr, 0, 0};
    const auto count = static_cast<std::int32_t>(text.size() + 1);
    GameString made{allocator_.AllocateArray<char16_t>(text.size() + 1), count, count};
    std::copy(text.begin(), text.end(), made.data);
    return made;
}

std::u16string World::ReadUnits(const char16_t* data, std::int32_t count) {
    if (data == nullptr || count <= 0) return {};
    std::u16string_view units(data, static_cast<std::size_t>(count));
    return std::u16string(units.substr(0, units.find(u'\0')));
}

}  // namespace emu

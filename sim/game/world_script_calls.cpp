// The game emulator's world: script calls. Native bodies, the game's ProcessEvent behind every
// object's slot 67, and the localization that Localize reads.
#include <tuple>

#include "sim/game/world.hpp"
#include "sim/game/world_parts.hpp"

namespace emu {

using world_parts::OwnerOf;

// ---- Script -------------------------------------------------------------------------------------

void World::SetNative(GameObject* function, NativeBody body) {
    natives_[function] = std::move(body);
}

void World::SetNative(std::string_view functionFullName, NativeBody body) {
    SetNative(Get(functionFullName), std::move(body));
}

void World::Call(GameObject* object, std::string_view functionFullName, void* params) {
    const auto processEvent =
        reinterpret_cast<ProcessEventFunction>(Layout(object).virtualTable[kProcessEventSlot]);
    processEvent(object, Get(functionFullName), params);
}

void World::GameProcessEvent(GameObject* object, GameObject* function, void* params) {
    World& world = OwnerOf(object);
    ++world.callCounts_[function];
    auto body = world.natives_.find(function);
    if (body != world.natives_.end()) body->second(object, params);
}

ProcessEventFunction World::ProcessEventSlot() const {
    return reinterpret_cast<ProcessEventFunction>(virtualTable_[kProcessEventSlot]);
}

void World::SetProcessEventSlot(ProcessEventFunction processEvent) {
    virtualTable_[kProcessEventSlot] = reinterpret_cast<VirtualSlot>(processEvent);
}

std::size_t World::CallCount(std::string_view functionFullName) const {
    auto found = callCounts_.find(Find(functionFullName));
    return found == callCounts_.end() ? 0 : found->second;
}

// ---- Localization -------------------------------------------------------------------------------

void World::SetLocalizedText(std::u16string_view package, std::u16string_view section,
                             std::u16string_view key, std::u16string_view text) {
    localization_.insert_or_assign(
        std::tuple{std::u16string(package), std::u16string(section), std::u16string(key)},
        std::u16string(text));
}

std::u16string World::LocalizedText(std::u16string_view package, std::u16string_view section,
                                    std::u16string_view key) const {
    auto found = localization_.find(
        std::tuple{std::u16string(package), std::u16string(section), std::u16string(key)});
    if (found != localization_.end()) return found->second;
    return u"?INT?" + std::u16string(package) + u"." + std::u16string(section) + u"." +
           std::u16string(key) + u"?";
}

}  // namespace emu

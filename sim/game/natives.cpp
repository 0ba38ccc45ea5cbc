// Native bodies of the game functions the plugin calls, and the localization they read. The game
// only reads its string arguments (never frees or keeps them) and hands out new game-allocated
// strings as results.
#include <string>

#include "sim/game/function_params.hpp"
#include "sim/game/world.hpp"

namespace emu {

namespace {

// The game's generic team labels.
void DefineLocalization(World& world) {
    world.SetLocalizedText(u"UIText", u"Global", u"Home", u"Blue");
    world.SetLocalizedText(u"UIText", u"Global", u"Away", u"Orange");
}

void Localize(World& world, void* params) {
    auto& block = *static_cast<LocalizeParams*>(params);
    block.result = world.MakeString(world.LocalizedText(World::ReadString(block.package),
                                                        World::ReadString(block.section),
                                                        World::ReadString(block.key)));
}

void RepeatString(World& world, void* params) {
    auto& block = *static_cast<RepeatStringParams*>(params);
    const std::u16string text = World::ReadString(block.text);
    std::u16string repeated;
    for (std::int32_t i = 0; i < block.count; ++i) repeated += text;
    block.result = world.MakeString(repeated);
}

// The online player keeps its own copy of the name.
void SetPlayerName(World& world, GameObject* onlinePlayer, void* params) {
    const auto& block = *static_cast<const SetPlayerNameParams*>(params);
    world.SetString(onlinePlayer, "PlayerName", World::ReadString(block.name));
}

// Pending notifications join the shown ones; the pending list is emptied.
void ProcessPendingNotifications(World& world, GameObject* manager) {
    auto& pending = world.Field<GameArray<GameObject*>>(manager, "PendingNotifications");
    auto& shown = world.Field<GameArray<GameObject*>>(manager, "Notifications");
    for (std::int32_t i = 0; i < pending.count; ++i) world.Append(shown, pending.data[i]);
    pending.count = 0;
}

void RefreshNotifications(World& world, GameObject* manager) {
    world.Field<std::int32_t>(manager, "DisplayedNotificationCount") =
        world.Field<GameArray<GameObject*>>(manager, "Notifications").count;
}

}  // namespace

void DefineNatives(World& world) {
    DefineLocalization(world);
    world.SetNative("Function Core.Object.Localize",
                    [&world](GameObject*, void* params) { Localize(world, params); });
    world.SetNative("Function Core.Object.RepeatString",
                    [&world](GameObject*, void* params) { RepeatString(world, params); });
    world.SetNative(
        "Function ProjectX.OnlinePlayer_X.SetPlayerName",
        [&world](GameObject* self, void* params) { SetPlayerName(world, self, params); });
    world.SetNative(
        "Function TAGame.GFxData_NotificationManager_TA.ProcessPendingNotifications",
        [&world](GameObject* self, void*) { ProcessPendingNotifications(world, self); });
    world.SetNative("Function TAGame.GFxData_NotificationManager_TA.RefreshNotifications",
                    [&world](GameObject* self, void*) { RefreshNotifications(world, self); });
}

}  // namespace emu

// Script calls through the target object's ProcessEvent.
#include "game/script_calls.hpp"

#include "game/class_caches.hpp"
#include "game/game_string.hpp"

namespace cloak::game {

namespace {

FunctionCache LocalizeFunction{"Function Core.Object.Localize"};
FunctionCache RepeatStringFunction{"Function Core.Object.RepeatString"};
FunctionCache SetPlayerNameFunction{"Function ProjectX.OnlinePlayer_X.SetPlayerName"};
FunctionCache RefreshNotificationsFunction{
    "Function TAGame.GFxData_NotificationManager_TA.RefreshNotifications"};

// Releases every string a call was given and every string left in its block.
template <class... Strings>
void ConsumeStrings(Strings&... strings) {
    (ReleaseGameString(strings), ...);
}

}  // namespace

void ProcessEvent(GameObject* object, GameObject* function, void* params) {
    const auto processEvent =
        reinterpret_cast<ProcessEventFunction>(object->virtualTable[kProcessEventSlot]);
    processEvent(object, function, params);
}

GameString Localize(GameString section, GameString key, GameString package) {
    LocalizeParams params{};
    params.section = section;
    params.key = key;
    params.package = package;
    GameString result{};
    if (CallFunction(CoreObjectClass.Get(), LocalizeFunction, params)) result = params.result;
    ConsumeStrings(params.section, params.key, params.package, params.result);
    ConsumeStrings(section, key, package);
    return result;
}

GameString RepeatString(GameString text, std::int32_t count) {
    RepeatStringParams params{};
    params.text = text;
    params.count = count;
    GameString result{};
    if (CallFunction(CoreObjectClass.Get(), RepeatStringFunction, params)) result = params.result;
    ConsumeStrings(params.text, params.result);
    ConsumeStrings(text);
    return result;
}

void SetPlayerName(GameObject* onlinePlayer, GameString name) {
    SetPlayerNameParams params{name};
    CallFunction(onlinePlayer, SetPlayerNameFunction, params);
    ConsumeStrings(params.name, name);
}

void RefreshNotifications(GameObject* manager) {
    CallWithoutArguments(manager, RefreshNotificationsFunction);
}

void CallWithoutArguments(GameObject* object, FunctionCache& function) {
    NoParams params{};
    CallFunction(object, function, params);
}

}  // namespace cloak::game

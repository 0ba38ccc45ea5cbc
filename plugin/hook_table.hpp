// The hooked game events: which script functions the plugin asks the host to hook, when each
// callback runs, which handler it reaches, and which game names the handler depends on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "plugin/cloak_my_identity.hpp"
#include "plugin/entry_guard.hpp"

namespace cloak {

namespace hooks {

// ---- Trigger, RegistryName ----------------------------------------------------------------------

enum class Trigger : std::uint8_t {
    Pre,   // before the game function's body; parameter changes reach the body
    Post,  // after the body; parameter changes reach the function's caller
    Plain  // when the function runs; the callback gets the event name only
};

// A game name that a row's handler relies on; the check at the end of the load looks every one
// of them up in the running game.
struct RegistryName {
    enum class Kind : std::uint8_t { RowFunction, Class, Struct };
    Kind kind = Kind::RowFunction;
    std::string_view className;      // Kind::Class
    std::u16string_view structName;  // Kind::Struct
    std::uint64_t structSize = 0;    // Kind::Struct
};

// The full name of the row's own function.
inline constexpr RegistryName RowFunction{};
constexpr RegistryName Class(std::string_view fullName) {
    return {RegistryName::Kind::Class, fullName, {}, 0};
}
constexpr RegistryName Struct(std::u16string_view name, std::uint64_t size) {
    return {RegistryName::Kind::Struct, {}, name, size};
}

// The names of one row, in the order they are entered.
class RegistryNames {
public:
    constexpr RegistryNames() = default;
    constexpr RegistryNames(std::initializer_list<RegistryName> names) {
        for (const RegistryName& name : names) names_[count_++] = name;
    }
    constexpr const RegistryName* begin() const { return names_.data(); }
    constexpr const RegistryName* end() const { return names_.data() + count_; }
    constexpr std::size_t size() const { return count_; }

private:
    std::array<RegistryName, 3> names_{};
    std::size_t count_ = 0;
};

// ---- Dispatch -----------------------------------------------------------------------------------

template <typename Caller>
using CallerHandler = void (CloakMyIdentity::*)(Caller, void*, std::string);
using PlainHandler = void (CloakMyIdentity::*)(std::string);
// The handler a row's callable calls; its type says which wrapper, if any, it receives.
using RowHandler =
    std::variant<CallerHandler<ActorWrapper>, CallerHandler<PriWrapper>, PlainHandler>;

// The callable of a row with a caller. It holds only a weak reference to the plugin object, so
// the host may copy it freely, and a call that comes after the object is gone does nothing; each
// call hands the handler its own copy of the caller wrapper. It runs under the entry guard, which
// names the hooked function in its line.
template <typename Caller, CallerHandler<Caller> Handler>
auto CallerDispatch(CloakMyIdentity& plugin, std::string_view function) {
    static_assert(std::is_same_v<Caller, ActorWrapper> || std::is_same_v<Caller, PriWrapper>,
                  "the host calls back with an ActorWrapper or a PriWrapper");
    return Guarded("the hook of " + std::string(function), [target = plugin.HookTarget()](
                                                               const Caller& caller, void* params,
                                                               std::string&& eventName) {
        const std::shared_ptr<CloakMyIdentity*> alive = target.lock();
        if (!alive) return;
        ((*alive)->*Handler)(Caller(caller), params, std::string(std::move(eventName)));
    });
}

template <PlainHandler Handler>
auto PlainDispatch(CloakMyIdentity& plugin, std::string_view function) {
    return Guarded("the hook of " + std::string(function),
                   [target = plugin.HookTarget()](std::string&& eventName) {
                       const std::shared_ptr<CloakMyIdentity*> alive = target.lock();
                       if (!alive) return;
                       ((*alive)->*Handler)(std::string(std::move(eventName)));
                   });
}

// ---- HookOperation ------------------------------------------------------------------------------

// One way of hooking a function: the trigger, the handler, and the host call that registers a
// callable of that handler.
struct HookOperation {
    Trigger trigger;
    RowHandler handler;
    void (*hook)(GameWrapper& game, std::string function, CloakMyIdentity& plugin);
};

// The handler's type is part of each operation's template parameters, so a row whose handler
// does not take what its trigger delivers does not compile.
template <typename Caller, CallerHandler<Caller> Handler>
inline constexpr HookOperation Pre{
    Trigger::Pre, Handler, [](GameWrapper& game, std::string function, CloakMyIdentity& plugin) {
        auto callable = CallerDispatch<Caller, Handler>(plugin, function);
        game.HookEventWithCaller<Caller>(std::move(function), std::move(callable));
    }};

template <typename Caller, CallerHandler<Caller> Handler>
inline constexpr HookOperation Post{
    Trigger::Post, Handler, [](GameWrapper& game, std::string function, CloakMyIdentity& plugin) {
        auto callable = CallerDispatch<Caller, Handler>(plugin, function);
        game.HookEventWithCallerPost<Caller>(std::move(function), std::move(callable));
    }};

template <PlainHandler Handler>
inline constexpr HookOperation Plain{
    Trigger::Plain, Handler, [](GameWrapper& game, std::string function, CloakMyIdentity& plugin) {
        auto callable = PlainDispatch<Handler>(plugin, function);
        game.HookEvent(std::move(function), std::move(callable));
    }};

// ---- HookRow, HookTable -------------------------------------------------------------------------

struct HookRow {
    std::string_view function;  // full name of the hooked script function
    HookOperation operation;
    RegistryNames names;  // entered right before the row is hooked
};

// Registration order is this order.
inline constexpr std::array<HookRow, 13> HookTable{{
    {"Function TAGame.GFxData_LocalPlayer_TA.CanShowRankInfoForPlaylistByID",
     Post<ActorWrapper, &CloakMyIdentity::ConcealMenuRank>,
     {RowFunction}},
    {"Function TAGame.GFxData_SeasonReward_TA.UpdateData",
     Post<ActorWrapper, &CloakMyIdentity::ConcealSeasonRank>,
     {RowFunction}},
    {"Function TAGame.GFxData_TeamInfo_TA.HandleNameChanged",
     Post<ActorWrapper, &CloakMyIdentity::ConcealTeamName>,
     {RowFunction}},
    {"Function TAGame.GFxData_Vote_TA.SetVoteActor",
     Pre<ActorWrapper, &CloakMyIdentity::ConcealForfeitVote>,
     {RowFunction}},
    {"Function TAGame.GFxData_PRI_TA.HandleTitleChanged",
     Post<ActorWrapper, &CloakMyIdentity::ConcealTitle>,
     {RowFunction}},
    {"Function TAGame.PRI_TA.ReplicatedEvent",
     Pre<ActorWrapper, &CloakMyIdentity::ConcealReplicatedPlayer>,
     {RowFunction}},
    {"Function ProjectX.RPCQueue_X.CreateBatchSingleRPC",
     Post<ActorWrapper, &CloakMyIdentity::ConcealLocalName>,
     {}},
    {"Function TAGame.RecentPlayers_TA.OnRecentsChanged",
     Post<ActorWrapper, &CloakMyIdentity::OnRecentsChanged>,
     {RowFunction, Class("Class TAGame.RecentPlayers_TA")}},
    {"Function TAGame.GFxData_Friends_TA.DownloadRecentPlayers",
     Post<ActorWrapper, &CloakMyIdentity::OnDownloadRecentPlayers>,
     {Class("Class TAGame.GFxData_Friends_TA"), RowFunction}},
    {"Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1",
     Post<ActorWrapper, &CloakMyIdentity::ConcealScoreStat>,
     {RowFunction}},
    {"Function TAGame.PRI_TA.OnLoadoutsSetInternal",
     Post<PriWrapper, &CloakMyIdentity::ApplyDefaultLoadouts>,
     {Struct(u"ClientLoadoutData", 16), Struct(u"ClientLoadoutOnlineData", 16), RowFunction}},
    {"Function TAGame.GFxData_NotificationManager_TA.HandleNotificationAdded",
     Pre<ActorWrapper, &CloakMyIdentity::OnNotificationAdded>,
     {Class("Class TAGame.GFxData_NotificationManager_TA"),
      Class("Class TAGame.FriendRequestNotification_TA"), RowFunction}},
    {"Function TAGame.GameEvent_Soccar_TA.Destroyed",
     Plain<&CloakMyIdentity::ResetPlayerNumbers>,
     {}},
}};

// ---- RegisterHookTable, UnhookHookTable ---------------------------------------------------------

// For each row in order: enter its names into the game's name registry, then hook it.
void RegisterHookTable(CloakMyIdentity& plugin, GameWrapper& game);
// Removes every row's hook. The host leaves hooks to the plugin that made them, and their
// callables are code of this module: a hook left behind when the host frees the module would
// call into memory that is gone at the function's next call.
void UnhookHookTable(GameWrapper& game);

}  // namespace hooks

}  // namespace cloak

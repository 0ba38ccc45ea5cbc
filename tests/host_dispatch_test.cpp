// The stand-in host's hooks around the game's ProcessEvent, its game-thread queue, and what it
// answers about the running game.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "bakkesmod/wrappers/cvarmanagerwrapper.h"
#include "game/memory.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host_state.hpp"

using namespace cloak;

namespace {

using emu::GameObject;
using ::testing::ElementsAre;

constexpr const char* kProbe = "Function Core.Object.Probe";
constexpr const char* kOther = "Function Core.Object.Other";

// A game function with a 4-byte argument and a 4-byte result, whose body records the argument
// it saw and answers argument + 1.
struct ProbeParams {
    std::int32_t argument;
    std::int32_t result;
};

class HostDispatchTest : public ::testing::Test {
protected:
    HostDispatchTest() {
        GameObject* object = world.Get("Class Core.Object");
        world.DefineFunction(object, "Probe");
        world.DefineFunction(object, "Other");
        world.SetNative(kProbe, [this](GameObject*, void* params) {
            auto& block = *static_cast<ProbeParams*>(params);
            trace.push_back("body saw " + std::to_string(block.argument));
            block.result = block.argument + 1;
        });
        target = world.Spawn("Class Core.Object");
    }

    ProbeParams Call(const char* function, std::int32_t argument) {
        ProbeParams block{argument, 0};
        world.Call(target, function, &block);
        return block;
    }

    emu::World world;
    sim::host::HostState host;
    GameWrapper game{&host};
    GameObject* target = nullptr;
    std::vector<std::string> trace;
};

TEST_F(HostDispatchTest, PreCallbacksFeedTheBodyAndPostCallbacksFeedTheCaller) {
    game.HookEventWithCallerPost<ActorWrapper>(
        kProbe, [this](ActorWrapper caller, void* params, std::string name) {
            auto& block = *static_cast<ProbeParams*>(params);
            trace.push_back("post saw " + std::to_string(block.result) + " from " + name);
            EXPECT_EQ(caller.memory_address, game::AddressOf(target));
            block.result = 0;
        });
    game.HookEventWithCaller<ActorWrapper>(
        kProbe, [this](ActorWrapper caller, void* params, std::string) {
            EXPECT_EQ(caller.memory_address, game::AddressOf(target));
            trace.push_back("pre");
            static_cast<ProbeParams*>(params)->argument = 41;
        });
    game.HookEvent(kProbe, [this](std::string name) { trace.push_back("plain " + name); });

    EXPECT_EQ(Call(kProbe, 7).result, 0);
    EXPECT_THAT(trace, ElementsAre("pre", std::string("plain ") + kProbe, "body saw 41",
                                   std::string("post saw 42 from ") + kProbe));
}

TEST_F(HostDispatchTest, EveryRegistrationOfOneFunctionRunsInRegistrationOrder) {
    for (const char* who : {"first", "second"}) {
        game.HookEventWithCallerPost<PriWrapper>(
            kProbe, [this, who](PriWrapper caller, void*, std::string) {
                EXPECT_EQ(caller.memory_address, game::AddressOf(target));
                trace.push_back(who);
            });
    }
    Call(kProbe, 1);
    Call(kProbe, 2);
    EXPECT_THAT(trace,
                ElementsAre("body saw 1", "first", "second", "body saw 2", "first", "second"));
    EXPECT_EQ(host.hooks.Count(kProbe), 2U);
}

TEST_F(HostDispatchTest, HooksOnlyRunForTheirOwnFunction) {
    game.HookEvent(kOther, [this](std::string) { trace.push_back("other hooked"); });
    EXPECT_EQ(Call(kProbe, 3).result, 4);
    EXPECT_THAT(trace, ElementsAre("body saw 3"));
}

// The dispatch remembers per function object whether it has hooks; a later registration must
// still be seen, also one made from inside a running callback.
TEST_F(HostDispatchTest, HooksRegisteredLaterAreSeen) {
    Call(kProbe, 1);
    game.HookEvent(kProbe, [this](std::string) {
        trace.push_back("plain");
        if (host.hooks.Count(kProbe) == 1) {
            game.HookEvent(kProbe, [this](std::string) { trace.push_back("added"); });
        }
    });
    Call(kProbe, 2);
    Call(kProbe, 3);
    EXPECT_THAT(trace, ElementsAre("body saw 1", "plain", "added", "body saw 2", "plain", "added",
                                   "body saw 3"));
}

// Unhooking drops the timing it names and nothing else, also when a callback unhooks its own
// function while the function's callbacks run.
TEST_F(HostDispatchTest, UnhookingDropsOneTimingOfAFunction) {
    game.HookEvent(kProbe, [this](std::string) {
        trace.push_back("plain");
        game.UnhookEventPost(kProbe);
    });
    game.HookEventWithCaller<ActorWrapper>(
        kProbe, [this](ActorWrapper, void*, std::string) { trace.push_back("pre"); });
    game.HookEventWithCallerPost<ActorWrapper>(
        kProbe, [this](ActorWrapper, void*, std::string) { trace.push_back("post"); });
    game.HookEventWithCallerPost<ActorWrapper>(
        kOther, [this](ActorWrapper, void*, std::string) { trace.push_back("other post"); });

    Call(kProbe, 1);
    EXPECT_EQ(host.hooks.Count(kProbe), 2U);
    game.UnhookEvent(kProbe);
    Call(kProbe, 2);
    Call(kOther, 3);
    EXPECT_THAT(trace, ElementsAre("plain", "pre", "body saw 1", "body saw 2", "other post"));
    EXPECT_EQ(host.hooks.Count(kProbe), 0U);
}

TEST_F(HostDispatchTest, TimedWorkWaitsUntilItIsDue) {
    game.SetTimeout([this](GameWrapper*) { trace.push_back("in an hour"); }, 3600.0F);
    for (const float never : {-1.0F, std::numeric_limits<float>::quiet_NaN(), 0.0F}) {
        game.SetTimeout([this](GameWrapper*) { trace.push_back("now"); }, never);
    }
    game.SetTimeout([](GameWrapper*) {}, std::numeric_limits<float>::infinity());
    host.work.RunAll(&game);
    EXPECT_THAT(trace, ElementsAre("now", "now", "now"));
    EXPECT_EQ(host.work.Pending(), 2U);
}

// Console lines are UTF-8 whatever the plugin hands over, wide text included.
TEST_F(HostDispatchTest, WideConsoleLinesArriveAsUtf8) {
    CVarManagerWrapper console(&host);
    console.log(L"Zo\u00EB \u30C7\u30FC\u30BF");
    console.log(std::wstring(1, static_cast<wchar_t>(0xD800)));
    EXPECT_THAT(host.console.Lines(),
                ElementsAre("Zo\xC3\xAB \xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF", "\xEF\xBF\xBD"));
}

TEST_F(HostDispatchTest, ExecutedWorkWaitsForTheNextTick) {
    sim::host::HostState* state = &host;
    game.Execute([this, state](GameWrapper* wrapper) {
        trace.push_back("first");
        wrapper->Execute([this](GameWrapper*) { trace.push_back("queued by first"); });
        EXPECT_EQ(state->work.Pending(), 1U);
    });
    EXPECT_TRUE(trace.empty());
    host.work.RunAll(&game);
    EXPECT_THAT(trace, ElementsAre("first"));
    host.work.RunAll(&game);
    EXPECT_THAT(trace, ElementsAre("first", "queued by first"));
}

// ---- What the host answers about the game -------------------------------------------------------

class HostQueriesTest : public ::testing::Test {
protected:
    emu::World world;
    sim::host::HostState host;
    GameWrapper game{&host};
};

TEST_F(HostQueriesTest, WithoutAGameSessionEveryWrapperIsEmpty) {
    EXPECT_FALSE(game.GetPlayerController());
    EXPECT_FALSE(game.GetPlayerController().GetPRI());
    EXPECT_FALSE(game.IsInFreeplay());
    EXPECT_EQ(game.GetItemsWrapper().GetAllProductSlots().Count(), 0);
}

TEST_F(HostQueriesTest, LocalPlayerRecordClubAndFreePlay) {
    emu::Session session(world, u"Me");
    PlayerControllerWrapper controller = game.GetPlayerController();
    EXPECT_EQ(controller.memory_address, game::AddressOf(session.LocalController()));
    EXPECT_FALSE(controller.GetPRI()) << "no record before the local player joins";

    emu::MatchPlayer& other = session.Join(false, u"Them", 1, 77);
    emu::MatchPlayer& local = session.Join(true, u"", 0, 42);
    EXPECT_EQ(controller.GetPRI().memory_address, game::AddressOf(local.pri));
    PriWrapper(game::AddressOf(other.pri)).SetClubID(0);
    EXPECT_EQ(world.Field<std::uint64_t>(other.pri, "ClubID"), 0U);
    EXPECT_EQ(world.Field<std::uint64_t>(local.pri, "ClubID"), 42U);

    EXPECT_FALSE(game.IsInFreeplay());
    session.EnterFreePlay();
    EXPECT_TRUE(game.IsInFreeplay());
    session.EndMatch();
    EXPECT_FALSE(game.IsInFreeplay());
}

// The catalogue, position by position, as a plugin walks it: an empty position, a slot without
// a default product, and two slots that report index 2.
TEST_F(HostQueriesTest, ItemCatalogueAsTheHostListsIt) {
    emu::Session session(world, u"Me");
    ArrayWrapper<ProductSlotWrapper> slots = game.GetItemsWrapper().GetAllProductSlots();
    std::vector<std::string> seen;
    for (int i = 0; i < slots.Count(); ++i) {
        ProductSlotWrapper slot = slots.Get(i);
        if (!slot) {
            seen.push_back("none");
            continue;
        }
        ProductWrapper product = slot.GetDefaultProduct();
        seen.push_back(std::to_string(slot.GetSlotIndex()) + ":" +
                       (product ? std::to_string(product.GetID()) : "-"));
    }
    EXPECT_THAT(seen, ElementsAre("0:23", "none", "1:-", "2:376", "3:32", "4:4284", "5:4285",
                                  "2:9999", "7:270"));
    EXPECT_FALSE(slots.Get(-1));
    EXPECT_FALSE(slots.Get(slots.Count()));
}

}  // namespace

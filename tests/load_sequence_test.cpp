// The load: the local player's name, the thirteen hooks with the game names they depend on, the
// check of those names, and the early ends without a local player.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "game/memory.hpp"
#include "game/name_registry.hpp"
#include "game/process_memory.hpp"
#include "plugin/hook_table.hpp"
#include "plugin/process_state.hpp"
#include "plugin_in_game.hpp"

using namespace cloak;

// A descriptor in this program's static data, where the game's own tables live. Not in the
// anonymous namespace: the compiler would drop stores to a variable that no code of ours reads.
emu::GameArray<emu::GameObject*> secondDescriptor;

namespace {

using sim::host::HookCallback;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;
using testing_support::GameObject;

class LoadSequenceTest : public testing_support::PluginInGame {
protected:
    GameObject* LocalPlayer() { return Field<GameObject*>(session->LocalController(), "Player"); }

    std::size_t HookCount(std::string_view function) {
        return host.State().hooks.Count(std::string(function));
    }
    std::size_t RegisteredHooks() {
        std::size_t count = 0;
        for (const hooks::HookRow& row : hooks::HookTable) count += HookCount(row.function);
        return count;
    }
    // A game object the check looks for, renamed so that the game no longer has it.
    void Rename(std::string_view fullName) {
        world.Get(fullName)->nameIndex = world.Name("RenamedByTest");
    }
};

HookCallback::Phase PhaseOf(hooks::Trigger trigger) {
    switch (trigger) {
        case hooks::Trigger::Pre:
            return HookCallback::Phase::Pre;
        case hooks::Trigger::Post:
            return HookCallback::Phase::Post;
        case hooks::Trigger::Plain:
            break;
    }
    return HookCallback::Phase::Plain;
}

TEST_F(LoadSequenceTest, NamesTheLocalPlayerHooksEveryRowAndFindsEveryName) {
    Load();
    EXPECT_EQ(Text(session->OnlinePlayer(), "PlayerName"), u"Player 0");
    EXPECT_EQ(world.CallCount("Function ProjectX.OnlinePlayer_X.SetPlayerName"), 1u);

    for (const hooks::HookRow& row : hooks::HookTable) {
        const sim::host::HookList* list = host.State().hooks.Find(std::string(row.function));
        ASSERT_NE(list, nullptr) << row.function;
        ASSERT_EQ(list->callbacks.size(), 1u) << row.function;
        const HookCallback& callback = list->callbacks.front();
        EXPECT_EQ(callback.phase, PhaseOf(row.operation.trigger)) << row.function;
        // Only the loadout row's handler takes the player record wrapper.
        const bool withPri = row.function == "Function TAGame.PRI_TA.OnLoadoutsSetInternal";
        EXPECT_EQ(static_cast<bool>(callback.withPri), withPri) << row.function;
    }
    EXPECT_EQ(game::NameRegistry::FunctionNames.size(), 11u);
    EXPECT_FALSE(game::NameRegistry::FunctionNames.contains(
        "Function ProjectX.RPCQueue_X.CreateBatchSingleRPC"));
    EXPECT_EQ(game::NameRegistry::ClassNames.size(), 4u);
    EXPECT_THAT(
        game::NameRegistry::StructSizes,
        ElementsAre(Pair(u"ClientLoadoutData", 16u), Pair(u"ClientLoadoutOnlineData", 16u)));
    EXPECT_THAT(host.ConsoleLines(), IsEmpty());

    // A second load hooks everything again; the registry keeps one entry per name.
    Load();
    EXPECT_EQ(RegisteredHooks(), 2 * hooks::HookTable.size());
    EXPECT_EQ(game::NameRegistry::FunctionNames.size(), 11u);
    EXPECT_EQ(game::NameRegistry::ClassNames.size(), 4u);
    EXPECT_EQ(game::NameRegistry::StructSizes.size(), 2u);
    EXPECT_THAT(host.ConsoleLines(), IsEmpty());
}

// Each such load says in one line that nothing is concealed yet, and why, and waits.
TEST_F(LoadSequenceTest, EndsBeforeTheHooksWithoutAControllerOrItsLocalPlayer) {
    Field<GameObject*>(session->LocalController(), "Player") = nullptr;
    Load();
    EXPECT_EQ(RegisteredHooks(), 0u);
    EXPECT_THAT(game::NameRegistry::FunctionNames, IsEmpty());
    EXPECT_EQ(plugin.Outcome(), LoadOutcome::WaitingForGame);

    session.reset();  // no game session: the host reports no controller
    Load();
    EXPECT_EQ(RegisteredHooks(), 0u);
    EXPECT_THAT(host.ConsoleLines(),
                ElementsAre(HasSubstr("concealing NOTHING yet: the game's player controller has "
                                      "no local player yet"),
                            HasSubstr("concealing NOTHING yet: the game has no local player "
                                      "controller yet")));
}

// The tries of a load that waits for the game end with the load: a try the host runs after
// onUnload (or deleteMe), or after the object is gone, does nothing.
using EndOfPlugin = void (*)(std::unique_ptr<CloakMyIdentity>&);

class PendingTriesTest : public LoadSequenceTest,
                         public ::testing::WithParamInterface<EndOfPlugin> {};

TEST_P(PendingTriesTest, EndWithThePlugin) {
    session.reset();
    auto late = std::make_unique<CloakMyIdentity>();
    late->cvarManager = plugin.cvarManager;
    late->gameWrapper = plugin.gameWrapper;
    late->onLoad();
    EXPECT_EQ(host.State().work.Pending(), 1u);

    GetParam()(late);
    session.emplace(world, u"NightOwl");
    host.PlayFor(std::chrono::seconds(10));
    EXPECT_EQ(RegisteredHooks(), 0u);
    EXPECT_EQ(host.State().work.Pending(), 0u);
    EXPECT_EQ(host.ConsoleLines().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, PendingTriesTest,
    ::testing::Values([](std::unique_ptr<CloakMyIdentity>& late) { late->onUnload(); },
                      [](std::unique_ptr<CloakMyIdentity>& late) { late->CancelPendingTries(); },
                      [](std::unique_ptr<CloakMyIdentity>& late) { late.reset(); }));

// Tables that cannot be found, or not told apart, stay so while the game runs: the load says
// that this game build is unknown, once, and does not try again.
class UntrustedTablesTest : public LoadSequenceTest,
                            public ::testing::WithParamInterface<LoadOutcome> {
protected:
    std::vector<GameObject*> copy;  // a second array holding the game's objects where it does
};

TEST_P(UntrustedTablesTest, AreNotTriedAgain) {
    ForgetProcessStateForTesting();  // as a host that hands no tables over
    emu::GameArray<GameObject*>& table = world.ObjectTable();
    if (GetParam() == LoadOutcome::NoGameTables) {
        table.count = emu::Layout(session->LocalController()).index;
    } else {
        copy.assign(table.data, table.data + table.count);
        secondDescriptor = {copy.data(), table.count, table.count};
    }
    Load();
    host.PlayFor(std::chrono::seconds(10));
    secondDescriptor = {};
    EXPECT_EQ(plugin.Outcome(), GetParam());
    EXPECT_EQ(RegisteredHooks(), 0u);
    EXPECT_EQ(host.State().work.Pending(), 0u);
    EXPECT_THAT(host.ConsoleLines(),
                ElementsAre(AllOf(HasSubstr("concealing NOTHING: "),
                                  HasSubstr("this game build is not one this version of "
                                            "CloakMyIdentity knows: look for an update"))));
    EXPECT_THAT(host.Toasts(),
                ElementsAre(::testing::Field(&sim::host::ShownToast::type, ToastType_Error)));
}

INSTANTIATE_TEST_SUITE_P(Tables, UntrustedTablesTest,
                         ::testing::Values(LoadOutcome::NoGameTables,
                                           LoadOutcome::SeveralGameTables));

// Memory that changes while the load searches it is a passing cause: the load tries again on the
// waiting schedule without a word, conceals once the memory reads again, and gives up after its
// fifth try, saying so.
class ChangingMemoryTest : public LoadSequenceTest,
                           public ::testing::WithParamInterface<bool /* reads again */> {};

TEST_P(ChangingMemoryTest, IsTriedAgainThenGivenUp) {
    ForgetProcessStateForTesting();  // as a host that hands no tables over
    // The controller's header, which the search reads first.
    const std::uint64_t controller = game::AddressOf(session->LocalController());
    game::RefuseCopiesForTesting({controller, controller + 0x100});
    Load();
    EXPECT_EQ(host.State().work.Pending(), 1u);
    if (GetParam()) game::RefuseCopiesForTesting({});
    // Tries at 0.5, 1.5, 3.5 and 7.5 seconds: the last one gives up.
    host.PlayFor(std::chrono::milliseconds(7400));
    EXPECT_EQ(host.State().work.Pending(), GetParam() ? 0u : 1u);
    host.PlayFor(std::chrono::seconds(10));
    game::RefuseCopiesForTesting({});
    EXPECT_EQ(host.State().work.Pending(), 0u);
    EXPECT_EQ(RegisteredHooks(), GetParam() ? hooks::HookTable.size() : 0u);
    if (GetParam()) {
        EXPECT_EQ(plugin.Outcome(), LoadOutcome::Concealing);
        EXPECT_THAT(host.ConsoleLines(), IsEmpty());
        return;
    }
    EXPECT_EQ(plugin.Outcome(), LoadOutcome::MemoryUnreadable);
    EXPECT_THAT(host.ConsoleLines(),
                ElementsAre(AllOf(HasSubstr("concealing NOTHING: the game's memory could not be "
                                            "read"),
                                  HasSubstr("gave up after 5 tries"))));
    EXPECT_THAT(host.Toasts(),
                ElementsAre(::testing::Field(&sim::host::ShownToast::type, ToastType_Error)));
}

INSTANTIATE_TEST_SUITE_P(Memory, ChangingMemoryTest, ::testing::Bool());

// What each answer of the search for the tables makes of the load: its outcome, what the user is
// told to do, and whether it tries again (without end while the game is on its way, a few times
// over a passing cause).
struct SearchAnswer {
    const char* name;
    game::DiscoveryResult result;
    LoadOutcome outcome;
    const char* advice;
    bool triedAgain;
    bool passing;
};

class SearchAnswerTest : public ::testing::TestWithParam<SearchAnswer> {};

TEST_P(SearchAnswerTest, GivesItsOutcomeAdviceAndRetry) {
    const LoadOutcome outcome = OutcomeOfSearch(GetParam().result);
    EXPECT_EQ(outcome, GetParam().outcome);
    EXPECT_THAT(OutcomeAdvice(outcome), HasSubstr(GetParam().advice));
    EXPECT_EQ(TriedAgain(outcome), GetParam().triedAgain);
    EXPECT_EQ(PassingCause(outcome), GetParam().passing);
}

constexpr const char* kUpdate = "look for an update";
constexpr const char* kLoadAgain = "Load the plugin again";

INSTANTIATE_TEST_SUITE_P(
    Every, SearchAnswerTest,
    ::testing::Values(SearchAnswer{"Found", game::DiscoveryResult::Found, LoadOutcome::Concealing,
                                   "", false, false},
                      SearchAnswer{"NoKnownObject", game::DiscoveryResult::NoKnownObject,
                                   LoadOutcome::NoLocalController, "It tries again on its own",
                                   true, false},
                      SearchAnswer{"NoObjectTable", game::DiscoveryResult::NoObjectTable,
                                   LoadOutcome::NoGameTables, kUpdate, false, false},
                      SearchAnswer{"NoNameTable", game::DiscoveryResult::NoNameTable,
                                   LoadOutcome::NoGameTables, kUpdate, false, false},
                      SearchAnswer{"SeveralObjectTables",
                                   game::DiscoveryResult::SeveralObjectTables,
                                   LoadOutcome::SeveralGameTables, kUpdate, false, false},
                      SearchAnswer{"SeveralNameTables", game::DiscoveryResult::SeveralNameTables,
                                   LoadOutcome::SeveralGameTables, kUpdate, false, false},
                      SearchAnswer{"MemoryUnreadable", game::DiscoveryResult::MemoryUnreadable,
                                   LoadOutcome::MemoryUnreadable, kLoadAgain, false, true},
                      SearchAnswer{"NoModuleList", game::DiscoveryResult::NoModuleList,
                                   LoadOutcome::NoModuleList, kLoadAgain, false, false}),
    [](const ::testing::TestParamInfo<SearchAnswer>& answer) {
        return std::string(answer.param.name);
    });

// Every outcome a load can end in has a toast that fits the host's 290x60 notice: two lines of
// about forty characters.
TEST(OutcomeToasts, FitTheNotice) {
    for (int outcome = 0; outcome <= static_cast<int>(LoadOutcome::NoModuleList); ++outcome) {
        EXPECT_LE(ToastFor(static_cast<LoadOutcome>(outcome)).text.size(), 80u) << outcome;
    }
}

// What the plugin says about whether it conceals, in each state: the last toast (what the user
// must act on - a Warning or an Error - stays longer than any OK or Info), the first line of
// cloak_status, and the lasting sign on the game's screen (red while the identity shows as a
// whole, amber while parts of it do; nothing while everything is concealed).
class WhatThePluginSaysTest;

struct SaysCase {
    const char* name;
    void (*play)(WhatThePluginSaysTest&);
    std::uint8_t toastType;
    std::string toast;
    std::string status;
    std::string sign;
    bool red = false;
};

void PrintTo(const SaysCase& says, std::ostream* out) {
    *out << says.name;
}

class WhatThePluginSaysTest : public LoadSequenceTest,
                              public ::testing::WithParamInterface<SaysCase> {
public:
    void LoadNow() {
        Load();
        host.Tick();
    }
    void Type(const std::string& line) {
        host.ExecuteCommand(line);
        host.Tick();
    }
    void StartLoading() {
        session.reset();
        session.emplace(world, u"NightOwl", emu::BuiltInCatalogue(), emu::GameStart::Loading);
    }
    void ReachMainMenu() { session->ReachMainMenu(); }
    void Play(std::chrono::milliseconds span) { host.PlayFor(span); }
    void RemoveAGameName() { Rename("Class TAGame.RecentPlayers_TA"); }
};

TEST_P(WhatThePluginSaysTest, TheToastTheStatusAndTheSignAgree) {
    const SaysCase& says = GetParam();
    says.play(*this);

    const std::vector<sim::host::ShownToast> toasts = host.Toasts();
    ASSERT_FALSE(toasts.empty());
    EXPECT_EQ(toasts.back().type, says.toastType);
    EXPECT_EQ(toasts.back().text, says.toast);
    if (says.toastType == ToastType_Warning || says.toastType == ToastType_Error) {
        EXPECT_GE(toasts.back().timeout, 10.0F);
    } else {
        EXPECT_LE(toasts.back().timeout, 3.5F);
    }

    const std::size_t before = host.ConsoleLines().size();
    host.ExecuteCommand("cloak_status");
    ASSERT_GT(host.ConsoleLines().size(), before);
    EXPECT_EQ(host.ConsoleLines()[before], says.status);

    host.Tick();
    std::vector<sim::host::DrawnItem> texts;
    for (const sim::host::DrawnItem& item : host.State().canvas.LastFrame()) {
        if (!item.text.empty()) texts.push_back(item);
    }
    if (says.sign.empty()) {
        EXPECT_THAT(texts, IsEmpty());
    } else {
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, says.sign);
        const std::array<std::uint8_t, 4> red{255, 64, 64, 255};
        EXPECT_EQ(texts[0].colour == red, says.red);
    }
}

const std::string kConcealing = "CloakMyIdentity: Concealing.";
const std::string kPaused =
    "CloakMyIdentity: PAUSED: nothing new is concealed until concealment resumes (cloak_resume).";
const std::string kWaiting =
    "CloakMyIdentity: NOT concealing yet: waiting for the game to have its local player.";
const std::string kPausedSign = "CloakMyIdentity: PAUSED - your identity shows";
const std::string kWaitingSign = "CloakMyIdentity: NOT concealing yet - your identity shows";

INSTANTIATE_TEST_SUITE_P(
    States, WhatThePluginSaysTest,
    ::testing::Values(
        SaysCase{"AllOn", [](WhatThePluginSaysTest& game) { game.LoadNow(); }, ToastType_OK,
                 "Concealing.", kConcealing, ""},
        // The switch is kept in the file: the next start of the game says what shows.
        SaysCase{"NamesOffAtTheNextLoad",
                 [](WhatThePluginSaysTest& game) {
                     game.LoadNow();
                     game.Type("cloak_set names off");
                     game.LoadNow();
                 },
                 ToastType_Warning, "Concealing, but shown: names",
                 "CloakMyIdentity: Concealing, but shown: names.",
                 "CloakMyIdentity: concealing, but shown: names"},
        SaysCase{"ScoreboardOff",
                 [](WhatThePluginSaysTest& game) {
                     game.LoadNow();
                     game.Type("cloak_set scoreboard off");
                     game.LoadNow();
                 },
                 ToastType_Warning, "Concealing, but shown: titles, stats",
                 "CloakMyIdentity: Concealing, but shown: titles, stats.",
                 "CloakMyIdentity: concealing, but shown: titles, stats"},
        SaysCase{"Paused",
                 [](WhatThePluginSaysTest& game) {
                     game.LoadNow();
                     game.Type("cloak_pause");
                 },
                 ToastType_Warning, "Concealment PAUSED: nothing new is concealed", kPaused,
                 kPausedSign, true},
        SaysCase{"Resumed",
                 [](WhatThePluginSaysTest& game) {
                     game.LoadNow();
                     game.Type("cloak_pause; cloak_resume");
                 },
                 ToastType_OK, "Concealing again.", kConcealing, ""},
        SaysCase{"ResumedWithNamesOff",
                 [](WhatThePluginSaysTest& game) {
                     game.LoadNow();
                     game.Type("cloak_set names off; cloak_pause; cloak_resume");
                 },
                 ToastType_Warning, "Concealing again, but shown: names",
                 "CloakMyIdentity: Concealing, but shown: names.",
                 "CloakMyIdentity: concealing, but shown: names"},
        SaysCase{"WithGaps",
                 [](WhatThePluginSaysTest& game) {
                     game.RemoveAGameName();
                     game.LoadNow();
                 },
                 ToastType_Warning,
                 "Concealing with gaps: the game has changed. Some things may show.",
                 "CloakMyIdentity: Concealing, but game names it relies on are missing (\"BAD BAD "
                 "BAD\" on the console): some things may still show.",
                 "CloakMyIdentity: concealing with gaps - some things may show"},
        SaysCase{"Waiting",
                 [](WhatThePluginSaysTest& game) {
                     game.StartLoading();
                     game.LoadNow();
                 },
                 ToastType_Info, "Waiting for the game. Concealing starts on its own.", kWaiting,
                 kWaitingSign, true},
        SaysCase{"ResumedWhileWaiting",
                 [](WhatThePluginSaysTest& game) {
                     game.StartLoading();
                     game.LoadNow();
                     game.Type("cloak_pause; cloak_resume");
                 },
                 ToastType_Error, "Resumed, but NOT concealing: see the console", kWaiting,
                 kWaitingSign, true},
        // The first try again comes half a second after the load.
        SaysCase{"HookedHalfASecondAfterTheGame",
                 [](WhatThePluginSaysTest& game) {
                     game.StartLoading();
                     game.LoadNow();
                     game.ReachMainMenu();
                     game.Play(std::chrono::milliseconds(500));
                 },
                 ToastType_OK, "Concealing.", kConcealing, ""},
        // A pause made while the load waits outlives the wait.
        SaysCase{"PausedWhileWaiting",
                 [](WhatThePluginSaysTest& game) {
                     game.StartLoading();
                     game.LoadNow();
                     game.Type("cloak_pause");
                     game.ReachMainMenu();
                     game.Play(std::chrono::seconds(1));
                 },
                 ToastType_Warning, "Ready, but PAUSED: nothing is concealed until you resume",
                 kPaused, kPausedSign, true}),
    [](const ::testing::TestParamInfo<SaysCase>& says) { return std::string(says.param.name); });

TEST_F(LoadSequenceTest, WithoutAnOnlinePlayerHooksAreRegisteredAndNoNameChanges) {
    Field<GameObject*>(LocalPlayer(), "OnlinePlayer") = nullptr;
    Load();
    EXPECT_EQ(RegisteredHooks(), hooks::HookTable.size());
    EXPECT_EQ(Text(session->OnlinePlayer(), "PlayerName"), u"NightOwl");
    EXPECT_EQ(world.CallCount("Function ProjectX.OnlinePlayer_X.SetPlayerName"), 0u);
}

TEST_F(LoadSequenceTest, MissingGameNamesLogOneLineAndTheHooksStay) {
    // A size stored before the load is set back to the one the loadout handler relies on.
    game::NameRegistry::SetStructSize(u"ClientLoadoutData", 8);
    Rename("Class TAGame.FriendRequestNotification_TA");
    Rename("Function TAGame.GFxData_Vote_TA.SetVoteActor");
    Load();
    EXPECT_EQ(game::NameRegistry::StructSizes.at(u"ClientLoadoutData"), 16u);
    EXPECT_THAT(host.ConsoleLines(), ElementsAre("BAD BAD BAD",
                                                 "CloakMyIdentity: game names missing: Function "
                                                 "TAGame.GFxData_Vote_TA.SetVoteActor, Class "
                                                 "TAGame.FriendRequestNotification_TA"));
    EXPECT_EQ(RegisteredHooks(), hooks::HookTable.size());
}

TEST_F(LoadSequenceTest, StructOfTheWrongSizeIsReportedToo) {
    world.Get("ScriptStruct TAGame.PRI_TA.ClientLoadoutOnlineData")->propertySize = 24;
    Load();
    EXPECT_THAT(host.ConsoleLines(),
                ElementsAre("BAD BAD BAD",
                            "CloakMyIdentity: game names missing: ScriptStruct "
                            "ClientLoadoutOnlineData of 16 bytes"));
}

}  // namespace

// The plugin object's life as the host drives it through the module's exports: one object per
// process, released by deleteMe, rebuilt fresh, and onLoad taking the host's console each time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "plugin/cloak_my_identity.hpp"
#include "sim/host/host_state.hpp"
#include "tests/plugin_module.hpp"
#include "tests/temp_folder.hpp"

using namespace cloak;

namespace {

using testing_support::PluginModule;

CloakMyIdentity& AsPlugin(const std::shared_ptr<BakkesModPlugin>& owner) {
    return static_cast<CloakMyIdentity&>(*owner);
}

class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        getPlugin = module.getPlugin();
        deleteMe = module.deleteMe();
        ASSERT_NE(getPlugin, nullptr);
        ASSERT_NE(deleteMe, nullptr);
    }

    PluginModule module;
    testing_support::GetPluginFunction getPlugin = nullptr;
    testing_support::DeleteMeFunction deleteMe = nullptr;
};

TEST_F(LifecycleTest, GetPluginTwiceGivesOneObject) {
    std::shared_ptr<BakkesModPlugin>* first = getPlugin();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(*first);
    BakkesModPlugin* object = first->get();
    EXPECT_EQ(first->use_count(), 1);

    std::shared_ptr<BakkesModPlugin>* second = getPlugin();
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->get(), object);
    EXPECT_EQ(second->use_count(), 1);
}

TEST_F(LifecycleTest, DeleteMeReleasesTheObjectAndAFreshOneFollows) {
    deleteMe();  // nothing to release yet

    std::shared_ptr<BakkesModPlugin>* owner = getPlugin();
    CloakMyIdentity& first = AsPlugin(*owner);
    first.settings.bShowNames.set(false);
    first.settings.Stats.FindOrAdd("MatchAssists");
    first.playerCounter = 7;

    // A host that still holds a reference keeps the object alive past deleteMe.
    std::shared_ptr<BakkesModPlugin> hostReference = *owner;
    const std::weak_ptr<BakkesModPlugin> watch = hostReference;
    deleteMe();
    EXPECT_FALSE(*owner);
    EXPECT_FALSE(watch.expired());
    hostReference.reset();
    EXPECT_TRUE(watch.expired());
    deleteMe();

    CloakMyIdentity& fresh = AsPlugin(*getPlugin());
    EXPECT_EQ(fresh.playerCounter, 0);
    EXPECT_EQ(nlohmann::json(fresh.settings), nlohmann::json(PluginSettings{}));
    EXPECT_EQ(fresh.settings.Stats.size(), 5U);
}

// Without a game an onLoad logs that it conceals nothing; each load here also finds an unusable
// settings file, and both lines show which console the plugin was holding.
TEST_F(LifecycleTest, EveryOnLoadTakesTheHostsCurrentConsole) {
    testing_support::TempFolder folder;
    sim::host::HostState hostA;
    sim::host::HostState hostB;
    hostA.dataFolder = folder.path();
    auto consoleA = std::make_shared<CVarManagerWrapper>(&hostA);
    auto consoleB = std::make_shared<CVarManagerWrapper>(&hostB);
    const auto settingsFile = folder.path() / "CloakMyIdentity" / "settings.json";

    CloakMyIdentity& plugin = AsPlugin(*getPlugin());
    plugin.gameWrapper = std::make_shared<GameWrapper>(&hostA);
    plugin.cvarManager = consoleA;
    testing_support::WriteText(settingsFile, "not JSON");
    plugin.onLoad();
    EXPECT_EQ(hostA.console.Lines().size(), 2U);
    EXPECT_EQ(consoleA.use_count(), 3);  // the test, cvarManager and the plugin's copy

    plugin.cvarManager = consoleB;
    testing_support::WriteText(settingsFile, "still not JSON");
    plugin.onLoad();
    EXPECT_EQ(hostA.console.Lines().size(), 2U);
    ASSERT_EQ(hostB.console.Lines().size(), 2U);
    EXPECT_THAT(hostB.console.Lines()[0], ::testing::HasSubstr("settings.json"));
    EXPECT_EQ(consoleA.use_count(), 1);  // the former copy was released
    EXPECT_EQ(testing_support::ReadText(settingsFile.string() + ".bad"), "not JSON");
    EXPECT_EQ(testing_support::ReadText(settingsFile.string() + ".bad.1"), "still not JSON");
}

}  // namespace

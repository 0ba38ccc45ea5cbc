// Loading the plugin through the stand-in host with a settings file in every state it can be
// found in: stored choices survive, and a file that cannot be used never switches concealment off.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plugin/cloak_my_identity.hpp"
#include "sim/host/host.hpp"
#include "tests/command_output.hpp"
#include "tests/temp_folder.hpp"

namespace {

using ::testing::HasSubstr;
using testing_support::ReadText;
using testing_support::TempFolder;
using testing_support::WriteText;

class SettingsRecoveryTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return folder.path() / "CloakMyIdentity/settings.json"; }
    std::filesystem::path SetAside() const { return File().string() + ".bad"; }

    // Loads the module into a new host; the host unloads it when the test is done with it.
    std::unique_ptr<sim::host::Host> LoadPlugin() {
        auto host = std::make_unique<sim::host::Host>(folder.path());
        EXPECT_TRUE(host->Load(CLOAK_PLUGIN_PATH, {}));
        return host;
    }

    static const PluginSettings& SettingsOf(const sim::host::Host& host) {
        return static_cast<const CloakMyIdentity*>(host.Plugin())->settings;
    }

    // settings.json as a fresh complete file holding the defaults.
    void ExpectFreshFile() const {
        const nlohmann::json written = nlohmann::json::parse(ReadText(File()));
        EXPECT_EQ(written, nlohmann::json(PluginSettings{}));
        EXPECT_EQ(ReadText(File()), written.dump(4));
    }

    TempFolder folder;
};

TEST_F(SettingsRecoveryTest, StoredChoicesSurviveAndTheFileIsWrittenBackWhole) {
    nlohmann::json stored = PluginSettings{};
    stored["bShowNames"] = false;
    stored["Stats"] = {{"MatchGoals", false}, {"MatchAssists", true}};
    WriteText(File(), stored.dump());  // compact, as a user might leave it

    auto host = LoadPlugin();
    EXPECT_EQ(nlohmann::json(SettingsOf(*host)), stored);
    EXPECT_EQ(ReadText(File()), stored.dump(4));
    EXPECT_THAT(host->ConsoleLines(), ::testing::IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(SetAside()));
}

TEST_F(SettingsRecoveryTest, UnusableFileIsSetAsideAndDefaultsConceal) {
    nlohmann::json missingKey = PluginSettings{};
    missingKey.erase("bShowTitles");
    nlohmann::json wrongType = PluginSettings{};
    wrongType["bShowNames"] = 0;
    wrongType["bHideRecents"] = false;
    struct Case {
        std::string text;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"{\"bShowNames\": false,", "parse_error"},
        {missingKey.dump(), "key 'bShowTitles' not found"},
        {wrongType.dump(), "type must be boolean, but is number"},
        {"", "parse_error"},
    };

    WriteText(SetAside(), "an older unusable file");
    for (const Case& item : cases) {
        SCOPED_TRACE(item.text);
        WriteText(File(), item.text);
        auto host = LoadPlugin();

        EXPECT_EQ(nlohmann::json(SettingsOf(*host)), nlohmann::json(PluginSettings{}));
        EXPECT_EQ(ReadText(SetAside()), item.text);
        ExpectFreshFile();
        const std::vector<std::string> lines = host->ConsoleLines();
        ASSERT_EQ(lines.size(), 1U);
        EXPECT_THAT(lines[0], HasSubstr(File().string()));
        EXPECT_THAT(lines[0], HasSubstr(item.error));
    }
}

// When the unusable file cannot be moved aside it is the user's only copy, so it stays as it is.
TEST_F(SettingsRecoveryTest, FileThatCannotBeSetAsideIsNotOverwritten) {
    WriteText(SetAside() / "something", "in the way");
    WriteText(File(), "{ broken");
    auto host = LoadPlugin();

    EXPECT_EQ(nlohmann::json(SettingsOf(*host)), nlohmann::json(PluginSettings{}));
    EXPECT_EQ(ReadText(File()), "{ broken");
    const std::vector<std::string> lines = host->ConsoleLines();
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_THAT(lines[0], HasSubstr(File().string()));
    EXPECT_THAT(lines[0], HasSubstr("parse_error"));
}

// An empty folder of that name is no one's data: it is replaced like an older file.
TEST_F(SettingsRecoveryTest, EmptyFolderInPlaceOfTheSetAsideFileIsReplaced) {
    std::filesystem::create_directories(SetAside());
    WriteText(File(), "[]");
    auto host = LoadPlugin();
    EXPECT_EQ(ReadText(SetAside()), "[]");
    ExpectFreshFile();
}

TEST_F(SettingsRecoveryTest, DemoShowsTheConsoleAndWhereTheSettingsWent) {
    WriteText(File(), "not JSON");
    const std::string command =
        std::string("'" CLOAK_DEMO_PATH "' --data-dir '") + folder.path().string() + "'";
    const auto [status, output] = testing_support::RunCommand(command);
    ASSERT_EQ(status, 0) << output;
    EXPECT_THAT(output, HasSubstr("parse_error"));
    EXPECT_THAT(output, HasSubstr(File().string()));
    ExpectFreshFile();
}

}  // namespace

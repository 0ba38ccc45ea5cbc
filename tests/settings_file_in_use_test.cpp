// The settings file where the user's machine gets in the way: a data folder named in any script,
// settings.json or settings.json.bad held open by another program, a read-only settings.json.
// Windows refuses to replace a file in use or marked read-only; the plugin then says so in one
// console line, keeps every file whole, leaves no temporary file and keeps concealing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "plugin/cloak_my_identity.hpp"
#include "plugin/process_state.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"
#include "tests/held_file.hpp"
#include "tests/settings_file_fixture.hpp"
#include "tests/temp_folder.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "settings/file_platform.hpp"
#endif

using namespace cloak;

namespace {

using ::testing::HasSubstr;
using testing_support::HeldFile;
using testing_support::kWindowsSharingRules;
using testing_support::ReadText;
using testing_support::TempFolder;
using testing_support::Utf8Text;
using testing_support::WriteText;

class SettingsFileInUseTest : public ::testing::Test {
protected:
    std::filesystem::path Folder() const { return data / "CloakMyIdentity"; }
    std::filesystem::path File() const { return Folder() / "settings.json"; }
    std::filesystem::path WithSuffix(const char* suffix) const {
        std::filesystem::path file = File();
        return file += suffix;
    }

    // The host's load steps for a plugin object of the test's own, whose member functions the
    // test may then call (the module's copy of them keeps its own console).
    std::unique_ptr<sim::host::Host> LoadPlugin() {
        auto host = std::make_unique<sim::host::Host>(data);
        host->Attach(std::make_shared<CloakMyIdentity>(), sim::host::CurrentWorldTables());
        return host;
    }

    // A running game, so that a load conceals and its only console lines are the settings'. What
    // an earlier case in this process looked up in its own game is forgotten.
    bool forgotten = (cloak::ForgetProcessStateForTesting(), true);
    emu::World game;
    emu::Session gameSession{game, u"NightOwl"};
    static CloakMyIdentity& PluginOf(const sim::host::Host& host) {
        return *static_cast<CloakMyIdentity*>(host.Plugin());
    }

    TempFolder folder;
    std::filesystem::path data = folder.path();
};

// A user named "Zoë" with a folder "データ": the folder is made, the file read and written there,
// and the console names the file in UTF-8.
TEST_F(SettingsFileInUseTest, DataFolderNamedInAnyScript) {
    data = folder.path() / u8"Zoë" / u8"データ";
    WriteText(File(), "{ broken");
    {
        auto host = LoadPlugin();
        const std::vector<std::string> lines = host->ConsoleLines();
        ASSERT_EQ(lines.size(), 1U);
        EXPECT_THAT(lines[0], HasSubstr(Utf8Text(File())));
        EXPECT_THAT(lines[0], HasSubstr(Utf8Text(WithSuffix(".bad"))));
        EXPECT_EQ(ReadText(WithSuffix(".bad")), "{ broken");
        EXPECT_EQ(nlohmann::json::parse(ReadText(File())), nlohmann::json(PluginSettings{}));

        PluginOf(*host).settings.bShowNames.set(false);
        PluginOf(*host).SaveSettings();
    }
    auto host = LoadPlugin();
    EXPECT_FALSE(PluginOf(*host).settings.bShowNames.get());
    // Only the load's word on the choice it read; nothing of the file.
    EXPECT_THAT(host->ConsoleLines(),
                ::testing::ElementsAre("CloakMyIdentity: Concealing, but shown: names."));
}

// Another program reads settings.json without letting it be deleted. A save never writes into
// the open file; where the platform refuses the replacement, the old file stays whole.
TEST_F(SettingsFileInUseTest, SaveWhileAnotherProgramHoldsTheFile) {
    auto host = LoadPlugin();
    CloakMyIdentity& plugin = PluginOf(*host);
    const std::string before = ReadText(File());
    plugin.settings.bShowClubs.set(false);
    {
        HeldFile reader(File());
        ASSERT_TRUE(reader.Holding());
        plugin.SaveSettings();
    }
    EXPECT_THAT(settings_file_test::TemporaryFiles(Folder()), ::testing::IsEmpty());
    const std::vector<std::string> lines = host->ConsoleLines();
    if (kWindowsSharingRules) {
        EXPECT_EQ(ReadText(File()), before);
        ASSERT_EQ(lines.size(), 1U);
        EXPECT_THAT(lines[0], HasSubstr(Utf8Text(File())));
        EXPECT_THAT(lines[0], HasSubstr("another program has the file open"));
    } else {
        EXPECT_THAT(lines, ::testing::IsEmpty());
        EXPECT_THAT(ReadText(File()), HasSubstr("\"bShowClubs\": false"));
    }

    // Once the other program lets go, the next save goes through.
    plugin.SaveSettings();
    EXPECT_THAT(ReadText(File()), HasSubstr("\"bShowClubs\": false"));
    EXPECT_EQ(host->ConsoleLines().size(), lines.size());
}

// A scanner that lets go within a few milliseconds costs the user nothing: the save is retried.
TEST_F(SettingsFileInUseTest, SaveOutlastsABriefHold) {
    auto host = LoadPlugin();
    CloakMyIdentity& plugin = PluginOf(*host);
    plugin.settings.bShowTitles.set(false);
    auto reader = std::make_unique<HeldFile>(File());
    ASSERT_TRUE(reader->Holding());
    std::thread letGo([&reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        reader->Release();
    });
    plugin.SaveSettings();
    letGo.join();
    EXPECT_THAT(host->ConsoleLines(), ::testing::IsEmpty());
    EXPECT_THAT(ReadText(File()), HasSubstr("\"bShowTitles\": false"));
    EXPECT_THAT(settings_file_test::TemporaryFiles(Folder()), ::testing::IsEmpty());
}

// A broken file that cannot be moved aside is the user's only copy: the load conceals
// everything and says why in one line, and no save writes over the file until a load has read it
// (each skipped save says so, and a Warning toast apiece names the file). Where it cannot go: every
// set-aside name is taken and the last is a folder with content, or (Windows) another program holds
// the file open.
TEST_F(SettingsFileInUseTest, BrokenFileThatCannotBeSetAsideIsNeverWrittenOver) {
    struct Case {
        const char* what;
        bool heldOpen;
        const char* reason;
    };
    for (const Case& item :
         {Case{"set-aside names taken", false, ""}, Case{"held open", true, "another program"}}) {
        SCOPED_TRACE(item.what);
        if (item.heldOpen && !kWindowsSharingRules) continue;  // POSIX moves an open file
        std::filesystem::remove_all(Folder());
        WriteText(File(), "{ broken");
        if (!item.heldOpen) {
            WriteText(WithSuffix(".bad"), "older");
            for (const char* n : {"1", "2", "3", "4", "5", "6", "7", "8"}) {
                WriteText(WithSuffix((std::string(".bad.") + n).c_str()), "older");
            }
            WriteText(WithSuffix(".bad.9") / "something", "in the way");
        }
        std::optional<HeldFile> reader;
        if (item.heldOpen) {
            ASSERT_TRUE(reader.emplace(File()).Holding());
        }
        std::vector<std::string> lines;
        {
            auto host = LoadPlugin();
            EXPECT_EQ(nlohmann::json(PluginOf(*host).settings), nlohmann::json(PluginSettings{}));
            PluginOf(*host).settings.bShowNames.set(false);  // a click on the page
            PluginOf(*host).SaveChange();
            lines = host->ConsoleLines();
            // The console is seldom open: a toast apiece says so, and where the file is.
            std::vector<std::string> warnings;
            for (const sim::host::ShownToast& toast : host->Toasts()) {
                if (toast.type == ToastType_Warning) warnings.push_back(toast.text);
            }
            ASSERT_EQ(warnings.size(), 2U);
            EXPECT_THAT(warnings[0], HasSubstr("not used"));
            EXPECT_THAT(warnings[1], HasSubstr("not saved"));
            for (const std::string& text : warnings) EXPECT_THAT(text, HasSubstr(Utf8Text(File())));
        }
        reader.reset();
        EXPECT_EQ(ReadText(File()), "{ broken");
        EXPECT_EQ(ReadText(WithSuffix(".bad.9") / "something"), item.heldOpen ? "" : "in the way");
        EXPECT_THAT(settings_file_test::TemporaryFiles(Folder()), ::testing::IsEmpty());
        ASSERT_EQ(lines.size(), 2U);  // the load's, then the skipped save's
        for (const std::string& line : lines) EXPECT_THAT(line, HasSubstr(Utf8Text(File())));
        EXPECT_THAT(lines[0], HasSubstr("concealing everything"));
        EXPECT_THAT(lines[0], HasSubstr(item.reason));
        EXPECT_THAT(lines[1], HasSubstr("not saved"));
    }
}

// Windows drops dots and blanks that end a folder's name, so a data folder named so can never
// hold the settings; the line says what is wrong with the name. Elsewhere such a name is usable.
TEST_F(SettingsFileInUseTest, DataFolderNameEndingInADotOrABlank) {
    for (const char* name : {"data.", "data "}) {
        SCOPED_TRACE(name);
        data = folder.path() / name;
        auto host = LoadPlugin();
        const std::vector<std::string> lines = host->ConsoleLines();
        if (kWindowsSharingRules) {
            ASSERT_EQ(lines.size(), 1U);
            EXPECT_THAT(lines[0], HasSubstr(Utf8Text(Folder())));
            EXPECT_THAT(lines[0], HasSubstr("ends in a dot or a blank"));
        } else {
            EXPECT_THAT(lines, ::testing::IsEmpty());
            EXPECT_TRUE(std::filesystem::is_regular_file(File()));
        }
    }
}

// A read-only settings.json (Windows' read-only attribute) is the user's choice to keep it as it
// is: it is read as usual, and each save leaves it whole and says so in one line.
TEST_F(SettingsFileInUseTest, ReadOnlyFile) {
    nlohmann::json stored = PluginSettings{};
    stored["bShowNames"] = false;
    WriteText(File(), stored.dump(4));
    std::filesystem::permissions(File(), std::filesystem::perms::owner_read);
    {
        auto host = LoadPlugin();
        CloakMyIdentity& plugin = PluginOf(*host);
        EXPECT_FALSE(plugin.settings.bShowNames.get());
        EXPECT_TRUE(plugin.settings.bShowClubs.get());
        plugin.settings.bShowClubs.set(false);
        plugin.SaveSettings();

        EXPECT_EQ(ReadText(File()), stored.dump(4));
        std::vector<std::string> lines = host->ConsoleLines();
        // The write-back after loading, the load's word on the stored choice, then the save.
        ASSERT_EQ(lines.size(), 3U);
        EXPECT_EQ(lines[1], "CloakMyIdentity: Concealing, but shown: names.");
        lines.erase(lines.begin() + 1);
        for (const std::string& line : lines) {
            EXPECT_THAT(line, HasSubstr(Utf8Text(File())));
            EXPECT_THAT(line, HasSubstr("read-only"));
        }
    }
    std::filesystem::permissions(File(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

#if defined(_WIN32)
// The system's words for an error, in the user's language as UTF-8 (not in the system's code
// page, which lacks the letters of most languages), without the line break that ends them.
// Wine words its errors in English only, so the case sees the words, not the language.
TEST(SystemMessage, TheSystemsWordingAsUtf8) {
    const std::string text =
        file_platform::SystemMessage(std::error_code(ERROR_ACCESS_DENIED, std::system_category()));
    EXPECT_EQ(ValidUtf8(text), text);
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(text.back()))) << text;
    EXPECT_THAT(text, ::testing::Not(HasSubstr("Windows error")));
}
#endif

}  // namespace

// What the host sees of the built module before it creates anything: the 64-byte `exports`
// record, read as raw bytes, and what the host's loader (LoadLibraryW or dlopen) makes of a
// module in a folder named in any script, of a missing module and of a library that is no
// plugin. (exported_names.cmake checks that nothing else leaves the module.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "sim/host/host.hpp"
#include "tests/plugin_module.hpp"
#include "tests/temp_folder.hpp"

namespace {

using testing_support::PluginModule;

std::uint64_t Word(const unsigned char* record, std::size_t offset) {
    std::uint64_t word = 0;
    std::memcpy(&word, record + offset, sizeof word);
    return word;
}

const char* Text(const unsigned char* record, std::size_t offset) {
    return reinterpret_cast<const char*>(Word(record, offset));
}

TEST(ExportsRecord, EveryFieldAsTheHostReadsIt) {
    PluginModule module;
    const auto* record = static_cast<const unsigned char*>(module.Symbol("exports"));
    ASSERT_NE(record, nullptr);

    // The integers are 32-bit values followed by four zero bytes: whole 64-bit words.
    EXPECT_EQ(Word(record, 0), 95U);
    ASSERT_NE(Text(record, 8), nullptr);
    EXPECT_GT(std::strlen(Text(record, 8)), 0U);
    EXPECT_STREQ(Text(record, 16), "CloakMyIdentity");
    EXPECT_STREQ(Text(record, 24), "Plugin to hide everything");
    EXPECT_STREQ(Text(record, 32), "1.3");
    EXPECT_EQ(Word(record, 40), 1U);
    EXPECT_EQ(Word(record, 48), reinterpret_cast<std::uint64_t>(module.Symbol("getPlugin")));
    EXPECT_EQ(Word(record, 56), reinterpret_cast<std::uint64_t>(module.Symbol("deleteMe")));
    EXPECT_NE(Word(record, 48), 0U);
    EXPECT_NE(Word(record, 56), 0U);
}

TEST(ModuleLoading, TheHostLoadsOnlyAPluginAndSaysWhyNot) {
    using ::testing::HasSubstr;
    testing_support::TempFolder folder;
    const std::filesystem::path plugin(CLOAK_PLUGIN_PATH);

    // A user's folder may hold any character: the loader is handed the wide path.
    const std::filesystem::path copied = folder.path() / u8"Zoë データ" / plugin.filename();
    std::filesystem::create_directories(copied.parent_path());
    std::filesystem::copy_file(plugin, copied);
    {
        sim::host::Host host(folder.path());
        ASSERT_TRUE(host.Load(copied, {})) << ::testing::PrintToString(host.ConsoleLines());
        EXPECT_STREQ(host.Info()->className, "CloakMyIdentity");
    }

    sim::host::Host missing(folder.path());
    EXPECT_FALSE(missing.Load(folder.path() / plugin.filename(), {}));
    ASSERT_EQ(missing.ConsoleLines().size(), 1U);
    EXPECT_THAT(missing.ConsoleLines()[0], HasSubstr("cannot load plugin: "));

    sim::host::Host notAPlugin(folder.path());
    EXPECT_FALSE(notAPlugin.Load(CLOAK_GAMESIM_PATH, {}));
    ASSERT_EQ(notAPlugin.ConsoleLines().size(), 1U);
    EXPECT_THAT(notAPlugin.ConsoleLines()[0], HasSubstr("no exports record"));
    EXPECT_EQ(notAPlugin.Plugin(), nullptr);
}

}  // namespace

// What the host sees of the built module before it creates anything: the 64-byte `exports`
// record, read as raw bytes. (exported_names.cmake checks that nothing else leaves the module.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tests/plugin_module.hpp"

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

}  // namespace

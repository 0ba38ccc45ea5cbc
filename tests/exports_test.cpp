// What the host sees of the built module before it creates anything: the 64-byte `exports`
// record, read as raw bytes, and the names the module exports (the dynamic symbol table of a
// shared object, the export table of a Windows DLL).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/child_process.hpp"
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

#if defined(_WIN32)
// objdump -p lists the export table's names as "\t[   0] name" after "[Ordinal/Name Pointer]".
std::set<std::string> ExportedNames(const std::string& listing) {
    std::set<std::string> names;
    std::istringstream lines(listing);
    bool inTable = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
            inTable = true;
        } else if (inTable) {
            const std::size_t close = line.find(']');
            if (line.find('[') == std::string::npos || close == std::string::npos) break;
            std::string name;
            std::istringstream(line.substr(close + 1)) >> name;
            names.insert(name);
        }
    }
    return names;
}
const std::vector<std::string> kListExports{"-p", CLOAK_PLUGIN_PATH};
#else
// nm -D --defined-only lists "address kind name" per line.
std::set<std::string> ExportedNames(const std::string& listing) {
    std::set<std::string> names;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string address, kind, name;
        fields >> address >> kind >> name;
        names.insert(name);
    }
    return names;
}
const std::vector<std::string> kListExports{"-D", "--defined-only", CLOAK_PLUGIN_PATH};
#endif

// Nothing else leaves the module: no C++ names, none of its own Dear ImGui or JSON code.
TEST(ExportsRecord, ModuleDefinesExactlyTheThreeExports) {
    const auto [status, listing] = testing_support::RunProgram(CLOAK_LIST_EXPORTS, kListExports);
    ASSERT_EQ(status, 0) << listing;
    EXPECT_THAT(ExportedNames(listing),
                ::testing::UnorderedElementsAre("getPlugin", "deleteMe", "exports"))
        << listing;
}

}  // namespace

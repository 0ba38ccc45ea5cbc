// The settings file where only POSIX file systems can put it: behind a symbolic link (which
// MinGW's library cannot make), in a folder the user may enter but not add to, a file the user
// may not read, a named pipe, a link loop. Cases of permissions run as a user whom they bind
// (tests/ordinary_user.hpp), since tests may run as root.
#include <dlfcn.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/ordinary_user.hpp"
#include "tests/save_loop.hpp"
#include "tests/settings_file_fixture.hpp"

// The system calls a save makes, as this program sees them: the calls below stand in front of the
// C library's, so that a case can watch the order of flushes and renames, or have the system
// refuse to reserve room on the disk.
namespace {
std::vector<std::string>* watchedCalls = nullptr;  // when set: "fsync PATH", "rename FROM"
int refusedReserve = 0;                            // when set: posix_fallocate's answer

template <typename Function>
Function Real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
}  // namespace

extern "C" int fsync(int descriptor) {
    if (watchedCalls != nullptr) {
        char path[PATH_MAX] = {};
        const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
        const ssize_t length = readlink(link.c_str(), path, sizeof path - 1);
        watchedCalls->push_back("fsync " + std::string(path, length > 0 ? length : 0));
    }
    static const auto real = Real<int (*)(int)>("fsync");
    return real(descriptor);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    if (watchedCalls != nullptr) watchedCalls->push_back(std::string("rename ") + from);
    static const auto real = Real<int (*)(const char*, const char*)>("rename");
    return real(from, to);
}

extern "C" int posix_fallocate(int descriptor, off_t offset, off_t length) {
    if (refusedReserve != 0) return refusedReserve;
    static const auto real = Real<int (*)(int, off_t, off_t)>("posix_fallocate");
    return real(descriptor, offset, length);
}

using namespace cloak;

namespace {

using namespace settings_file_test;

// A save writes where a link points and keeps the file's permissions: the user's link to a
// synced folder, or a file kept private, stays as it was made.
TEST_F(SettingsFileTest, SaveWritesThroughLinksAndKeepsPermissions) {
    namespace fs = std::filesystem;
    const fs::path kept = folder.path() / "synced" / "cloak.json";
    WriteText(kept, "{}");
    fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(plugin.SettingsFolder);
    fs::create_symlink(fs::path("..") / ".." / "synced" / "cloak.json", File());

    plugin.settings.bShowNames.set(false);
    plugin.SaveSettings();
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_NE(ReadText(kept).find("\"bShowNames\": false"), std::string::npos);
    EXPECT_EQ(fs::status(kept).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THAT(TemporaryFiles(kept.parent_path()), ::testing::IsEmpty());
}

// A broken settings.json that is a link: the file it points to is set aside beside itself, and
// the fresh file is written through the link, which stays.
TEST_F(SettingsFileTest, BrokenFileBehindALinkIsSetAsideWhereItIs) {
    namespace fs = std::filesystem;
    const fs::path kept = folder.path() / "synced" / "cloak.json";
    WriteText(kept, "{ broken");
    fs::create_directories(plugin.SettingsFolder);
    fs::create_symlink(kept, File());
    sim::host::HostState host;
    LoadAsTheHostDoes(plugin, host);

    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_EQ(ReadText(fs::path(kept) += ".bad"), "{ broken");
    EXPECT_EQ(nlohmann::json::parse(ReadText(kept)), nlohmann::json(PluginSettings{}));
    EXPECT_FALSE(fs::exists(fs::path(File()) += ".bad"));
    EXPECT_THAT(Joined(host.console.Lines()), ::testing::HasSubstr(kept.string() + ".bad"));
}

// A save run as a user whom permissions bind, on a disk that is full past `fileSizeLimit` bytes
// (writes beyond it fail rather than end the process); its console lines.
testing_support::ChildRun SaveAsOrdinaryUser(CloakMyIdentity& plugin,
                                             rlim_t fileSizeLimit = RLIM_INFINITY) {
    return testing_support::RunAsOrdinaryUser([&](std::string& output) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        sim::host::HostState host;
        sharedConsole = std::make_shared<CVarManagerWrapper>(&host);
        plugin.SaveSettings();
        output = Joined(host.console.Lines());
    });
}

// A disk without room for the new record, whether the save writes a temporary file or (in a
// folder where no new file can be made) writes in place, and whether the room is refused when
// the in-place write reserves it or only as it writes: the save says it could not, and the old
// record stays whole.
TEST_F(SettingsFileTest, SaveOnAFullDiskKeepsTheOldRecord) {
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        bool inPlace;
        rlim_t fileSizeLimit;
        int reserveAnswer;
        const char* reason;
    };
    const std::string old = FileWith("bShowNames", "false");
    for (const Case& item :
         {Case{"temporary file", false, 64, 0, "File too large"},
          Case{"in place", true, 64, 0, "File too large"},
          Case{"in place, no room to reserve", true, RLIM_INFINITY, ENOSPC, "No space left"}}) {
        SCOPED_TRACE(item.what);
        WriteText(File(), old);
        testing_support::LetEveryoneIn(folder.path(), plugin.SettingsFolder);
        fs::permissions(plugin.SettingsFolder,
                        item.inPlace ? fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::others_read | fs::perms::others_exec
                                     : fs::perms::all);
        fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write |
                                    fs::perms::others_read | fs::perms::others_write);
        refusedReserve = item.reserveAnswer;
        const testing_support::ChildRun run = SaveAsOrdinaryUser(plugin, item.fileSizeLimit);
        refusedReserve = 0;
        ASSERT_TRUE(run.ran);
        EXPECT_EQ(ReadText(File()), old);
        EXPECT_THAT(run.output, ::testing::HasSubstr("could not save " + File().string()));
        EXPECT_THAT(run.output, ::testing::HasSubstr(item.reason));
        if (item.inPlace) {
            EXPECT_THAT(run.output, ::testing::HasSubstr("the file is as it was"));
        }
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_THAT(TemporaryFiles(plugin.SettingsFolder), ::testing::IsEmpty());
        fs::permissions(plugin.SettingsFolder, fs::perms::owner_all);
    }
}

// The temporary file is on the disk before it replaces settings.json: a power cut right after
// the rename must not leave an empty file in its place.
TEST_F(SettingsFileTest, TemporaryFileIsFlushedBeforeItReplacesTheFile) {
    std::vector<std::string> calls;
    watchedCalls = &calls;
    plugin.SaveSettings();
    watchedCalls = nullptr;
    const auto renamed = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
        return call.starts_with("rename ");
    });
    ASSERT_NE(renamed, calls.end());
    const std::string temporary = renamed->substr(std::string("rename ").size());
    EXPECT_NE(std::find(calls.begin(), renamed, "fsync " + temporary), renamed)
        << testing::PrintToString(calls);
}

// Two processes saving in place at once (a second game client, in a folder that takes no new
// file) take turns, and a load between their saves never reads half of one: each load reads a
// record whole, and so does the last.
TEST_F(SettingsFileTest, TwoProcessesSavingInPlaceAtOnceLeaveOneRecord) {
    namespace fs = std::filesystem;
    WriteText(File(), kDefaultFile);
    testing_support::LetEveryoneIn(folder.path(), plugin.SettingsFolder);
    fs::permissions(plugin.SettingsFolder, fs::perms::owner_read | fs::perms::owner_exec |
                                               fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write |
                                fs::perms::others_read | fs::perms::others_write);
    // A child of the test's, bound by the folder's permissions, and a child of its own; each says
    // how many of its loads failed (the second through its exit code).
    const testing_support::ChildRun run = testing_support::RunAsOrdinaryUser([&](std::string& out) {
        const pid_t other = fork();
        sim::host::HostState host;
        sharedConsole = std::make_shared<CVarManagerWrapper>(&host);
        CloakMyIdentity saving;
        saving.SettingsFolder = plugin.SettingsFolder;
        int failedLoads = 0;
        for (int save = 0; save < 10; ++save) {
            saving.settings =
                testing_support::SavedRecord((save + other) % 2 == 0 ? "large" : "loadouts");
            saving.SaveSettings();
            for (int load = 0; load < 3; ++load) {
                try {
                    saving.LoadSettings();
                } catch (const std::exception&) {
                    ++failedLoads;
                }
            }
        }
        if (other == 0) _exit(failedLoads);
        int status = 0;
        waitpid(other, &status, 0);
        out = std::to_string(failedLoads + (WIFEXITED(status) ? WEXITSTATUS(status) : 100));
    });
    ASSERT_TRUE(run.ran);
    EXPECT_EQ(run.output, "0");

    const std::string text = ReadText(File());
    EXPECT_TRUE(text == nlohmann::json(testing_support::SavedRecord("large")).dump(4) ||
                text == nlohmann::json(testing_support::SavedRecord("loadouts")).dump(4))
        << text.substr(0, 200) << " ... " << text.substr(text.size() > 200 ? text.size() - 200 : 0);
    fs::permissions(plugin.SettingsFolder, fs::perms::owner_all);  // for the clean-up
}

// In a folder where no new file can be made, a writable settings.json is written in place, and
// the line says so; a save of what it holds already writes nothing and says nothing; a file that
// cannot be written either leaves the old file whole.
TEST_F(SettingsFileTest, FolderWithoutRoomForATemporaryFileIsWrittenInPlace) {
    namespace fs = std::filesystem;
    WriteText(File(), "the old text");
    testing_support::LetEveryoneIn(folder.path(), plugin.SettingsFolder);
    const auto readAndEnter = fs::perms::owner_read | fs::perms::owner_exec |
                              fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(plugin.SettingsFolder, readAndEnter);
    plugin.settings.bShowTitles.set(false);

    fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write |
                                fs::perms::others_read | fs::perms::others_write);
    testing_support::ChildRun run = SaveAsOrdinaryUser(plugin);
    ASSERT_TRUE(run.ran);
    EXPECT_EQ(ReadText(File()), nlohmann::json(plugin.settings).dump(4));
    EXPECT_THAT(run.output, ::testing::HasSubstr("in place"));
    EXPECT_THAT(run.output, ::testing::HasSubstr(File().string()));
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1);
    const auto written = fs::last_write_time(File());
    fs::last_write_time(File(), written - std::chrono::hours(1));
    run = SaveAsOrdinaryUser(plugin);
    ASSERT_TRUE(run.ran);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(fs::last_write_time(File()), written - std::chrono::hours(1));

    std::ofstream(File(), std::ios::trunc) << "the old text";
    fs::permissions(File(), fs::perms::owner_read | fs::perms::others_read);
    run = SaveAsOrdinaryUser(plugin);
    ASSERT_TRUE(run.ran);
    EXPECT_EQ(ReadText(File()), "the old text");
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    fs::permissions(plugin.SettingsFolder, fs::perms::owner_all);  // for the clean-up
}

// A settings.json that is there but cannot be read holds the user's choices, which the plugin
// never learnt: it conceals everything, says so once, and no later save writes over the file.
TEST_F(SettingsFileTest, FileThatCannotBeReadIsLeftAloneAndEverythingConcealed) {
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* reason;
    };
    const std::string stored = FileWith("bShowNames", "false");
    const std::vector<Case> cases = {
        {"refused",
         [&] {
             WriteText(File(), stored);
             fs::permissions(File(), fs::perms::none);
         },
         "ermission denied"},
        {"link loop", [&] { fs::create_symlink(File().filename(), File()); }, "symbolic links"},
        // Opening a pipe for reading waits for a writer that never comes.
        {"pipe", [&] { ASSERT_EQ(mkfifo(File().c_str(), 0666), 0); }, "not a regular file"},
        {"folder", [&] { fs::create_directories(File() / "inside"); }, "not a regular file"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        fs::remove_all(folder.path() / "data");
        fs::create_directories(plugin.SettingsFolder);
        testing_support::LetEveryoneIn(folder.path(), plugin.SettingsFolder);
        fs::permissions(plugin.SettingsFolder, fs::perms::all);  // room for a save's file
        item.make();
        const auto before = fs::symlink_status(File()).type();
        const std::string text = before == fs::file_type::regular ? ReadText(File()) : "";

        const testing_support::ChildRun run =
            testing_support::RunAsOrdinaryUser([&](std::string& output) {
                alarm(20);  // a load that blocks ends the child, and the case fails
                sim::host::HostState host;
                CloakMyIdentity loaded;
                loaded.settings.bShowNames.set(false);
                LoadAsTheHostDoes(loaded, host);
                const nlohmann::json record = loaded.settings;
                loaded.settings.bHideRecents.set(false);  // a click on the page
                loaded.SaveSettings();
                output = record.dump() + "\n" + Joined(host.console.Lines());
            });
        ASSERT_TRUE(run.ran);
        const std::string record = run.output.substr(0, run.output.find('\n'));
        const std::string lines = run.output.substr(record.size() + 1);
        EXPECT_EQ(nlohmann::json::parse(record), nlohmann::json(PluginSettings{}));
        EXPECT_EQ(fs::symlink_status(File()).type(), before);
        if (before == fs::file_type::regular) {
            EXPECT_EQ(ReadText(File()), text);
        }
        EXPECT_THAT(TemporaryFiles(plugin.SettingsFolder), ::testing::IsEmpty());
        // One line from the load naming the file and why and one saying that without a game it
        // conceals nothing; one from the save that wrote nothing.
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
        EXPECT_THAT(lines, ::testing::HasSubstr(File().string()));
        EXPECT_THAT(lines, ::testing::HasSubstr(item.reason));
        EXPECT_THAT(lines, ::testing::HasSubstr("not saved"));
    }
}

}  // namespace

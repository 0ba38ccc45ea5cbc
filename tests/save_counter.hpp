// Test support: the saves that reach settings.json in one folder, as the system reports changes to
// a folder (inotify on Linux, ReadDirectoryChangesW on Windows).
#pragma once

#include <filesystem>
#include <memory>

namespace testing_support {

// Counts completed writes of settings.json in one folder: a save either renames its temporary
// file over it or writes it in place, and either way ends in exactly one counted change. Windows
// reports a write in place over an existing file only as modifications, one per written block,
// so there only the renames and new files are counted (the settings page's saves rename).
class SaveCounter {
public:
    explicit SaveCounter(const std::filesystem::path& folder);
    ~SaveCounter();
    SaveCounter(const SaveCounter&) = delete;
    SaveCounter& operator=(const SaveCounter&) = delete;

    bool Watching() const;

    // The saves since the previous call; -1 when the system lost track of the folder's changes.
    int Take();

private:
    struct Watch;
    std::unique_ptr<Watch> watch_;
};

}  // namespace testing_support

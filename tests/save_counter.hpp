// Test support: the saves that reach settings.json in one folder, as the system reports changes
// to a folder (inotify). Only the settings page's tests use it, and the page is built on Linux
// alone.
#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "settings/plugin_settings.hpp"

namespace testing_support {

// Counts completed writes of settings.json in one folder: a save either renames its temporary
// file over it or writes it in place, and either way ends in exactly one of these events.
class SaveCounter {
public:
    explicit SaveCounter(const std::filesystem::path& folder)
        : fd_(inotify_init1(IN_NONBLOCK)),
          watch_(inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE)) {}
    ~SaveCounter() { close(fd_); }
    SaveCounter(const SaveCounter&) = delete;
    SaveCounter& operator=(const SaveCounter&) = delete;

    bool Watching() const { return fd_ >= 0 && watch_ >= 0; }

    // The saves since the previous call.
    int Take() {
        int saves = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) return saves;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && std::string(event->name) == cloak::kSettingsFileName) ++saves;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int fd_;
    int watch_;
};

}  // namespace testing_support

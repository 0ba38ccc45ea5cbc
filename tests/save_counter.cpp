// The platform's reports of a folder's changes: inotify, or ReadDirectoryChangesW.
#include "tests/save_counter.hpp"

#include <string>

#include "settings/plugin_settings.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <fstream>
#include <vector>
#else
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace testing_support {

#if defined(_WIN32)

// Windows reports a folder's changes some time after they happen, in their order. A marker file
// made and removed when the count is taken is reported after every save before it, so the count
// waits for the marker's removal.
struct SaveCounter::Watch {
    std::filesystem::path folder;
    HANDLE directory = INVALID_HANDLE_VALUE;
    HANDLE reported = nullptr;  // set when a report is in
    OVERLAPPED pending{};
    std::vector<char> buffer = std::vector<char>(64 * 1024);
    bool watching = false;

    bool Ask() {
        pending = OVERLAPPED{};
        pending.hEvent = reported;
        return ReadDirectoryChangesW(directory, buffer.data(), static_cast<DWORD>(buffer.size()),
                                     FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &pending,
                                     nullptr) != 0;
    }
};

SaveCounter::SaveCounter(const std::filesystem::path& folder) : watch_(std::make_unique<Watch>()) {
    watch_->folder = folder;
    watch_->directory = CreateFileW(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    watch_->reported = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    watch_->watching =
        watch_->directory != INVALID_HANDLE_VALUE && watch_->reported != nullptr && watch_->Ask();
}

SaveCounter::~SaveCounter() {
    if (watch_->directory != INVALID_HANDLE_VALUE) {
        CancelIo(watch_->directory);
        CloseHandle(watch_->directory);
    }
    if (watch_->reported != nullptr) CloseHandle(watch_->reported);
}

bool SaveCounter::Watching() const {
    return watch_->watching;
}

int SaveCounter::Take() {
    if (!watch_->watching) return -1;
    const std::wstring markerName = L"save-counter.marker";
    const std::filesystem::path marker = watch_->folder / markerName;
    std::ofstream(marker).put('x');
    std::filesystem::remove(marker);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const std::wstring settingsName = std::filesystem::path(cloak::kSettingsFileName).wstring();
    int saves = 0;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        DWORD got = 0;
        if (left.count() <= 0 ||
            WaitForSingleObject(watch_->reported, static_cast<DWORD>(left.count())) !=
                WAIT_OBJECT_0 ||
            !GetOverlappedResult(watch_->directory, &watch_->pending, &got, FALSE) || got == 0) {
            return -1;  // no report in time, or more changes than the buffer holds
        }
        bool markerGone = false;
        for (DWORD at = 0;;) {
            const auto* change =
                reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(watch_->buffer.data() + at);
            const std::wstring name(change->FileName, change->FileNameLength / sizeof(WCHAR));
            if (name == settingsName && (change->Action == FILE_ACTION_RENAMED_NEW_NAME ||
                                         change->Action == FILE_ACTION_ADDED)) {
                ++saves;
            }
            if (name == markerName && change->Action == FILE_ACTION_REMOVED) markerGone = true;
            if (change->NextEntryOffset == 0) break;
            at += change->NextEntryOffset;
        }
        ResetEvent(watch_->reported);
        if (!watch_->Ask()) {
            watch_->watching = false;
            return -1;
        }
        if (markerGone) return saves;
    }
}

#else

struct SaveCounter::Watch {
    int descriptor = -1;
    int watch = -1;
};

SaveCounter::SaveCounter(const std::filesystem::path& folder) : watch_(std::make_unique<Watch>()) {
    watch_->descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    watch_->watch =
        inotify_add_watch(watch_->descriptor, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
}

SaveCounter::~SaveCounter() {
    if (watch_->descriptor >= 0) close(watch_->descriptor);
}

bool SaveCounter::Watching() const {
    return watch_->descriptor >= 0 && watch_->watch >= 0;
}

// inotify queues each change as it happens: everything saved so far is there to read.
int SaveCounter::Take() {
    int saves = 0;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = read(watch_->descriptor, buffer, sizeof buffer);
        if (got <= 0) return saves;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW) return -1;
            if (event->len > 0 && std::string(event->name) == cloak::kSettingsFileName) ++saves;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

#endif

}  // namespace testing_support

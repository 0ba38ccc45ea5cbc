#include "sim/host/host_state.hpp"

#include <algorithm>
#include <iterator>

namespace sim::host {

void Console::Write(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

std::vector<std::string> Console::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

void Toasts::Show(ShownToast toast) {
    std::lock_guard lock(mutex_);
    shown_.push_back(std::move(toast));
}

std::vector<ShownToast> Toasts::Shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

void ConsoleCommands::Register(std::string name, Notifier notifier, std::string description) {
    std::lock_guard lock(mutex_);
    auto known = std::find_if(commands_.begin(), commands_.end(),
                              [&name](const Command& command) { return command.name == name; });
    if (known == commands_.end()) {
        commands_.push_back(Command{std::move(name), std::move(notifier), std::move(description)});
    } else {
        known->notifier = std::move(notifier);
        known->description = std::move(description);
    }
}

bool ConsoleCommands::Remove(const std::string& name) {
    std::lock_guard lock(mutex_);
    return std::erase_if(commands_,
                         [&name](const Command& command) { return command.name == name; }) != 0;
}

ConsoleCommands::Notifier ConsoleCommands::Find(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto known = std::find_if(commands_.begin(), commands_.end(),
                              [&name](const Command& command) { return command.name == name; });
    return known == commands_.end() ? Notifier{} : known->notifier;
}

void ConsoleCommands::Clear() {
    std::lock_guard lock(mutex_);
    commands_.clear();
}

void WorkQueue::Push(std::function<void(GameWrapper*)> work, Duration delay) {
    std::lock_guard lock(mutex_);
    work_.push_back(Work{std::move(work), now_ + delay});
}

void WorkQueue::RunAll(GameWrapper* gameWrapper, Duration elapsed) {
    std::vector<Work> due;
    {
        std::lock_guard lock(mutex_);
        now_ += elapsed;
        const Duration now = now_;
        auto waiting = std::stable_partition(work_.begin(), work_.end(),
                                             [now](const Work& work) { return work.due <= now; });
        due.assign(std::make_move_iterator(work_.begin()), std::make_move_iterator(waiting));
        work_.erase(work_.begin(), waiting);
    }
    for (Work& work : due) work.run(gameWrapper);
}

std::vector<std::function<void(GameWrapper*)>> WorkQueue::Take() {
    std::vector<Work> queued;
    {
        std::lock_guard lock(mutex_);
        queued.swap(work_);
    }
    std::vector<std::function<void(GameWrapper*)>> unrun;
    for (Work& work : queued) unrun.push_back(std::move(work.run));
    return unrun;
}

std::size_t WorkQueue::Pending() const {
    std::lock_guard lock(mutex_);
    return work_.size();
}

WorkQueue::Duration WorkQueue::Now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

}  // namespace sim::host

#include "sim/host/host_state.hpp"

namespace sim::host {

void Console::Write(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

std::vector<std::string> Console::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

void WorkQueue::Push(std::function<void(GameWrapper*)> work) {
    std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
}

void WorkQueue::RunAll(GameWrapper* gameWrapper) {
    for (auto& work : Take()) work(gameWrapper);
}

std::vector<std::function<void(GameWrapper*)>> WorkQueue::Take() {
    std::vector<std::function<void(GameWrapper*)>> due;
    std::lock_guard lock(mutex_);
    due.swap(work_);
    return due;
}

std::size_t WorkQueue::Pending() const {
    std::lock_guard lock(mutex_);
    return work_.size();
}

}  // namespace sim::host

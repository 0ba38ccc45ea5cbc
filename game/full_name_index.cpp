// The full-name index: open addressing over one store of texts.
#include "game/full_name_index.hpp"

#include <algorithm>
#include <functional>

namespace cloak::game {

namespace {

constexpr std::size_t kFirstTableSize = 1024;

std::size_t Hash(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

}  // namespace

GameObject* FullNameIndex::Find(std::string_view fullName) const {
    if (slots_.empty()) return nullptr;
    const Slot& slot = slots_[Probe(fullName, Hash(fullName))];
    return slot.text == nullptr ? nullptr : slot.object;
}

void FullNameIndex::File(std::string_view fullName, GameObject* object, bool keepFirst) {
    if ((used_ + 1) * 4 > slots_.size() * 3) Grow();
    const std::size_t hash = Hash(fullName);
    Slot& slot = slots_[Probe(fullName, hash)];
    if (slot.text == nullptr) {
        slot = {Store(fullName), fullName.size(), hash, object};
        ++used_;
    } else if (!keepFirst) {
        slot.object = object;
    }
}

std::size_t FullNameIndex::Probe(std::string_view text, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.text == nullptr) return i;
        if (slot.hash == hash && std::string_view(slot.text, slot.length) == text) return i;
    }
}

void FullNameIndex::Grow() {
    std::vector<Slot> old(std::max(kFirstTableSize, slots_.size() * 2));
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.text == nullptr) continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].text != nullptr) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

const char* FullNameIndex::Store(std::string_view text) {
    if (blocks_.empty() || text.size() > blockSize_ - blockUsed_) {
        // A text longer than a block fills one of its own exactly; the next text starts a new
        // block.
        blockSize_ = std::max(kBlockSize, text.size());
        blocks_.push_back(std::make_unique<char[]>(blockSize_));
        blockUsed_ = 0;
    }
    char* stored = blocks_.back().get() + blockUsed_;
    std::copy(text.begin(), text.end(), stored);
    blockUsed_ += text.size();
    return stored;
}

}  // namespace cloak::game

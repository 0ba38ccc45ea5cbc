// The game emulator's world: names. The name table, and the game's name hash with its case
// folding.
#include <algorithm>
#include <array>
#include <cstddef>

#include "sim/game/world.hpp"
#include "sim/game/world_parts.hpp"

namespace emu {

using world_parts::Fail;
using world_parts::Widen;

namespace {

// The game's case folding for name hashes.
char16_t FoldForNameHash(char16_t unit) {
    if (unit == 156) return 140;
    if (unit == 255) return 159;
    if (unit == 337) return 336;
    const bool asciiLower = unit >= u'a' && unit <= u'z';
    const bool latinLower = unit >= 224 && unit <= 254 && unit != 240 && unit != 247;
    return asciiLower || latinLower ? static_cast<char16_t>(unit - 32) : unit;
}

const std::array<std::uint32_t, 256>& NameCrc() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> crc{};
        for (std::uint32_t byte = 0; byte < crc.size(); ++byte) {
            std::uint32_t value = byte << 24;
            for (int round = 0; round < 8; ++round) {
                const bool carry = (value >> 31) != 0;
                value <<= 1;
                if (carry) value ^= 0x04C11DB7u;
            }
            crc[byte] = value;
        }
        return crc;
    }();
    return table;
}

// In a field that is no data property the words at 0x74 and 0x98 hold other data, rarely zero.
// The second is set past the owner's parent part, where a property declared at this point would
bool SameNameIgnoringCase(const char16_t* stored, std::u16string_view text) {
    auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (stored[i] == 0 || fold(stored[i]) != fold(text[i])) return false;
    }
    return stored[text.size()] == 0;
}

}  // namespace

std::uint32_t World::HashName(std::u16string_view text) {
    const auto& crc = NameCrc();
    std::uint32_t hash = 0;
    for (char16_t unit : text) {
        const char16_t folded = FoldForNameHash(unit);
        for (const unsigned part : {folded & 0xFFu, static_cast<unsigned>(folded >> 8)}) {
            hash = crc[(hash ^ part) & 0xFF] ^ (hash >> 8);
        }
    }
    return hash;
}

NameEntry* World::FindNameEntry(std::u16string_view text) const {
    for (NameEntry* entry = NameHashBuckets()[HashName(text) % kNameHashBuckets]; entry != nullptr;
         entry = Layout(entry).hashNext) {
        if (SameNameIgnoringCase(Layout(entry).text, text)) return entry;
    }
    return nullptr;
}

std::int32_t World::Name(std::u16string_view text) {
    const NameEntry* entry = FindNameEntry(text);
    return entry != nullptr ? Layout(entry).index : AddNameEntry(text);
}

std::int32_t World::Name(std::string_view text) {
    return Name(Widen(text));
}

std::int32_t World::AddNameEntry(std::u16string_view text) {
    if (text.size() >= kNameTextCapacity) Fail("name too long");
    auto* entry = static_cast<NameEntry*>(
        allocator_.Allocate(offsetof(NameLayout, text) + (text.size() + 1) * sizeof(char16_t)));
    NameLayout& layout = Layout(entry);
    std::copy(text.begin(), text.end(), layout.text);
    layout.index = Append(*nameTable_, entry);
    RefreshDecoys();
    NameEntry*& bucket = NameHashBuckets()[HashName(text) % kNameHashBuckets];
    layout.hashNext = bucket;
    bucket = entry;
    return layout.index;
}

std::string World::NameText(std::int32_t index) const {
    // Narrowed straight from the entry: the host asks for a name on every replicated variable.
    if (index < 0 || index >= nameTable_->count || nameTable_->data[index] == nullptr) return {};
    const std::u16string_view text(Layout(nameTable_->data[index]).text);
    std::string narrow(text.size(), '\0');
    std::transform(text.begin(), text.end(), narrow.begin(),
                   [](char16_t unit) { return static_cast<char>(unit & 0xFF); });
    return narrow;
}

}  // namespace emu

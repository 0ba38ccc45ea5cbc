// The game's name hash and object hash.
#include "game/hash_tables.hpp"

#include <cstddef>

#include "game/memory.hpp"
#include "game/objects.hpp"
#include "game/tables.hpp"

namespace cloak::game {

// ---- NameHash -----------------------------------------------------------------------------------

namespace {

// The game's upper-case folding of one UTF-16 unit for hashing.
std::uint32_t FoldForHash(char16_t unit) {
    switch (unit) {
        case 156:
            return 140;
        case 255:
            return 159;
        case 337:
            return 336;
        case 208:
        case 223:
        case 240:
        case 247:
            return unit;
        default:
            break;
    }
    if ((unit >= 97 && unit <= 122) || (unit >= 224 && unit <= 254)) return unit - 32u;
    return unit;
}

}  // namespace

std::uint32_t NameHash(const char16_t* text) {
    std::uint32_t hash = 0;
    for (const char16_t* unit = text; *unit != 0; ++unit) {
        const std::uint32_t folded = FoldForHash(*unit);
        hash = (hash >> 8) ^ CrcTable[(hash ^ (folded & 0xFF)) & 0xFF];
        hash = (hash >> 8) ^ CrcTable[(hash ^ (folded >> 8)) & 0xFF];
    }
    return hash;
}

// ---- Chains -------------------------------------------------------------------------------------

namespace {

char16_t FoldAsciiLetter(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - (u'a' - u'A')) : unit;
}

// Compares as it reads, so that an entry is read no further than its first difference from
// `text`, and never past the longest text an entry can hold.
bool EqualIgnoringAsciiCase(const NameEntry& entry, const char16_t* text) {
    for (std::size_t i = 0; i < kNameTextCapacity; ++i) {
        if (FoldAsciiLetter(entry.text[i]) != FoldAsciiLetter(text[i])) return false;
        if (text[i] == 0) return true;
    }
    return false;
}

// The bucket `bucket` of the hash table lying `distance` bytes below the name table; null when
// no name table was handed over or the distance would reach below address 0.
template <class Link>
Link* BucketHead(std::uint64_t distance, std::size_t bucket) {
    if (NameTableAddress <= distance) return nullptr;
    Link* const* buckets = PointerAt<Link*>(NameTableAddress - distance);
    return buckets[bucket];
}

}  // namespace

NameEntry* FindNameEntry(const char16_t* text) {
    const std::size_t bucket = NameHash(text) % kNameHashBuckets;
    NameEntry* const head = BucketHead<NameEntry>(kNameHashDistance, bucket);
    // Where there is no room for the hash, there is no name table to read either.
    if (head == nullptr) return nullptr;
    // A bucket holds at most every entry of the table once; more links mean a loop.
    std::int32_t steps = NameTable().count;
    for (NameEntry* entry = head; entry != nullptr; entry = entry->hashNext) {
        if (!IsValidNameEntry(entry) || --steps < 0) return nullptr;
        if (EqualIgnoringAsciiCase(*entry, text)) return entry;
    }
    return nullptr;
}

const GameObject* FindInObjectHash(std::int32_t nameIndex, std::int32_t nameNumber,
                                   const GameObject& cls) {
    const std::size_t bucket =
        static_cast<std::uint32_t>(nameIndex ^ nameNumber) % kObjectHashBuckets;
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* object = BucketHead<GameObject>(kObjectHashDistance, bucket);
         object != nullptr; object = object->hashNext) {
        if (!IsValidObject(object) || --steps < 0) return nullptr;
        if (object->nameIndex == nameIndex && IsA(object, &cls)) return object;
    }
    return nullptr;
}

}  // namespace cloak::game

// The game's memory formats as the emulator lays them out. This is the emulator's own reading of
// the game's format, written independently of the plugin's declarations (game/), so that a slip
// in either one shows up as a disagreement between the two: no header of the plugin is included.
//
// Objects and name entries are handed out as pointers to the plugin's `cloak::game::GameObject`
// and `cloak::game::NameEntry`, declared here by name only, so that tests pass them to the plugin
// and compare them with what it finds without casts. The emulator itself reads and writes them
// only through ObjectLayout and NameLayout below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cloak::game {
struct GameObject;
struct NameEntry;
}  // namespace cloak::game

namespace emu {

using GameObject = cloak::game::GameObject;
using NameEntry = cloak::game::NameEntry;

// ---- Constants ----------------------------------------------------------------------------------

// Bit 9 of an object's flags: the class-default object of its class.
inline constexpr std::uint64_t kClassDefaultFlag = 0x200;
// Bit 29: an object the game has destroyed. It stays in the object table, unused, until the
// garbage collector frees it; the emulator never collects.
inline constexpr std::uint64_t kPendingKillFlag = 0x20000000;
// ProcessEvent's slot in every object's table of virtual operations, counted from 0.
inline constexpr std::size_t kProcessEventSlot = 67;
// "Class Core.Function" sits in this slot of the object table.
inline constexpr std::int32_t kFunctionClassIndex = 28;
// Below the name table's descriptor lie the name hash's first bucket pointer at this distance and
// the object hash's at the next one.
inline constexpr std::size_t kNameHashDistance = 0x1000A8;
inline constexpr std::size_t kNameHashBuckets = 0x10000;
inline constexpr std::size_t kObjectHashDistance = 0x80078;
inline constexpr std::size_t kObjectHashBuckets = 0x8000;
// A name's text holds at most this many UTF-16 units, its terminating zero included.
inline constexpr std::size_t kNameTextCapacity = 1024;

// ---- GameString ---------------------------------------------------------------------------------

// Count includes the terminating zero unit.
struct GameString {
    char16_t* data;
    std::int32_t count;
    std::int32_t capacity;
};
static_assert(sizeof(GameString) == 0x10);
static_assert(offsetof(GameString, data) == 0x00);
static_assert(offsetof(GameString, count) == 0x08);
static_assert(offsetof(GameString, capacity) == 0x0C);

template <class T>
struct GameArray {
    T* data;
    std::int32_t count;
    std::int32_t capacity;
};
static_assert(sizeof(GameArray<GameObject*>) == 0x10);
static_assert(offsetof(GameArray<GameObject*>, data) == 0x00);
static_assert(offsetof(GameArray<GameObject*>, count) == 0x08);
static_assert(offsetof(GameArray<GameObject*>, capacity) == 0x0C);

// ---- ObjectLayout -------------------------------------------------------------------------------

using VirtualSlot = void (*)();

struct ObjectLayout {
    const VirtualSlot* virtualTable;
    GameObject* hashNext;  // next object of the same object-hash bucket
    std::uint64_t flags;
    std::uint8_t unknown18[0x20];
    std::int32_t index;  // the object's slot in the object table
    std::uint8_t unknown3C[0x04];
    GameObject* outer;
    std::int32_t nameIndex;
    std::int32_t nameNumber;
    GameObject* classObject;
    std::uint8_t unknown58[0x08];

    // Fields, structs and classes.
    GameObject* nextField;
    std::uint8_t unknown68[0x0C];
    std::uint32_t dataProperty;  // non-zero for a data property; other data in other fields
    std::uint8_t unknown78[0x08];
    GameObject* superStruct;
    GameObject* firstField;
    std::int32_t propertySize;
    std::uint8_t unknown94[0x04];
    std::int32_t offset;  // of a property in its owner's instances; other data in other fields
    std::uint8_t unknown9C[0x14];
    std::int32_t minAlignment;
    std::uint8_t unknownB4[0x04];
};
static_assert(offsetof(ObjectLayout, virtualTable) == 0x00);
static_assert(offsetof(ObjectLayout, hashNext) == 0x08);
static_assert(offsetof(ObjectLayout, flags) == 0x10);
static_assert(offsetof(ObjectLayout, index) == 0x38);
static_assert(offsetof(ObjectLayout, outer) == 0x40);
static_assert(offsetof(ObjectLayout, nameIndex) == 0x48);
static_assert(offsetof(ObjectLayout, nameNumber) == 0x4C);
static_assert(offsetof(ObjectLayout, classObject) == 0x50);
static_assert(offsetof(ObjectLayout, nextField) == 0x60);
static_assert(offsetof(ObjectLayout, dataProperty) == 0x74);
static_assert(offsetof(ObjectLayout, superStruct) == 0x80);
static_assert(offsetof(ObjectLayout, firstField) == 0x88);
static_assert(offsetof(ObjectLayout, propertySize) == 0x90);
static_assert(offsetof(ObjectLayout, offset) == 0x98);
static_assert(offsetof(ObjectLayout, minAlignment) == 0xB0);
static_assert(sizeof(ObjectLayout) == 0xB8);
// The part every object has; fields, structs and classes go on from here.
inline constexpr std::int32_t kObjectPartSize = 0x60;
// The part every field has, properties included.
inline constexpr std::int32_t kFieldPartSize = 0x78;

// ---- NameLayout ---------------------------------------------------------------------------------

// The game allocates an entry only as long as its text needs.
struct NameLayout {
    std::uint64_t flags;
    std::int32_t index;  // the entry's own slot in the name table
    std::uint8_t unknown0C[0x04];
    NameEntry* hashNext;  // next entry of the same name-hash bucket
    char16_t text[kNameTextCapacity];
};
static_assert(offsetof(NameLayout, index) == 0x08);
static_assert(offsetof(NameLayout, hashNext) == 0x10);
static_assert(offsetof(NameLayout, text) == 0x18);

// ---- Loadouts -----------------------------------------------------------------------------------

// One car loadout: the product of each slot, the element index being the slot index.
struct ClientLoadoutData {
    GameArray<std::int32_t> products;
};
static_assert(sizeof(ClientLoadoutData) == 0x10);

struct ProductOnlineData {
    std::uint64_t instanceId;
    std::int32_t attributeId;
    std::int32_t seriesId;
};
static_assert(sizeof(ProductOnlineData) == 0x10);
static_assert(offsetof(ProductOnlineData, attributeId) == 0x08);

struct ClientLoadoutOnlineData {
    GameArray<ProductOnlineData> products;
};
static_assert(sizeof(ClientLoadoutOnlineData) == 0x10);

// ---- Addresses ----------------------------------------------------------------------------------

inline ObjectLayout& Layout(GameObject* object) {
    return *reinterpret_cast<ObjectLayout*>(object);
}
inline const ObjectLayout& Layout(const GameObject* object) {
    return *reinterpret_cast<const ObjectLayout*>(object);
}
inline NameLayout& Layout(NameEntry* entry) {
    return *reinterpret_cast<NameLayout*>(entry);
}
inline const NameLayout& Layout(const NameEntry* entry) {
    return *reinterpret_cast<const NameLayout*>(entry);
}

// The T lying `offset` bytes from `base`; game memory is not one C++ object, so the address is
// computed on integers.
template <class T>
T* At(const void* base, std::ptrdiff_t offset) {
    return reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(base) +
                                static_cast<std::uintptr_t>(offset));
}

// An address handed over as a number.
template <class T>
T* PointerAt(std::uint64_t address) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(address));
}

inline std::uint64_t AddressOf(const void* pointer) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

}  // namespace emu

// The game's memory layouts as the plugin reads them. Each layout is one declaration whose field
// offsets are fixed by the game build; the static_asserts pin every one of them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cloak::game {

// ---- Constants ----------------------------------------------------------------------------------

// Bit 9 of an object's flags marks the class-default object of a class.
inline constexpr std::uint32_t kClassDefaultFlag = 0x200;
// Bit 29 marks an object the game has destroyed: it stays in the object table, no longer used,
// until the garbage collector frees it.
inline constexpr std::uint32_t kPendingKillFlag = 0x20000000;
// ProcessEvent's slot (counted from 0) in every object's table of virtual operations.
inline constexpr std::size_t kProcessEventSlot = 67;
// The table index of "Class Core.Function": every script function's class sits there.
inline constexpr std::int32_t kFunctionClassIndex = 28;
// The game's two hash tables lie at fixed distances below the name table's descriptor.
inline constexpr std::uint64_t kNameHashDistance = 0x1000A8;
inline constexpr std::size_t kNameHashBuckets = 65536;
inline constexpr std::uint64_t kObjectHashDistance = 0x80078;
inline constexpr std::size_t kObjectHashBuckets = 32768;
// Name texts hold at most this many UTF-16 units, the terminating zero included.
inline constexpr std::size_t kNameTextCapacity = 1024;
// Pointers at or above this value are not user-space addresses of the game process.
inline constexpr std::uint64_t kHighestObjectAddress = 0x7FFFFFFFFFFF;

// ---- GameString ---------------------------------------------------------------------------------

// Counted UTF-16 string; count includes the terminating zero. The buffer belongs to the game.
struct GameString {
    char16_t* data;
    std::int32_t count;
    std::int32_t capacity;
};
static_assert(sizeof(GameString) == 16);
static_assert(offsetof(GameString, data) == 0x00);
static_assert(offsetof(GameString, count) == 0x08);
static_assert(offsetof(GameString, capacity) == 0x0C);

// ---- GameArray ----------------------------------------------------------------------------------

template <class T>
struct GameArray {
    T* data;
    std::int32_t count;
    std::int32_t capacity;
};
static_assert(sizeof(GameArray<std::int32_t>) == 16);
static_assert(offsetof(GameArray<std::int32_t>, data) == 0x00);
static_assert(offsetof(GameArray<std::int32_t>, count) == 0x08);
static_assert(offsetof(GameArray<std::int32_t>, capacity) == 0x0C);

struct GameObject;
struct NameEntry;

// The object and name tables are counted arrays of pointers; any element may be null.
template <class Element>
using TableDescriptor = GameArray<Element*>;
using ObjectTableDescriptor = TableDescriptor<GameObject>;
using NameTableDescriptor = TableDescriptor<NameEntry>;

// ---- GameObject ---------------------------------------------------------------------------------

// An entry of a table of virtual operations; cast to the operation's own type before calling.
using VirtualSlot = void (*)();

struct GameObject {
    const VirtualSlot* virtualTable;  // slot kProcessEventSlot is ProcessEvent
    GameObject* hashNext;             // next object in the same object-hash bucket
    std::uint64_t flags;              // low 32 bits read; kClassDefaultFlag, kPendingKillFlag
    std::uint8_t unknown18[0x20];
    std::int32_t index;  // slot in the object table
    std::uint8_t unknown3C[0x04];
    GameObject* outer;        // containing object; null for a package
    std::int32_t nameIndex;   // into the name table
    std::int32_t nameNumber;  // instance suffix; part of the object-hash key
    GameObject* classObject;  // the object's class
    std::uint8_t unknown58[0x08];

    // Extension of fields, structs and classes.
    GameObject* nextField;  // next field in the owner's chain
    std::uint8_t unknown68[0x0C];
    std::uint32_t dataProperty;  // non-zero for a data property
    std::uint8_t unknown78[0x08];
    GameObject* superStruct;    // parent struct or class; null at the root
    GameObject* firstField;     // head of a struct's or class's chain of fields
    std::int32_t propertySize;  // instance size of a struct or class
    std::uint8_t unknown94[0x04];
    std::int32_t offset;  // byte offset of a property inside its owner's instances
    std::uint8_t unknown9C[0x14];
    std::int32_t minAlignment;  // of a struct
    std::uint8_t unknownB4[0x04];
};
static_assert(offsetof(GameObject, virtualTable) == 0x00);
static_assert(offsetof(GameObject, hashNext) == 0x08);
static_assert(offsetof(GameObject, flags) == 0x10);
static_assert(offsetof(GameObject, index) == 0x38);
static_assert(offsetof(GameObject, outer) == 0x40);
static_assert(offsetof(GameObject, nameIndex) == 0x48);
static_assert(offsetof(GameObject, nameNumber) == 0x4C);
static_assert(offsetof(GameObject, classObject) == 0x50);
static_assert(offsetof(GameObject, nextField) == 0x60);
static_assert(offsetof(GameObject, dataProperty) == 0x74);
static_assert(offsetof(GameObject, superStruct) == 0x80);
static_assert(offsetof(GameObject, firstField) == 0x88);
static_assert(offsetof(GameObject, propertySize) == 0x90);
static_assert(offsetof(GameObject, offset) == 0x98);
static_assert(offsetof(GameObject, minAlignment) == 0xB0);
static_assert(sizeof(GameObject) == 0xB8);

// ---- NameEntry ----------------------------------------------------------------------------------

// The game allocates an entry only as long as its text needs; read the text up to its zero.
struct NameEntry {
    std::uint64_t flags;
    std::int32_t index;  // the entry's own slot in the name table
    std::uint8_t unknown0C[0x04];
    NameEntry* hashNext;  // next entry in the same name-hash bucket
    char16_t text[kNameTextCapacity];
};
static_assert(offsetof(NameEntry, flags) == 0x00);
static_assert(offsetof(NameEntry, index) == 0x08);
static_assert(offsetof(NameEntry, hashNext) == 0x10);
static_assert(offsetof(NameEntry, text) == 0x18);
inline constexpr std::size_t kNameEntryHeaderSize = offsetof(NameEntry, text);

// ---- Loadout records ----------------------------------------------------------------------------

// One car loadout: the product chosen for each slot, the element index being the slot index.
struct ClientLoadoutData {
    GameArray<std::int32_t> products;
};
static_assert(sizeof(ClientLoadoutData) == 16);
static_assert(offsetof(ClientLoadoutData, products) == 0);

// Online data of one product of a loadout.
struct ProductOnlineData {
    std::uint64_t instanceId;
    std::int32_t attributeId;  // set to 0 to drop the product's online attributes
    std::int32_t unknown0C;
};
static_assert(sizeof(ProductOnlineData) == 16);
static_assert(offsetof(ProductOnlineData, instanceId) == 0);
static_assert(offsetof(ProductOnlineData, attributeId) == 8);
static_assert(offsetof(ProductOnlineData, unknown0C) == 12);

struct ClientLoadoutOnlineData {
    GameArray<ProductOnlineData> products;
};
static_assert(sizeof(ClientLoadoutOnlineData) == 16);
static_assert(offsetof(ClientLoadoutOnlineData, products) == 0);

}  // namespace cloak::game

// The game emulator's world: the image's static data. The game keeps its two table descriptors
// and both hash tables there; the emulator keeps them likewise, beside decoys and, for tests,
// copies and tables of other modules.
//
// Index
//   Layout of the static data
//   Blocks of the worlds
//   Tables and hashes
//   Test access
#include <algorithm>
#include <cstring>

#include "sim/game/world.hpp"
#include "sim/game/world_parts.hpp"

namespace emu {

using world_parts::Fail;

// ---- Layout of the static data ------------------------------------------------------------------

// The game keeps its two table descriptors and both hash tables in its image's static data, at
// fixed distances from the name table's descriptor. The emulator keeps them in its own image
// (this library's zero-filled data) likewise, for a plugin that must find them there, beside
// descriptors that only look like them. A few worlds may live at once (a benchmark keeps one per
// size); each takes a block of its own.
constexpr std::size_t kNameTableOffset = kNameHashDistance;
constexpr std::size_t kObjectHashOffset = kNameTableOffset - kObjectHashDistance;
constexpr std::size_t kObjectTableOffset = kNameTableOffset - 0x40;
constexpr std::size_t kDecoyCount = 3;
constexpr std::size_t kDecoysEnd = kObjectHashOffset + kObjectHashBuckets * sizeof(void*) +
                                   kDecoyCount * sizeof(GameArray<GameObject*>);

struct ImageGlobals {
    NameEntry* nameHash[kNameHashBuckets];
    std::byte afterNameHash[kObjectHashOffset - kNameHashBuckets * sizeof(void*)];
    GameObject* objectHash[kObjectHashBuckets];
    // Decoys: the object array with a count past its capacity; the name table's array (pointers,
    // but to no object); a second table-like array holding every object one slot after its index.
    GameArray<GameObject*> countPastCapacity;
    GameArray<GameObject*> nameArray;
    GameArray<GameObject*> shiftedObjects;
    std::byte beforeTables[kObjectTableOffset - kDecoysEnd];
    GameArray<GameObject*> objectTable;
    std::byte betweenTables[kNameTableOffset - kObjectTableOffset - sizeof(GameArray<GameObject*>)];
    GameArray<NameEntry*> nameTable;
};
static_assert(offsetof(ImageGlobals, nameTable) - offsetof(ImageGlobals, nameHash) ==
              kNameHashDistance);
static_assert(offsetof(ImageGlobals, nameTable) - offsetof(ImageGlobals, objectHash) ==
              kObjectHashDistance);
static_assert(offsetof(ImageGlobals, shiftedObjects) + sizeof(GameArray<GameObject*>) ==
              kDecoysEnd);

// A name table of another module: buckets of a name hash of its own at the game's distance below
// its descriptor (World::PlaceStrayNameTable).
struct StrayNameTable {
    NameEntry* nameHash[kNameHashBuckets];
    std::byte afterNameHash[kNameHashDistance - kNameHashBuckets * sizeof(void*)];
    GameArray<NameEntry*> nameTable;
};
static_assert(offsetof(StrayNameTable, nameTable) - offsetof(StrayNameTable, nameHash) ==
              kNameHashDistance);

namespace {

StrayNameTable strayNameTable;
const World* strayNameTableOwner = nullptr;

constexpr std::size_t kImageBlocks = 4;
// One struct, so that the block of frozen copies lies before the worlds' blocks in the image.
struct ImageStaticData {
    ImageGlobals frozenCopies;  // FreezeDescriptorCopy's, laid out as a world's own
    ImageGlobals blocks[kImageBlocks];
};
ImageStaticData imageStaticData;
ImageGlobals (&imageBlocks)[kImageBlocks] = imageStaticData.blocks;
bool imageBlockTaken[kImageBlocks];
const World* frozenCopiesOwner = nullptr;

}  // namespace

// ---- Blocks of the worlds -----------------------------------------------------------------------

namespace world_parts {

ImageTables TakeImageBlock() {
    for (std::size_t i = 0; i < kImageBlocks; ++i) {
        if (!imageBlockTaken[i]) {
            imageBlockTaken[i] = true;
            return {&imageBlocks[i], &imageBlocks[i].objectTable, &imageBlocks[i].nameTable};
        }
    }
    Fail("more game worlds at once than the image has room for");
}

// What the world kept there goes with it: no descriptor may point into freed memory.
void ReturnImageBlock(World& owner, ImageGlobals* block) {
    if (strayNameTableOwner == &owner) owner.PlaceStrayNameTable({});
    std::memset(static_cast<void*>(block), 0, sizeof(ImageGlobals));
    imageBlockTaken[static_cast<std::size_t>(block - imageBlocks)] = false;
    if (frozenCopiesOwner == &owner) {
        std::memset(static_cast<void*>(&imageStaticData.frozenCopies), 0, sizeof(ImageGlobals));
        frozenCopiesOwner = nullptr;
    }
}

}  // namespace world_parts

// ---- Tables and hashes --------------------------------------------------------------------------

std::uint64_t World::ObjectTableAddress() const {
    return AddressOf(objectTable_);
}

std::uint64_t World::NameTableAddress() const {
    return AddressOf(nameTable_);
}

NameEntry** World::NameHashBuckets() const {
    return image_->nameHash;
}

GameObject** World::ObjectHashBuckets() const {
    return image_->objectHash;
}

void World::ReserveObjects(std::size_t count) {
    Reserve(*objectTable_, count);
    Reserve(image_->shiftedObjects, count + 1);
    RefreshDecoys();
}

void World::FreezeDescriptorCopy(GameTable table) {
    ImageGlobals& copies = imageStaticData.frozenCopies;
    frozenCopiesOwner = this;
    if (table == GameTable::Objects) {
        copies.objectTable = *objectTable_;
        return;
    }
    // With the name hash at its distance below, as the game's own descriptor has it.
    copies.nameTable = *nameTable_;
    std::copy_n(image_->nameHash, kNameHashBuckets, copies.nameHash);
}

void World::RefreshDecoys() {
    image_->countPastCapacity = {objectTable_->data, objectTable_->capacity + 1,
                                 objectTable_->capacity};
    image_->nameArray = {reinterpret_cast<GameObject**>(nameTable_->data), nameTable_->count,
                         nameTable_->capacity};
}

std::int32_t World::AppendToObjectTable(GameObject* object) {
    if (image_->shiftedObjects.count == 0) Append<GameObject*>(image_->shiftedObjects, nullptr);
    Append(image_->shiftedObjects, object);
    const std::int32_t index = Append(*objectTable_, object);
    RefreshDecoys();
    return index;
}

// ---- Test access --------------------------------------------------------------------------------

void World::SetObjectSlot(std::int32_t index, std::uint64_t value) {
    objectTable_->data[index] = PointerAt<GameObject>(value);
}

std::int32_t World::AppendObjectSlot(std::uint64_t value) {
    return AppendToObjectTable(PointerAt<GameObject>(value));
}

void World::SetNameSlot(std::int32_t index, NameEntry* entry) {
    nameTable_->data[index] = entry;
}

void World::PlaceStrayNameTable(std::span<NameEntry*> elements) {
    std::memset(static_cast<void*>(&strayNameTable), 0, sizeof(StrayNameTable));
    strayNameTableOwner = nullptr;
    if (elements.empty()) return;
    for (const std::u16string_view text :
         {std::u16string_view(u"None"), std::u16string_view(u"Class")}) {
        strayNameTable.nameHash[HashName(text) % kNameHashBuckets] = FindNameEntry(text);
    }
    const auto count = static_cast<std::int32_t>(elements.size());
    strayNameTable.nameTable = {elements.data(), count, count};
    strayNameTableOwner = this;
}

}  // namespace emu

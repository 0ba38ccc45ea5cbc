// Fuzz target: hostile object tables.
//
// Each input builds a fresh emulated world and then, step by step as the bytes say, adds objects
// with any class, outer and name, appends raw slots (null, misaligned, beyond user space, empty
// game memory, pointers into the middle of objects), empties name slots, links fields into
// chains (cycles included), overwrites the fields the lookups read, and rewires the game's name
// and object hashes (links and bucket heads, loops included). Then every lookup runs over the
// result. A crash, a hang, a sanitizer report or a broken promise of a lookup is a
// finding.
//
// Pointers the bytes choose are null, real objects, addresses the validity test rejects without
// reading them, or addresses inside game memory with room for every field an object has: the
// validity test reads through any aligned user-space address, so handing it unmapped memory
// would prove nothing about the plugin.
//
// Index
//   Building   - the steps an input is made of
//   Checking   - every lookup over the table, and what each one promises
//   Entry point
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "game/hash_tables.hpp"
#include "game/lookup.hpp"
#include "game/name_registry.hpp"
#include "game/properties.hpp"
#include "game/tables.hpp"
#include "plugin/shared_console.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host_state.hpp"

using namespace cloak;

namespace {

using game::GameObject;

// ---- Building -----------------------------------------------------------------------------------

// Objects made here are this large, so a pointer up to kInteriorReach bytes into one still has a
// whole object's fields behind it.
constexpr std::size_t kHostileObjectSize = 0x200;
constexpr std::uint64_t kInteriorReach = 0x40;
constexpr std::size_t kMaxSteps = 64;

// Names that matter to the lookups: "Class" qualifies for the full-name index, the registered
// names and property names the plugin asks for, and near misses of them.
constexpr const char* kNames[] = {
    "Class",
    "Function",
    "PRI_TA",
    "TAGame",
    "Core",
    "Object",
    "ScriptStruct",
    "ClientLoadoutData",
    "PlayerName",
    "ClientLoadouts",
    "SubClass",
    "class",
    "Default__Thing",
    "GFxData_NotificationManager_TA",
    "ReplicatedEvent",
    "",
};

class HostileWorld {
public:
    explicit HostileWorld(FuzzedDataProvider& bytes) : bytes_(bytes) {
        const auto& table = world_.ObjectTable();
        for (std::int32_t i = 0; i < table.count; ++i) objects_.push_back(table.data[i]);
        // New objects first, then damage: the emulator reads the class and the outers of every
        // object it creates, and would trip over a damaged one before the plugin sees it.
        const std::size_t building = bytes_.ConsumeIntegralInRange<std::size_t>(0, kMaxSteps);
        for (std::size_t step = 0; step < building && bytes_.remaining_bytes() > 0; ++step) {
            Build();
        }
        for (std::size_t step = 0; step < kMaxSteps && bytes_.remaining_bytes() > 0; ++step) {
            Damage();
        }
    }

    emu::World& World() { return world_; }
    const std::vector<std::u16string>& Texts() const { return texts_; }

private:
    void Build() {
        switch (bytes_.ConsumeIntegralInRange(0, 3)) {
            case 0:
                AddObject();
                break;
            case 1:
                world_.AppendObjectSlot(PointerValue());
                break;
            case 2:
                AddNameText();
                break;
            default:
                world_.Allocator().Allocate(bytes_.ConsumeIntegralInRange<std::size_t>(1, 64));
                break;
        }
    }

    void Damage() {
        switch (bytes_.ConsumeIntegralInRange(0, 3)) {
            case 0:
                Corrupt(PickObject());
                break;
            case 1:
                world_.SetNameSlot(PickNameIndex(), nullptr);
                break;
            case 2:
                LinkField();
                break;
            default:
                RewireHash();
                break;
        }
    }

    GameObject* PickObject() {
        return objects_[bytes_.ConsumeIntegralInRange<std::size_t>(0, objects_.size() - 1)];
    }

    std::int32_t PickNameIndex() {
        return bytes_.ConsumeIntegralInRange(0, world_.NameTable().count - 1);
    }

    std::string PickName() {
        if (bytes_.ConsumeBool()) return bytes_.ConsumeRandomLengthString(24);
        return kNames[bytes_.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
    }

    // A class, outer and name of the bytes' choosing; the fields the lookups read are corrupted
    // afterwards, as the emulator itself reads class and outer while it creates the object.
    void AddObject() {
        GameObject* cls = PickObject();
        GameObject* outer = bytes_.ConsumeBool() ? nullptr : PickObject();
        const auto number = bytes_.ConsumeIntegral<std::int32_t>();
        const std::uint64_t flags = bytes_.ConsumeBool() ? game::kClassDefaultFlag : 0;
        GameObject* object =
            world_.CreateObject(cls, PickName(), outer, kHostileObjectSize, number, flags);
        objects_.push_back(object);
        hostile_.push_back(object);
    }

    // Any text, non-ASCII units included, as a name entry of its own; an object may take it.
    void AddNameText() {
        std::u16string text;
        const std::size_t length = bytes_.ConsumeIntegralInRange<std::size_t>(0, 40);
        for (std::size_t i = 0; i < length && bytes_.remaining_bytes() > 0; ++i) {
            const auto unit = bytes_.ConsumeIntegral<char16_t>();
            if (unit != 0) text.push_back(unit);
        }
        const std::int32_t index = world_.AddNameEntry(text);
        texts_.push_back(text);
        if (!hostile_.empty() && bytes_.ConsumeBool()) {
            hostile_[bytes_.ConsumeIntegralInRange<std::size_t>(0, hostile_.size() - 1)]
                ->nameIndex = index;
        }
    }

    void LinkField() {
        GameObject* owner = PickObject();
        owner->firstField = bytes_.ConsumeBool() ? PickObject() : Pointer();
        GameObject* field = PickObject();
        field->nextField = bytes_.ConsumeBool() ? owner : Pointer();
    }

    // A link of either hash, or the head of one of its buckets, made to point anywhere: to the
    // entry or object itself (a loop), another one, or a pointer the validity tests must refuse.
    // Buckets are mostly those the lookups walk: the buckets of the names they ask for.
    void RewireHash() {
        switch (bytes_.ConsumeIntegralInRange(0, 3)) {
            case 0:
                if (game::NameEntry* entry = world_.NameTable().data[PickNameIndex()]) {
                    entry->hashNext = NameLink(entry);
                }
                break;
            case 1:
                world_.NameHashBuckets()[NameBucket()] = NameLink(nullptr);
                break;
            case 2:
                PickObject()->hashNext = bytes_.ConsumeBool() ? PickObject() : Pointer();
                break;
            default:
                world_.ObjectHashBuckets()[ObjectBucket()] =
                    bytes_.ConsumeBool() ? PickObject() : Pointer();
                break;
        }
    }

    std::size_t NameBucket() {
        if (bytes_.ConsumeBool()) return bytes_.ConsumeIntegral<std::uint16_t>();
        const char* name =
            kNames[bytes_.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
        return emu::World::HashName(std::u16string(name, name + std::strlen(name))) & 0xFFFF;
    }

    std::size_t ObjectBucket() {
        if (bytes_.ConsumeBool()) return bytes_.ConsumeIntegralInRange(0, 0x7FFF);
        const GameObject* object = PickObject();
        return static_cast<std::uint32_t>(object->nameIndex ^ object->nameNumber) & 0x7FFF;
    }

    // Null, `self`, an entry of the table, or an address no entry lies at: misaligned, beyond
    // user space, or zeroed game memory (which reads as entry 0 with no text and no link).
    game::NameEntry* NameLink(game::NameEntry* self) {
        game::NameEntry* entry = world_.NameTable().data[PickNameIndex()];
        switch (bytes_.ConsumeIntegralInRange(0, 5)) {
            case 0:
                return nullptr;
            case 1:
                return self != nullptr ? self : entry;
            case 2:
                return entry;
            case 3:
                return game::PointerAt<game::NameEntry>(game::AddressOf(entry) +
                                                        bytes_.ConsumeIntegralInRange(1, 7));
            case 4:
                return game::PointerAt<game::NameEntry>(
                    bytes_.ConsumeIntegralInRange<std::uint64_t>(game::kHighestObjectAddress,
                                                                 ~std::uint64_t{0}));
            default:
                return static_cast<game::NameEntry*>(
                    world_.Allocator().Allocate(sizeof(game::NameEntry)));
        }
    }

    void Corrupt(GameObject* object) {
        static constexpr GameObject* GameObject::*kPointers[] = {
            &GameObject::outer,      &GameObject::classObject, &GameObject::superStruct,
            &GameObject::firstField, &GameObject::nextField,   &GameObject::hashNext};
        static constexpr std::int32_t GameObject::*kNumbers[] = {
            &GameObject::index,  &GameObject::nameIndex,    &GameObject::nameNumber,
            &GameObject::offset, &GameObject::propertySize, &GameObject::minAlignment};
        switch (bytes_.ConsumeIntegralInRange(0, 3)) {
            case 0:
                object->*kPointers[bytes_.ConsumeIntegralInRange<std::size_t>(
                             0, std::size(kPointers) - 1)] = Pointer();
                break;
            case 1:
                object->*kNumbers[bytes_.ConsumeIntegralInRange<std::size_t>(
                             0, std::size(kNumbers) - 1)] = Number();
                break;
            case 2:
                object->dataProperty = bytes_.ConsumeIntegral<std::uint32_t>();
                break;
            default:
                object->flags ^= game::kClassDefaultFlag;
                break;
        }
    }

    // Any number, or one at the edges of the tables, where the bounds tests are.
    std::int32_t Number() {
        if (bytes_.ConsumeBool()) return bytes_.ConsumeIntegral<std::int32_t>();
        return bytes_.ConsumeIntegralInRange(-1, std::max(Count(), NameCount()));
    }

    std::int32_t Count() const { return world_.ObjectTable().count; }
    std::int32_t NameCount() const { return world_.NameTable().count; }

    GameObject* Pointer() { return game::PointerAt<GameObject>(PointerValue()); }

    std::uint64_t PointerValue() {
        switch (bytes_.ConsumeIntegralInRange(0, 6)) {
            case 0:
                return 0;
            case 1:
                return game::AddressOf(PickObject());
            case 2:  // misaligned
                return game::AddressOf(PickObject()) + bytes_.ConsumeIntegralInRange(1, 7);
            case 3:  // beyond user space
                return bytes_.ConsumeIntegralInRange<std::uint64_t>(game::kHighestObjectAddress,
                                                                    ~std::uint64_t{0});
            case 4:  // game memory that holds no object: reads as zero
                return game::AddressOf(world_.Allocator().Allocate(kHostileObjectSize));
            case 5: {  // the middle of an object made here, with a whole object behind it
                if (hostile_.empty()) return 0;
                GameObject* object =
                    hostile_[bytes_.ConsumeIntegralInRange<std::size_t>(0, hostile_.size() - 1)];
                return game::AddressOf(object) +
                       8 * bytes_.ConsumeIntegralInRange<std::uint64_t>(1, kInteriorReach / 8);
            }
            default:  // the address of a table slot: a pointer to a pointer
                return game::AddressOf(world_.ObjectTable().data);
        }
    }

    FuzzedDataProvider& bytes_;
    emu::World world_;
    std::vector<GameObject*> objects_;  // every object of the table, hostile ones included
    std::vector<GameObject*> hostile_;  // made here, kHostileObjectSize bytes each
    std::vector<std::u16string> texts_;
};

// ---- Checking -----------------------------------------------------------------------------------

void Require(bool promise) {
    if (!promise) std::abort();
}

// The full-name index files an object under the name GetFullName gives it, so whatever a lookup
// returns carries the name it was asked for.
void CheckFullNameLookups(const std::string& fullName) {
    if (const GameObject* found = game::FindObject(fullName)) {
        Require(game::GetFullName(found) == fullName);
    }
    if (const GameObject* found = game::FindFunction(fullName)) {
        Require(game::GetFullName(found) == fullName);
    }
}

void CheckNameEntry(const std::u16string& text) {
    const game::NameEntry* entry = game::FindNameEntry(text.c_str());
    if (entry == nullptr) return;
    const std::u16string_view found(entry->text);
    Require(found.size() == text.size());
}

void CheckInstanceOf(const char* classFullName) {
    game::ClassCache cache{classFullName};
    const GameObject* instance = game::FindInstanceOf(cache);
    if (instance == nullptr) return;
    Require(game::IsValidObject(instance));
    Require((instance->flags & game::kClassDefaultFlag) == 0);
    Require(game::IsA(instance, game::FindObject(classFullName)));
}

void CheckEveryLookup(HostileWorld& hostile, FuzzedDataProvider& bytes) {
    emu::World& world = hostile.World();
    game::ForgetLookupsForTesting();
    game::ObjectTableAddress = world.ObjectTableAddress();
    game::NameTableAddress = world.NameTableAddress();

    const game::GameObject* coreObject = game::FindObject("Class Core.Object");
    const auto& table = world.ObjectTable();
    std::vector<std::string> fullNames;
    for (std::int32_t i = 0; i < table.count; ++i) {
        const GameObject* slot = table.data[i];
        if (!game::IsValidObject(slot)) continue;
        game::GetObjectName(slot);
        game::IsA(slot, coreObject);
        fullNames.push_back(game::GetFullName(slot));
        for (const char* property : {"PlayerName", "ClientLoadouts", "Class", ""}) {
            game::FindPropertyOffset(slot, property);
        }
    }
    for (const std::string& fullName : fullNames) CheckFullNameLookups(fullName);
    CheckFullNameLookups(bytes.ConsumeRandomLengthString(64));

    for (const std::u16string& text : hostile.Texts()) CheckNameEntry(text);
    for (const char* name : kNames) CheckNameEntry(std::u16string(name, name + std::strlen(name)));

    CheckInstanceOf("Class TAGame.GFxData_NotificationManager_TA");
    CheckInstanceOf("Class Core.Object");
    if (!fullNames.empty()) CheckInstanceOf(fullNames.back().c_str());

    sim::host::HostState host;
    sharedConsole = std::make_shared<CVarManagerWrapper>(&host);
    game::NameRegistry::SetStructSize(u"ClientLoadoutData", bytes.ConsumeIntegral<std::uint8_t>());
    game::NameRegistry::SetStructSize(u"Class", 16);
    game::NameRegistry::AddFunction("Function TAGame.PRI_TA.ReplicatedEvent");
    game::NameRegistry::AddClass("Class TAGame.PRI_TA");
    game::ResolveNameRegistries();
    sharedConsole.reset();
}

}  // namespace

// ---- Entry point --------------------------------------------------------------------------------

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider bytes(data, size);
    HostileWorld hostile(bytes);
    CheckEveryLookup(hostile, bytes);
    // Nothing of this world may outlive it: the next input starts over.
    game::ForgetLookupsForTesting();
    game::ObjectTableAddress = 0;
    game::NameTableAddress = 0;
    return 0;
}

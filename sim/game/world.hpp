// The game emulator: a live image of the game's memory in the game's own formats, for the plugin
// to read as it reads the real game, and the operations the emulated game runs on it.
//
// Everything the world allocates for the game comes from its GameAllocator and lives as long as
// the world. One world at a time is current; the game's ProcessEvent runs against it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "sim/game/allocator.hpp"
#include "sim/game/game_format.hpp"
#include "sim/game/gamesim_api.hpp"

namespace emu {

// The game's ProcessEvent, as every stand-in calls it.
using ProcessEventFunction = void (*)(GameObject* object, GameObject* function, void* params);

// ---- Property declarations ----------------------------------------------------------------------

enum class PropertyType { Byte, Int, Bool, Float, QWord, Name, Str, Object, Array, Struct };

struct PropertyDecl {
    std::string_view name;
    PropertyType type;
    // For Struct: the full name of the script struct ("ScriptStruct TAGame.PRI_TA.X").
    std::string_view structType = {};
    // Elements of a fixed-size array property (ClientLoadouts holds two records).
    std::int32_t arrayDim = 1;
};

// ---- World --------------------------------------------------------------------------------------

// The world's tables and hashes in the image's static data (world_image.cpp).
struct ImageGlobals;

class World {
public:
    // Builds the game's packages, classes, script structs, functions and their native bodies,
    // and becomes the current world.
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // The current world; aborts when there is none.
    static World& Current();
    static World* CurrentOrNull();

    // ---- Tables ---------------------------------------------------------------------------------
    std::uint64_t ObjectTableAddress() const;
    std::uint64_t NameTableAddress() const;
    GameArray<GameObject*>& ObjectTable() const { return *objectTable_; }
    GameArray<NameEntry*>& NameTable() const { return *nameTable_; }
    // The first of the 65,536 name-hash and 32,768 object-hash bucket pointers.
    NameEntry** NameHashBuckets() const;
    GameObject** ObjectHashBuckets() const;
    // Room for this many objects without growing the table again.
    void ReserveObjects(std::size_t count);

    // ---- Names ----------------------------------------------------------------------------------
    // The index of the name (the game's names ignore case), added when it is new.
    std::int32_t Name(std::u16string_view text);
    std::int32_t Name(std::string_view text);
    // A new entry even when the text is already present (some tables hold such twins).
    std::int32_t AddNameEntry(std::u16string_view text);
    // The text of a name narrowed to the low byte of each unit; empty when the index is out of
    // range or its slot is empty.
    std::string NameText(std::int32_t index) const;
    // The game's name hash (case-folding CRC); its low 16 bits choose the bucket.
    static std::uint32_t HashName(std::u16string_view text);

    // ---- Objects --------------------------------------------------------------------------------
    // A new object of `cls` in game memory, at least `size` bytes (never less than a full
    // GameObject), entered into the object table and the object hash.
    GameObject* CreateObject(GameObject* cls, std::string_view name, GameObject* outer,
                             std::size_t size = 0, std::int32_t nameNumber = 0,
                             std::uint64_t flags = 0);
    GameObject* Package(std::string_view name);
    // "Package.Name" deriving from the class with full name `superFullName` (empty for none):
    // BeginClass, the properties, FinishClass.
    GameObject* DefineClass(std::string_view path, std::string_view superFullName,
                            std::initializer_list<PropertyDecl> properties = {});
    // A class whose fields are declared one by one (script structs it declares come before the
    // properties that use them). FinishClass creates its class-default object "Default__Name";
    // no property may be added after that, nor after a subclass exists.
    GameObject* BeginClass(std::string_view path, std::string_view superFullName);
    GameObject* BeginClass(std::string_view path, GameObject* super);
    void FinishClass(GameObject* cls);
    // A script struct declared inside `owner` (a class or package). `size` and `alignment`
    // override the layout of the properties when non-zero.
    GameObject* DefineScriptStruct(GameObject* owner, std::string_view name,
                                   std::initializer_list<PropertyDecl> properties,
                                   std::int32_t size = 0, std::int32_t alignment = 0);
    // A script function of `owner`, its parameters laid out in order from offset 0.
    GameObject* DefineFunction(GameObject* owner, std::string_view name,
                               std::initializer_list<PropertyDecl> parameters = {});
    GameObject* DefineConst(GameObject* owner, std::string_view name);
    GameObject* DefineEnum(GameObject* owner, std::string_view name);
    // Appends a property to a struct, function or unfinished class without subclasses.
    GameObject* AddProperty(GameObject* owner, const PropertyDecl& property);
    // Appends any field object to the chain of `owner` as it stands (no layout work): for tables
    // that break the usual rules.
    void LinkField(GameObject* owner, GameObject* field);

    // The object last created under this full name, or null. The emulator's own index.
    GameObject* Find(std::string_view fullName) const;
    // As Find, but aborts with the name when it is missing: for names the emulator defines.
    GameObject* Get(std::string_view fullName) const;
    std::string FullName(const GameObject* object) const;
    GameObject* DefaultObject(const GameObject* cls) const;

    // A live instance of the class: zeroed storage of the class's size, named after the class
    // with the next name number, inside the package "Transient".
    GameObject* Spawn(std::string_view classFullName);
    GameObject* Spawn(GameObject* cls);

    // ---- Fields ---------------------------------------------------------------------------------
    // Offset of a property of the object's class or any of its super classes; aborts if none.
    std::int32_t PropertyOffset(const GameObject* cls, std::string_view name) const;
    template <class T>
    T& Field(GameObject* object, std::string_view property) const {
        return *At<T>(object, PropertyOffset(Layout(object).classObject, property));
    }
    // Stores a new game string holding `text` into a string property.
    void SetString(GameObject* object, std::string_view property, std::u16string_view text);
    std::u16string GetString(GameObject* object, std::string_view property) const;

    GameAllocator& Allocator() { return allocator_; }
    // A game-allocated string (count = capacity = length + 1); empty text gives the empty string.
    GameString MakeString(std::u16string_view text);
    // The text of a game string up to its count, without the terminating zero. Any declaration of
    // the game's string will do (tests hold the plugin's).
    template <class String>
    static std::u16string ReadString(const String& string) {
        return ReadUnits(string.data, string.count);
    }
    static std::u16string ReadUnits(const char16_t* units, std::int32_t count);
    // A game-allocated array of `count` zeroed elements (count = capacity).
    template <class T>
    GameArray<T> MakeArray(std::size_t count) {
        return GameArray<T>{allocator_.AllocateArray<T>(count), static_cast<std::int32_t>(count),
                            static_cast<std::int32_t>(count)};
    }
    template <class T>
    GameArray<T> MakeArray(std::initializer_list<T> elements) {
        GameArray<T> array = MakeArray<T>(elements.size());
        std::copy(elements.begin(), elements.end(), array.data);
        return array;
    }
    // Room for `capacity` elements, the elements kept. The old buffer is left to the game, which
    // never frees memory that someone may still walk.
    template <class T>
    void Reserve(GameArray<T>& array, std::size_t capacity) {
        if (capacity <= static_cast<std::size_t>(array.capacity)) return;
        T* grown = allocator_.AllocateArray<T>(capacity);
        if (array.count > 0) std::copy(array.data, array.data + array.count, grown);
        array.data = grown;
        array.capacity = static_cast<std::int32_t>(capacity);
    }
    // Appends the way the game grows an array: a full one moves to twice its capacity, so that
    // appending n elements costs memory in proportion to n. Returns the element's index.
    template <class T>
    std::int32_t Append(GameArray<T>& array, T element) {
        if (array.count == array.capacity) {
            Reserve(array, std::max<std::size_t>(4, 2 * static_cast<std::size_t>(array.capacity)));
        }
        array.data[array.count] = element;
        return array.count++;
    }

    // ---- Script ---------------------------------------------------------------------------------
    // A native body receives the object the function runs on and the parameter block.
    using NativeBody = std::function<void(GameObject* self, void* params)>;
    // Sets or replaces the body of a function; functions without a body do nothing when run.
    void SetNative(GameObject* function, NativeBody body);
    void SetNative(std::string_view functionFullName, NativeBody body);
    // Runs a function the way the game does: through the object's ProcessEvent slot, so a
    // detour placed there by the host runs around it.
    void Call(GameObject* object, std::string_view functionFullName, void* params);
    // The game's own ProcessEvent: logs the call and runs the function's native body.
    GAMESIM_API static void GameProcessEvent(GameObject* object, GameObject* function,
                                             void* params);
    // Slot 67 of the table of virtual operations every object shares. The host replaces it with
    // its detour, which calls GameProcessEvent.
    ProcessEventFunction ProcessEventSlot() const;
    void SetProcessEventSlot(ProcessEventFunction processEvent);
    // How often GameProcessEvent ran a function, by the function's full name.
    std::size_t CallCount(std::string_view functionFullName) const;

    // ---- Localization ---------------------------------------------------------------------------
    // Localize answers (package, section, key) with this text; a missing entry yields the game's
    // "?INT?Package.Section.Key?".
    void SetLocalizedText(std::u16string_view package, std::u16string_view section,
                          std::u16string_view key, std::u16string_view text);
    std::u16string LocalizedText(std::u16string_view package, std::u16string_view section,
                                 std::u16string_view key) const;

    // ---- Test access ----------------------------------------------------------------------------
    // Writes any value into an object-table slot, or appends one; for hostile tables.
    void SetObjectSlot(std::int32_t index, std::uint64_t value);
    std::int32_t AppendObjectSlot(std::uint64_t value);
    void SetNameSlot(std::int32_t index, NameEntry* entry);
    // A second name table beside the game's, as another module might keep one: its descriptor
    // lies the name hash's distance above buckets of its own, whose buckets of "None" and "Class"
    // lead to this world's entries of those names. Its array is `elements`, which the caller
    // keeps alive; an empty one takes the table away. One per process, gone with its world.
    void PlaceStrayNameTable(std::span<NameEntry*> elements);
    // A by-value copy of a table's descriptor as it stands now, in the image's static data before
    // the game's own descriptors, never updated again: as another module's stale copy would be.
    enum class GameTable { Objects, Names };
    void FreezeDescriptorCopy(GameTable table);

private:
    struct StructInfo {
        GameObject* super = nullptr;
        GameObject* lastField = nullptr;
        std::map<std::string, std::int32_t, std::less<>> offsets;  // own properties
        bool sealed = false;  // a subclass or the class-default object exists
    };

    void BuildCore();
    // Keeps the decoys beside the tables in the image's static data current.
    void RefreshDecoys();
    std::int32_t AppendToObjectTable(GameObject* object);
    NameEntry* FindNameEntry(std::u16string_view text) const;
    GameObject* CreateStruct(GameObject* cls, GameObject* outer, std::string_view name,
                             GameObject* super);
    void Index(GameObject* object);

    GameAllocator allocator_;
    ImageGlobals* image_ = nullptr;
    GameArray<GameObject*>* objectTable_ = nullptr;
    GameArray<NameEntry*>* nameTable_ = nullptr;
    VirtualSlot* virtualTable_ = nullptr;

    std::unordered_map<std::string, GameObject*> byFullName_;
    std::unordered_map<const GameObject*, StructInfo> structs_;
    std::unordered_map<const GameObject*, GameObject*> defaults_;
    std::unordered_map<const GameObject*, std::int32_t> spawnCounts_;
    std::unordered_map<const GameObject*, NativeBody> natives_;
    std::unordered_map<const GameObject*, std::size_t> callCounts_;
    std::map<std::tuple<std::u16string, std::u16string, std::u16string>, std::u16string>
        localization_;
    GameObject* classClass_ = nullptr;
    GameObject* transient_ = nullptr;
};

// Fills a world with the game's schema (schema.cpp) and the bodies of the functions the plugin
// calls (natives.cpp). The World constructor runs both.
void DefineGameSchema(World& world);
void DefineNatives(World& world);

}  // namespace emu

// The game emulator's world: the current world, the table of virtual operations its objects
// share, and its construction with the core classes. The rest of the world, by part:
//   world_image.cpp         the image's static data: tables, hashes, decoys, test access to them
//   world_names.cpp         names: the name table, the name hash
//   world_objects.cpp       objects: classes, structs, functions, properties, full names, spawning
//   world_fields.cpp        fields and game memory: property offsets, game strings
//   world_script_calls.cpp  script calls: native bodies, ProcessEvent, localization
//
// Index
//   Current world and virtual table
//   Construction - the static data and the core classes
#include "sim/game/world.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sim/game/world_parts.hpp"

namespace emu {

namespace {

// ---- Current world and virtual table ------------------------------------------------------------

std::vector<World*>& LiveWorlds() {
    static std::vector<World*> worlds;
    return worlds;
}

[[noreturn]] void UnexpectedVirtualCall() {
    world_parts::Fail("a virtual operation other than ProcessEvent ran");
}

// Every object of a world shares one table of virtual operations; the world's address sits in
// the word right before the table, so the game's ProcessEvent finds the world of any object.
constexpr std::size_t kVirtualSlots = 80;
struct VirtualTableBlock {
    World* owner;
    VirtualSlot slots[kVirtualSlots];
};

constexpr std::size_t kInitialTableCapacity = 4096;

}  // namespace

namespace world_parts {

void Fail(const std::string& message) {
    std::fprintf(stderr, "game emulator: %s\n", message.c_str());
    std::abort();
}

std::u16string Widen(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

World& OwnerOf(const GameObject* object) {
    const auto* block = At<const VirtualTableBlock>(
        Layout(object).virtualTable,
        -static_cast<std::ptrdiff_t>(offsetof(VirtualTableBlock, slots)));
    return *block->owner;
}

}  // namespace world_parts

using world_parts::Fail;

World& World::Current() {
    if (LiveWorlds().empty()) Fail("no game world exists");
    return *LiveWorlds().back();
}

World* World::CurrentOrNull() {
    return LiveWorlds().empty() ? nullptr : LiveWorlds().back();
}

// ---- Construction -------------------------------------------------------------------------------

World::World() {
    const world_parts::ImageTables image = world_parts::TakeImageBlock();
    image_ = image.block;
    nameTable_ = image.nameTable;
    objectTable_ = image.objectTable;
    Reserve(*nameTable_, kInitialTableCapacity);
    Reserve(*objectTable_, kInitialTableCapacity);

    auto* block = static_cast<VirtualTableBlock*>(allocator_.Allocate(sizeof(VirtualTableBlock)));
    block->owner = this;
    for (VirtualSlot& slot : block->slots) slot = UnexpectedVirtualCall;
    block->slots[kProcessEventSlot] = reinterpret_cast<VirtualSlot>(GameProcessEvent);
    virtualTable_ = block->slots;

    LiveWorlds().push_back(this);
    Name(u"None");  // name index 0, as in the game
    BuildCore();
    DefineGameSchema(*this);
    DefineNatives(*this);
}

World::~World() {
    std::erase(LiveWorlds(), this);
    world_parts::ReturnImageBlock(*this, image_);
}

void World::BuildCore() {
    // The core classes in the game's table order: "Class Core.Function" must land in slot 28.
    struct CoreClass {
        const char* name;
        const char* super;
        std::int32_t size;  // 0: the super class's size
    };
    static constexpr CoreClass kCore[] = {
        {"Object", "", kObjectPartSize},
        {"Field", "Object", kFieldPartSize},
        {"Struct", "Field", static_cast<std::int32_t>(sizeof(ObjectLayout))},
        {"State", "Struct", 0},
        {"Class", "State", 0},
        {"Package", "Object", 0},
        {"Const", "Field", 0},
        {"Enum", "Field", 0},
        {"ScriptStruct", "Struct", 0},
        {"Property", "Field", static_cast<std::int32_t>(sizeof(ObjectLayout))},
        {"ByteProperty", "Property", 0},
        {"IntProperty", "Property", 0},
        {"BoolProperty", "Property", 0},
        {"FloatProperty", "Property", 0},
        {"QWordProperty", "Property", 0},
        {"NameProperty", "Property", 0},
        {"StrProperty", "Property", 0},
        {"ObjectProperty", "Property", 0},
        {"ClassProperty", "ObjectProperty", 0},
        {"StructProperty", "Property", 0},
        {"ArrayProperty", "Property", 0},
        {"MapProperty", "Property", 0},
        {"InterfaceProperty", "Property", 0},
        {"DelegateProperty", "Property", 0},
        {"ComponentProperty", "ObjectProperty", 0},
        {"TextBuffer", "Object", 0},
        {"Linker", "Object", 0},
        {"Function", "Struct", 0},
    };
    // The package and the classes exist before the class of classes and of packages does; their
    // class pointers are filled in once it does.
    GameObject* core = CreateObject(nullptr, "Core", nullptr);
    std::vector<GameObject*> created;
    for (const CoreClass& coreClass : kCore) {
        GameObject* super = nullptr;
        for (GameObject* earlier : created) {
            if (NameText(Layout(earlier).nameIndex) == coreClass.super) super = earlier;
        }
        GameObject* cls = CreateStruct(nullptr, core, coreClass.name, super);
        if (coreClass.size != 0) Layout(cls).propertySize = coreClass.size;
        created.push_back(cls);
    }
    classClass_ = created[4];
    for (GameObject* cls : created) Layout(cls).classObject = classClass_;
    Layout(core).classObject = created[5];
    if (Layout(created.back()).index != kFunctionClassIndex) Fail("Core.Function is misplaced");
    for (GameObject* object : created) Index(object);
    Index(core);
    for (GameObject* cls : created) FinishClass(cls);
    transient_ = Package("Transient");
}

}  // namespace emu

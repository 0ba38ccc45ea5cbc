// The game emulator's world.
//
// Index
//   Current world and virtual table
//   The image's static data
//   Construction - the static data and the core classes
//   Tables and names
//   Objects
//   Fields and game memory
//   Script
//   Localization and test access
#include "sim/game/world.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace emu {

namespace {

// ---- Current world and virtual table ------------------------------------------------------------

std::vector<World*>& LiveWorlds() {
    static std::vector<World*> worlds;
    return worlds;
}

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "game emulator: %s\n", message.c_str());
    std::abort();
}

[[noreturn]] void UnexpectedVirtualCall() {
    Fail("a virtual operation other than ProcessEvent ran");
}

// Every object of a world shares one table of virtual operations; the world's address sits in
// the word right before the table, so the game's ProcessEvent finds the world of any object.
constexpr std::size_t kVirtualSlots = 80;
struct VirtualTableBlock {
    World* owner;
    VirtualSlot slots[kVirtualSlots];
};

World& OwnerOf(const GameObject* object) {
    const auto* block = At<const VirtualTableBlock>(
        Layout(object).virtualTable,
        -static_cast<std::ptrdiff_t>(offsetof(VirtualTableBlock, slots)));
    return *block->owner;
}

}  // namespace

// ---- The image's static data --------------------------------------------------------------------

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

ImageGlobals* TakeImageBlock() {
    for (std::size_t i = 0; i < kImageBlocks; ++i) {
        if (!imageBlockTaken[i]) {
            imageBlockTaken[i] = true;
            return &imageBlocks[i];
        }
    }
    Fail("more game worlds at once than the image has room for");
}

// What the world kept there goes with it: no descriptor may point into freed memory.
void ReturnImageBlock(ImageGlobals* block) {
    std::memset(static_cast<void*>(block), 0, sizeof(ImageGlobals));
    imageBlockTaken[static_cast<std::size_t>(block - imageBlocks)] = false;
}

constexpr std::size_t kInitialTableCapacity = 4096;

std::pair<std::string_view, std::string_view> SplitPath(std::string_view path) {
    const std::size_t dot = path.find('.');
    if (dot == std::string_view::npos) Fail("class path without package: " + std::string(path));
    return {path.substr(0, dot), path.substr(dot + 1)};
}

std::u16string Widen(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

std::size_t AlignUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

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
// lie: only the field's kind tells it from a property.
void MarkNonData(GameObject* field, const GameObject* owner) {
    ObjectLayout& layout = Layout(field);
    layout.dataProperty = 0x5A;
    layout.offset = std::max(owner != nullptr ? Layout(owner).propertySize : 0, kObjectPartSize);
}

bool SameNameIgnoringCase(const char16_t* stored, std::u16string_view text) {
    auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (stored[i] == 0 || fold(stored[i]) != fold(text[i])) return false;
    }
    return stored[text.size()] == 0;
}

}  // namespace

World& World::Current() {
    if (LiveWorlds().empty()) Fail("no game world exists");
    return *LiveWorlds().back();
}

World* World::CurrentOrNull() {
    return LiveWorlds().empty() ? nullptr : LiveWorlds().back();
}

// ---- Construction -------------------------------------------------------------------------------

World::World() {
    image_ = TakeImageBlock();
    nameTable_ = &image_->nameTable;
    objectTable_ = &image_->objectTable;
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
    if (strayNameTableOwner == this) PlaceStrayNameTable({});
    ReturnImageBlock(image_);
    if (frozenCopiesOwner == this) {
        std::memset(static_cast<void*>(&imageStaticData.frozenCopies), 0, sizeof(ImageGlobals));
        frozenCopiesOwner = nullptr;
    }
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

// ---- Tables and names ---------------------------------------------------------------------------

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

// ---- Objects ------------------------------------------------------------------------------------

std::int32_t World::AppendToObjectTable(GameObject* object) {
    if (image_->shiftedObjects.count == 0) Append<GameObject*>(image_->shiftedObjects, nullptr);
    Append(image_->shiftedObjects, object);
    const std::int32_t index = Append(*objectTable_, object);
    RefreshDecoys();
    return index;
}

GameObject* World::CreateObject(GameObject* cls, std::string_view name, GameObject* outer,
                                std::size_t size, std::int32_t nameNumber, std::uint64_t flags) {
    auto* object =
        static_cast<GameObject*>(allocator_.Allocate(std::max(size, sizeof(ObjectLayout))));
    ObjectLayout& layout = Layout(object);
    layout.virtualTable = virtualTable_;
    layout.flags = flags;
    layout.outer = outer;
    layout.nameIndex = Name(name);
    layout.nameNumber = nameNumber;
    layout.classObject = cls;
    layout.index = AppendToObjectTable(object);
    GameObject*& bucket =
        ObjectHashBuckets()[static_cast<std::uint32_t>(layout.nameIndex ^ nameNumber) %
                            kObjectHashBuckets];
    layout.hashNext = bucket;
    bucket = object;
    if (cls != nullptr) Index(object);
    return object;
}

void World::Index(GameObject* object) {
    byFullName_[FullName(object)] = object;
}

GameObject* World::Package(std::string_view name) {
    if (GameObject* found = Find("Package " + std::string(name))) return found;
    return CreateObject(Get("Class Core.Package"), name, nullptr);
}

GameObject* World::CreateStruct(GameObject* cls, GameObject* outer, std::string_view name,
                                GameObject* super) {
    GameObject* object = CreateObject(cls, name, outer);
    ObjectLayout& layout = Layout(object);
    layout.superStruct = super;
    layout.propertySize = super != nullptr ? Layout(super).propertySize : 0;
    layout.minAlignment = super != nullptr ? Layout(super).minAlignment : 1;
    MarkNonData(object, outer);
    structs_[object].super = super;
    if (super != nullptr) structs_[super].sealed = true;
    return object;
}

GameObject* World::DefineClass(std::string_view path, std::string_view superFullName,
                               std::initializer_list<PropertyDecl> properties) {
    GameObject* cls = BeginClass(path, superFullName);
    for (const PropertyDecl& property : properties) AddProperty(cls, property);
    FinishClass(cls);
    return cls;
}

GameObject* World::BeginClass(std::string_view path, std::string_view superFullName) {
    return BeginClass(path, superFullName.empty() ? nullptr : Get(superFullName));
}

GameObject* World::BeginClass(std::string_view path, GameObject* super) {
    const auto [package, name] = SplitPath(path);
    return CreateStruct(classClass_, Package(package), name, super);
}

void World::FinishClass(GameObject* cls) {
    structs_[cls].sealed = true;
    defaults_[cls] =
        CreateObject(cls, "Default__" + NameText(Layout(cls).nameIndex), Layout(cls).outer,
                     static_cast<std::size_t>(Layout(cls).propertySize), 0, kClassDefaultFlag);
}

GameObject* World::DefineScriptStruct(GameObject* owner, std::string_view name,
                                      std::initializer_list<PropertyDecl> properties,
                                      std::int32_t size, std::int32_t alignment) {
    GameObject* scriptStruct = CreateStruct(Get("Class Core.ScriptStruct"), owner, name, nullptr);
    for (const PropertyDecl& property : properties) AddProperty(scriptStruct, property);
    if (size != 0) Layout(scriptStruct).propertySize = size;
    if (alignment != 0) Layout(scriptStruct).minAlignment = alignment;
    LinkField(owner, scriptStruct);
    return scriptStruct;
}

GameObject* World::DefineFunction(GameObject* owner, std::string_view name,
                                  std::initializer_list<PropertyDecl> parameters) {
    GameObject* function = CreateStruct(Get("Class Core.Function"), owner, name, nullptr);
    for (const PropertyDecl& parameter : parameters) AddProperty(function, parameter);
    LinkField(owner, function);
    return function;
}

GameObject* World::DefineConst(GameObject* owner, std::string_view name) {
    GameObject* constant = CreateObject(Get("Class Core.Const"), name, owner);
    MarkNonData(constant, owner);
    LinkField(owner, constant);
    return constant;
}

GameObject* World::DefineEnum(GameObject* owner, std::string_view name) {
    GameObject* enumeration = CreateObject(Get("Class Core.Enum"), name, owner);
    MarkNonData(enumeration, owner);
    LinkField(owner, enumeration);
    return enumeration;
}

GameObject* World::AddProperty(GameObject* owner, const PropertyDecl& property) {
    StructInfo& info = structs_[owner];
    if (info.sealed) Fail("property added to a finished class: " + std::string(property.name));
    struct Shape {
        const char* cls;
        std::size_t size;
        std::size_t alignment;
    };
    Shape shape{};
    switch (property.type) {
        case PropertyType::Byte:
            shape = {"ByteProperty", 1, 1};
            break;
        case PropertyType::Int:
            shape = {"IntProperty", 4, 4};
            break;
        case PropertyType::Bool:
            shape = {"BoolProperty", 4, 4};
            break;
        case PropertyType::Float:
            shape = {"FloatProperty", 4, 4};
            break;
        case PropertyType::QWord:
            shape = {"QWordProperty", 8, 8};
            break;
        case PropertyType::Name:
            shape = {"NameProperty", 8, 4};
            break;
        case PropertyType::Str:
            shape = {"StrProperty", 16, 8};
            break;
        case PropertyType::Object:
            shape = {"ObjectProperty", 8, 8};
            break;
        case PropertyType::Array:
            shape = {"ArrayProperty", 16, 8};
            break;
        case PropertyType::Struct: {
            const ObjectLayout& type = Layout(Get(property.structType));
            const auto alignment = static_cast<std::size_t>(type.minAlignment);
            shape = {"StructProperty",
                     AlignUp(static_cast<std::size_t>(type.propertySize), alignment), alignment};
            break;
        }
    }
    ObjectLayout& ownerLayout = Layout(owner);
    const std::size_t offset =
        AlignUp(static_cast<std::size_t>(ownerLayout.propertySize), shape.alignment);
    GameObject* field =
        CreateObject(Get(std::string("Class Core.") + shape.cls), property.name, owner);
    Layout(field).offset = static_cast<std::int32_t>(offset);
    Layout(field).dataProperty = 1;
    ownerLayout.propertySize = static_cast<std::int32_t>(
        offset + shape.size * static_cast<std::size_t>(property.arrayDim));
    ownerLayout.minAlignment =
        std::max(ownerLayout.minAlignment, static_cast<std::int32_t>(shape.alignment));
    info.offsets.emplace(std::string(property.name), Layout(field).offset);
    LinkField(owner, field);
    return field;
}

void World::LinkField(GameObject* owner, GameObject* field) {
    StructInfo& info = structs_[owner];
    if (info.lastField == nullptr) {
        Layout(owner).firstField = field;
    } else {
        Layout(info.lastField).nextField = field;
    }
    info.lastField = field;
}

GameObject* World::Find(std::string_view fullName) const {
    auto found = byFullName_.find(std::string(fullName));
    return found == byFullName_.end() ? nullptr : found->second;
}

GameObject* World::Get(std::string_view fullName) const {
    GameObject* object = Find(fullName);
    if (object == nullptr) Fail("no object named " + std::string(fullName));
    return object;
}

std::string World::FullName(const GameObject* object) const {
    std::string path = NameText(Layout(object).nameIndex);
    for (const GameObject* outer = Layout(object).outer; outer != nullptr;
         outer = Layout(outer).outer) {
        path = NameText(Layout(outer).nameIndex) + "." + path;
    }
    return NameText(Layout(Layout(object).classObject).nameIndex) + " " + path;
}

GameObject* World::DefaultObject(const GameObject* cls) const {
    auto found = defaults_.find(cls);
    return found == defaults_.end() ? nullptr : found->second;
}

GameObject* World::Spawn(std::string_view classFullName) {
    return Spawn(Get(classFullName));
}

GameObject* World::Spawn(GameObject* cls) {
    return CreateObject(cls, NameText(Layout(cls).nameIndex), transient_,
                        static_cast<std::size_t>(Layout(cls).propertySize), ++spawnCounts_[cls]);
}

// ---- Fields and game memory ---------------------------------------------------------------------

std::int32_t World::PropertyOffset(const GameObject* cls, std::string_view name) const {
    for (const GameObject* current = cls; current != nullptr;
         current = Layout(current).superStruct) {
        auto info = structs_.find(current);
        if (info == structs_.end()) break;
        auto found = info->second.offsets.find(name);
        if (found != info->second.offsets.end()) return found->second;
    }
    Fail("no property " + std::string(name) + " in " + FullName(cls));
}

void World::SetString(GameObject* object, std::string_view property, std::u16string_view text) {
    Field<GameString>(object, property) = MakeString(text);
}

std::u16string World::GetString(GameObject* object, std::string_view property) const {
    return ReadString(Field<GameString>(object, property));
}

GameString World::MakeString(std::u16string_view text) {
    if (text.empty()) return GameString{nullptr, 0, 0};
    const auto count = static_cast<std::int32_t>(text.size() + 1);
    GameString made{allocator_.AllocateArray<char16_t>(text.size() + 1), count, count};
    std::copy(text.begin(), text.end(), made.data);
    return made;
}

std::u16string World::ReadUnits(const char16_t* data, std::int32_t count) {
    if (data == nullptr || count <= 0) return {};
    std::u16string_view units(data, static_cast<std::size_t>(count));
    return std::u16string(units.substr(0, units.find(u'\0')));
}

// ---- Script -------------------------------------------------------------------------------------

void World::SetNative(GameObject* function, NativeBody body) {
    natives_[function] = std::move(body);
}

void World::SetNative(std::string_view functionFullName, NativeBody body) {
    SetNative(Get(functionFullName), std::move(body));
}

void World::Call(GameObject* object, std::string_view functionFullName, void* params) {
    const auto processEvent =
        reinterpret_cast<ProcessEventFunction>(Layout(object).virtualTable[kProcessEventSlot]);
    processEvent(object, Get(functionFullName), params);
}

void World::GameProcessEvent(GameObject* object, GameObject* function, void* params) {
    World& world = OwnerOf(object);
    ++world.callCounts_[function];
    auto body = world.natives_.find(function);
    if (body != world.natives_.end()) body->second(object, params);
}

ProcessEventFunction World::ProcessEventSlot() const {
    return reinterpret_cast<ProcessEventFunction>(virtualTable_[kProcessEventSlot]);
}

void World::SetProcessEventSlot(ProcessEventFunction processEvent) {
    virtualTable_[kProcessEventSlot] = reinterpret_cast<VirtualSlot>(processEvent);
}

std::size_t World::CallCount(std::string_view functionFullName) const {
    auto found = callCounts_.find(Find(functionFullName));
    return found == callCounts_.end() ? 0 : found->second;
}

// ---- Localization and test access ---------------------------------------------------------------

void World::SetLocalizedText(std::u16string_view package, std::u16string_view section,
                             std::u16string_view key, std::u16string_view text) {
    localization_.insert_or_assign(
        std::tuple{std::u16string(package), std::u16string(section), std::u16string(key)},
        std::u16string(text));
}

std::u16string World::LocalizedText(std::u16string_view package, std::u16string_view section,
                                    std::u16string_view key) const {
    auto found = localization_.find(
        std::tuple{std::u16string(package), std::u16string(section), std::u16string(key)});
    if (found != localization_.end()) return found->second;
    return u"?INT?" + std::u16string(package) + u"." + std::u16string(section) + u"." +
           std::u16string(key) + u"?";
}

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

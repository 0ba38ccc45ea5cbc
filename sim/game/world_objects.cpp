// The game emulator's world: objects. Creating them in the object table and the object hash,
// packages, classes and their default objects, script structs, functions, constants, enums and
// properties laid out as the game lays them out; full names and spawning.
#include <algorithm>
#include <cstddef>
#include <utility>

#include "sim/game/world.hpp"
#include "sim/game/world_parts.hpp"

namespace emu {

using world_parts::Fail;

namespace {

std::pair<std::string_view, std::string_view> SplitPath(std::string_view path) {
    const std::size_t dot = path.find('.');
    if (dot == std::string_view::npos) Fail("class path without package: " + std::string(path));
    return {path.substr(0, dot), path.substr(dot + 1)};
}

std::size_t AlignUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// In a field that is no data property the words at 0x74 and 0x98 hold other data, rarely zero.
// The second is set past the owner's parent part, where a property declared at this point would
// lie: only the field's kind tells it from a property.
void MarkNonData(GameObject* field, const GameObject* owner) {
    ObjectLayout& layout = Layout(field);
    layout.dataProperty = 0x5A;
    layout.offset = std::max(owner != nullptr ? Layout(owner).propertySize : 0, kObjectPartSize);
}

}  // namespace

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

}  // namespace emu

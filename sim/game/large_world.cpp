// Large object tables shaped like the game's.
#include "sim/game/large_world.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace emu {

namespace {

constexpr std::size_t kClassesPerPackage = 40;
constexpr std::size_t kPropertiesPerClass = 6;
constexpr std::size_t kFunctionsPerClass = 3;
// Class, default object, properties, functions and two parameters per function.
constexpr std::size_t kObjectsPerClass = 2 + kPropertiesPerClass + 3 * kFunctionsPerClass;

constexpr const char* kWords[] = {"Boost", "Car",    "Ball",    "Goal",    "Team",  "Replay",
                                  "Match", "Arena",  "Camera",  "Vehicle", "Wheel", "Trail",
                                  "Decal", "Topper", "Antenna", "Banner",  "Score", "Stat"};
constexpr std::size_t kWordCount = std::size(kWords);
constexpr PropertyType kTypes[] = {PropertyType::Int,  PropertyType::Str,   PropertyType::Object,
                                   PropertyType::Bool, PropertyType::Float, PropertyType::Array};

std::string Word(std::size_t n) {
    return kWords[n % kWordCount];
}

GameObject* DefineSyntheticClass(World& world, std::size_t packageIndex, std::size_t classIndex,
                                 GameObject* super) {
    const std::string path = "Pkg" + std::to_string(packageIndex) + "_TA." + Word(classIndex) +
                             Word(classIndex / kWordCount) + "_" + std::to_string(classIndex) +
                             "_TA";
    GameObject* cls = world.BeginClass(path, super);
    std::vector<std::string> names;
    for (std::size_t p = 0; p < kPropertiesPerClass; ++p) {
        names.push_back(Word(classIndex + p) + Word(p) + "Value");
        world.AddProperty(cls, {names.back(), kTypes[(classIndex + p) % std::size(kTypes)]});
    }
    for (std::size_t f = 0; f < kFunctionsPerClass; ++f) {
        world.DefineFunction(cls, "On" + Word(classIndex + f) + "Changed",
                             {{"Value", PropertyType::Int}, {"ReturnValue", PropertyType::Bool}});
    }
    world.FinishClass(cls);
    return cls;
}

}  // namespace

void PopulateLargeWorld(World& world, std::size_t objectCount) {
    world.ReserveObjects(static_cast<std::size_t>(world.ObjectTable().count) + objectCount);
    const std::size_t classCount = std::max<std::size_t>(1, objectCount / 2 / kObjectsPerClass);
    std::vector<GameObject*> classes;
    for (std::size_t i = 0; i < classCount; ++i) {
        // Every fourth class derives from the one before it, as game classes form families.
        GameObject* super = i % 4 != 0 ? classes.back() : world.Get("Class Core.Object");
        classes.push_back(DefineSyntheticClass(world, i / kClassesPerPackage, i, super));
    }
    GameObject* persistentLevel = world.CreateObject(
        world.Get("Class Core.Object"), "PersistentLevel",
        world.CreateObject(world.Get("Class Core.Package"), "TheWorld", nullptr));
    const std::size_t instanceCount =
        objectCount - std::min(objectCount, classCount * kObjectsPerClass);
    for (std::size_t i = 0; i < instanceCount; ++i) {
        GameObject* cls = classes[i % classes.size()];
        world.CreateObject(cls, world.NameText(Layout(cls).nameIndex), persistentLevel,
                           static_cast<std::size_t>(Layout(cls).propertySize),
                           static_cast<std::int32_t>(i / classes.size() + 1));
    }
}

}  // namespace emu

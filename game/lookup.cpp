// Finding classes, script functions and instances.
#include "game/lookup.hpp"

#include <unordered_map>

#include "game/full_name_index.hpp"
#include "game/tables.hpp"

namespace cloak::game {

// ---- Full-name lookup ---------------------------------------------------------------------------

namespace {

// Whether objects of the class qualify for the full-name index: the class, or one of its outers,
// has a name containing "Class". A chain that reaches an invalid object, or runs longer than the
// table (a cycle), does not qualify.
bool ClassQualifiesForFullNameIndex(const GameObject* classObject) {
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* cls = classObject; --steps >= 0; cls = cls->outer) {
        if (!IsValidObject(cls)) return false;
        const NameEntry* entry = NameEntryAt(cls->nameIndex);
        if (entry != nullptr && NameTextOf(*entry).find(u"Class") != std::u16string_view::npos) {
            return true;
        }
    }
    return false;
}

// Whether an object qualifies depends on its class alone, and a game holds hundreds of thousands
// of objects but only thousands of classes: each class's chain is walked once per build.
class QualifiesForFullNameIndex {
public:
    bool operator()(const GameObject* object) {
        const auto [known, isNew] = classes_.try_emplace(object->classObject, false);
        if (isNew) known->second = ClassQualifiesForFullNameIndex(object->classObject);
        return known->second;
    }

private:
    std::unordered_map<const GameObject*, bool> classes_;
};

bool IsFunction(const GameObject* object) {
    return IsValidObject(object->classObject) && object->classObject->index == kFunctionClassIndex;
}

// One pass over the object table in index order, filing every object that `belongs` under its
// full name. Of several objects with one full name the latest wins, or the earliest when
// `earliestWins` is set. Objects that cannot be named are not filed at all.
template <class Belongs>
void BuildIndex(FullNameIndex& index, Belongs belongs, bool earliestWins) {
    FullNameWriter writer;
    const ObjectTableDescriptor& objects = ObjectTable();
    for (std::int32_t i = 0; i < objects.count; ++i) {
        GameObject* object = objects.data[i];
        // A slot that does not hold a live object (null, foreign or stale pointers) is skipped
        // before anything is read through it.
        if (!IsValidObject(object) || !belongs(object)) continue;
        const std::string_view fullName = writer.Write(object);
        if (!fullName.empty()) index.File(fullName, object, earliestWins);
    }
}

// An index built at its first use and kept; built again only after ForgetLookupsForTesting.
// Not while the table's address is unknown: a host without the handover leaves it to be found
// at a later load, and an index kept empty from before would then hide every object.
class HeldIndex {
public:
    template <class Belongs>
    const FullNameIndex& Get(Belongs belongs, bool earliestWins) {
        if (!built_ && ObjectTableAddress != 0) {
            BuildIndex(index_, belongs, earliestWins);
            built_ = true;
        }
        return index_;
    }

    void Forget() {
        index_ = FullNameIndex{};
        built_ = false;
    }

private:
    FullNameIndex index_;
    bool built_ = false;
};

HeldIndex& HeldFullNameIndex() {
    static HeldIndex held;
    return held;
}

HeldIndex& HeldFunctionIndex() {
    static HeldIndex held;
    return held;
}

}  // namespace

GameObject* FindObject(std::string_view fullName) {
    return HeldFullNameIndex().Get(QualifiesForFullNameIndex{}, false).Find(fullName);
}

GameObject* FindFunction(std::string_view fullName) {
    return HeldFunctionIndex().Get(IsFunction, true).Find(fullName);
}

void ForgetLookupsForTesting() {
    HeldFullNameIndex().Forget();
    HeldFunctionIndex().Forget();
    ++detail::lookupGeneration;
}

// ---- Instances ----------------------------------------------------------------------------------

namespace {

// Flags of objects that are not instances to act on: a class-default object; and, for the sweep of
// what is on screen, one the game has destroyed.
constexpr std::uint32_t kNotLiveFlags = kClassDefaultFlag | kPendingKillFlag;

bool IsLiveInstance(const GameObject* object) {
    return (object->flags & kNotLiveFlags) == 0;
}

// Calls `found` with each valid object of the class in table order whose flags have none of
// `skipped`, while it returns true. The class is looked up when the first candidate is met (so
// that a table without one builds no index); the index never changes during the walk, so one
// look-up answers for all.
template <class Found>
void WalkInstances(ClassCache& cls, std::uint32_t skipped, Found found) {
    const ObjectTableDescriptor& objects = ObjectTable();
    GameObject* classObject = nullptr;
    for (std::int32_t i = 0; i < objects.count; ++i) {
        GameObject* object = objects.data[i];
        if (!IsValidObject(object) || (object->flags & skipped) != 0) continue;
        if (classObject == nullptr) {
            classObject = cls.Get();
            if (classObject == nullptr) return;
        }
        if (IsA(object, classObject) && !found(object)) return;
    }
}

}  // namespace

GameObject* FindInstanceOf(ClassCache& cls) {
    GameObject* first = nullptr;
    // Only the class-default flag counts here: the game's notification manager is found as the
    // game's rules for it say, whatever else its flags hold.
    WalkInstances(cls, kClassDefaultFlag, [&first](GameObject* object) {
        first = object;
        return false;
    });
    return first;
}

std::vector<GameObject*> LiveInstancesOf(ClassCache& cls) {
    std::vector<GameObject*> instances;
    WalkInstances(cls, kNotLiveFlags, [&instances](GameObject* object) {
        instances.push_back(object);
        return true;
    });
    return instances;
}

bool IsLiveObject(const GameObject* object) {
    return IsValidObject(object) && ObjectTable().data != nullptr &&
           ObjectTable().data[object->index] == object && IsLiveInstance(object);
}

}  // namespace cloak::game

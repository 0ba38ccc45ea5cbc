// Objects and names of the running game.
//
// Index
//   Tables, Objects, Full-name lookup, Names, Instances (in the order of lookup.hpp)
#include "game/lookup.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "game/class_caches.hpp"
#include "game/memory.hpp"
#include "game/tables.hpp"

namespace game {

// ---- Tables -------------------------------------------------------------------------------------

// Tables the host has not handed over yet read as empty rather than as memory at address 0.
ObjectTableDescriptor& ObjectTable() {
    static ObjectTableDescriptor none{};
    return ObjectTableAddress == 0 ? none : *PointerAt<ObjectTableDescriptor>(ObjectTableAddress);
}

NameTableDescriptor& NameTable() {
    static NameTableDescriptor none{};
    return NameTableAddress == 0 ? none : *PointerAt<NameTableDescriptor>(NameTableAddress);
}

namespace {

constexpr std::string_view kInvalidObject = "InvalidObject";

// The name entry at `index`, or null when the index is outside the table or the slot is empty.
const NameEntry* NameEntryAt(std::int32_t index) {
    const NameTableDescriptor& names = NameTable();
    if (index < 0 || index >= names.count) return nullptr;
    return names.data[index];
}

// Length of a name text, never reading past the longest text an entry can hold.
std::size_t NameLength(const char16_t* text) {
    std::size_t length = 0;
    while (length < kNameTextCapacity - 1 && text[length] != 0) ++length;
    return length;
}

}  // namespace

// ---- Objects ------------------------------------------------------------------------------------

bool IsValidObject(const void* object) {
    const std::uint64_t address = AddressOf(object);
    if (address - 1 > kHighestObjectAddress - 2) return false;
    if (address % 8 != 0) return false;
    const auto* candidate = static_cast<const GameObject*>(object);
    if (candidate->index < 0 || candidate->index >= ObjectTable().count) return false;
    return candidate->classObject != nullptr;
}

bool IsA(const GameObject* object, const GameObject* cls) {
    if (object == nullptr) return false;
    // A class chain that leaves the object table, or runs longer than it (a loop), is corrupt;
    // it ends the walk instead of being followed into foreign memory or round for ever.
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* current = object->classObject; IsValidObject(current) && --steps >= 0;
         current = current->superStruct) {
        if (current == cls) return true;
    }
    return false;
}

namespace {

constexpr std::string_view kUnknownName = "UnknownName";

// Appends the object's own name, narrowed to the low byte of each unit, or "UnknownName".
void AppendObjectName(const GameObject* object, std::string& out) {
    const NameEntry* entry = object == nullptr ? nullptr : NameEntryAt(object->nameIndex);
    if (entry == nullptr) {
        out += kUnknownName;
        return;
    }
    const std::size_t length = NameLength(entry->text);
    const std::size_t start = out.size();
    out.resize(start + length);
    for (std::size_t i = 0; i < length; ++i) {
        out[start + i] = static_cast<char>(entry->text[i] & 0xFF);
    }
}

// Writes full names into one buffer that it keeps, so that a run of them (an index build)
// allocates nothing per name.
class FullNameWriter {
public:
    // The object's full name, valid until the next call; empty when the object, its class or
    // one of its outers is not a valid object, or the outer chain runs longer than the table (a
    // cycle): such an object cannot be named.
    std::string_view Write(const GameObject* object) {
        text_.clear();
        path_.clear();
        // The class is read as an object too; one that is not in the table cannot be named.
        if (!IsValidObject(object) || !IsValidObject(object->classObject)) return {};
        std::int32_t steps = ObjectTable().count;
        for (const GameObject* outer = object->outer; outer != nullptr; outer = outer->outer) {
            if (!IsValidObject(outer) || --steps < 0) return {};
            path_.push_back(outer);
        }
        AppendObjectName(object->classObject, text_);
        text_ += ' ';
        for (auto outer = path_.rbegin(); outer != path_.rend(); ++outer) {
            AppendObjectName(*outer, text_);
            text_ += '.';
        }
        AppendObjectName(object, text_);
        return text_;
    }

private:
    std::string text_;
    std::vector<const GameObject*> path_;  // outers, innermost first
};

}  // namespace

std::string GetObjectName(const GameObject* object) {
    std::string name;
    AppendObjectName(object, name);
    return name;
}

bool HasObjectName(const GameObject* object, std::string_view name) {
    const NameEntry* entry = object == nullptr ? nullptr : NameEntryAt(object->nameIndex);
    if (entry == nullptr) return name == kUnknownName;
    const std::size_t length = NameLength(entry->text);
    if (length != name.size()) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (static_cast<char>(entry->text[i] & 0xFF) != name[i]) return false;
    }
    return true;
}

std::string GetFullName(const GameObject* object) {
    FullNameWriter writer;
    const std::string_view fullName = writer.Write(object);
    return fullName.empty() ? std::string(kInvalidObject) : std::string(fullName);
}

// ---- Full-name lookup ---------------------------------------------------------------------------

namespace {

// Full names filed with their objects. The texts lie back to back in large blocks that never
// move; an open-addressing table of slots pointing into them finds a name in one probe on
// average, and filing allocates nothing but the occasional block or larger table.
class FullNameIndex {
public:
    GameObject* Find(std::string_view fullName) const {
        if (slots_.empty()) return nullptr;
        const Slot& slot = slots_[Probe(fullName, Hash(fullName))];
        return slot.text == nullptr ? nullptr : slot.object;
    }

    // Files `object` under `fullName`; an object already filed there stays when `keepFirst` is
    // set and is replaced otherwise.
    void File(std::string_view fullName, GameObject* object, bool keepFirst) {
        if ((used_ + 1) * 4 > slots_.size() * 3) Grow();
        const std::size_t hash = Hash(fullName);
        Slot& slot = slots_[Probe(fullName, hash)];
        if (slot.text == nullptr) {
            slot = {Store(fullName), fullName.size(), hash, object};
            ++used_;
        } else if (!keepFirst) {
            slot.object = object;
        }
    }

private:
    struct Slot {
        const char* text = nullptr;  // null: the slot is free
        std::size_t length = 0;
        std::size_t hash = 0;
        GameObject* object = nullptr;
    };

    static constexpr std::size_t kBlockSize = 256 * 1024;
    static constexpr std::size_t kFirstTableSize = 1024;

    static std::size_t Hash(std::string_view text) { return std::hash<std::string_view>{}(text); }

    // The slot holding `text`, or the free slot where it belongs. The table is never full.
    std::size_t Probe(std::string_view text, std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.text == nullptr) return i;
            if (slot.hash == hash && std::string_view(slot.text, slot.length) == text) return i;
        }
    }

    void Grow() {
        std::vector<Slot> old(std::max(kFirstTableSize, slots_.size() * 2));
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.text == nullptr) continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].text != nullptr) i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }

    const char* Store(std::string_view text) {
        if (text.size() > kBlockSize - blockUsed_ || blocks_.empty()) {
            blocks_.push_back(std::make_unique<char[]>(std::max(kBlockSize, text.size())));
            blockUsed_ = 0;
        }
        char* stored = blocks_.back().get() + blockUsed_;
        std::copy(text.begin(), text.end(), stored);
        blockUsed_ += text.size();
        return stored;
    }

    std::vector<Slot> slots_;  // a power of two in size, at most three quarters used
    std::size_t used_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockUsed_ = 0;
};

// Whether the object is a class or lies inside one: its class, or an outer of its class, has a
// name containing "Class". A chain that reaches an invalid object, or runs longer than the table
// (a cycle), does not qualify.
bool QualifiesForFullNameIndex(const GameObject* object) {
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* cls = object->classObject; --steps >= 0; cls = cls->outer) {
        if (!IsValidObject(cls)) return false;
        const NameEntry* entry = NameEntryAt(cls->nameIndex);
        if (entry != nullptr) {
            const std::u16string_view text(entry->text, NameLength(entry->text));
            if (text.find(u"Class") != std::u16string_view::npos) return true;
        }
    }
    return false;
}

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
class HeldIndex {
public:
    template <class Belongs>
    const FullNameIndex& Get(Belongs belongs, bool earliestWins) {
        if (!built_) {
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
    return HeldFullNameIndex().Get(QualifiesForFullNameIndex, false).Find(fullName);
}

GameObject* FindFunction(std::string_view fullName) {
    return HeldFunctionIndex().Get(IsFunction, true).Find(fullName);
}

void ForgetLookupsForTesting() {
    HeldFullNameIndex().Forget();
    HeldFunctionIndex().Forget();
    ++detail::lookupGeneration;
}

// ---- Names --------------------------------------------------------------------------------------

namespace {

// The game's upper-case folding of one UTF-16 unit for hashing.
std::uint32_t FoldForHash(char16_t unit) {
    switch (unit) {
        case 156:
            return 140;
        case 255:
            return 159;
        case 337:
            return 336;
        case 208:
        case 223:
        case 240:
        case 247:
            return unit;
        default:
            break;
    }
    if ((unit >= 97 && unit <= 122) || (unit >= 224 && unit <= 254)) return unit - 32u;
    return unit;
}

char16_t FoldAsciiLetter(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - (u'a' - u'A')) : unit;
}

bool EqualIgnoringAsciiCase(const char16_t* a, const char16_t* b) {
    std::size_t i = 0;
    for (; a[i] != 0 && b[i] != 0; ++i) {
        if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i])) return false;
    }
    return a[i] == b[i];
}

}  // namespace

std::uint32_t NameHash(const char16_t* text) {
    std::uint32_t hash = 0;
    for (const char16_t* unit = text; *unit != 0; ++unit) {
        const std::uint32_t folded = FoldForHash(*unit);
        hash = (hash >> 8) ^ CrcTable[(hash ^ (folded & 0xFF)) & 0xFF];
        hash = (hash >> 8) ^ CrcTable[(hash ^ (folded >> 8)) & 0xFF];
    }
    return hash;
}

NameEntry* FindNameEntry(const char16_t* text) {
    if (NameTableAddress == 0) return nullptr;
    NameEntry* const* buckets = FieldAt<NameEntry*>(
        PointerAt<void>(NameTableAddress), -static_cast<std::ptrdiff_t>(kNameHashDistance));
    for (NameEntry* entry = buckets[NameHash(text) & 0xFFFF]; entry != nullptr;
         entry = entry->hashNext) {
        if (EqualIgnoringAsciiCase(entry->text, text)) return entry;
    }
    return nullptr;
}

// ---- Instances ----------------------------------------------------------------------------------

GameObject* FindInstanceOf(ClassCache& cls) {
    const ObjectTableDescriptor& objects = ObjectTable();
    // The class is looked up when the first candidate is met (so that a table without one builds
    // no index); the index never changes during the walk, so one look-up answers for all.
    GameObject* classObject = nullptr;
    for (std::int32_t i = 0; i < objects.count; ++i) {
        GameObject* object = objects.data[i];
        if (!IsValidObject(object)) continue;
        if ((object->flags & kClassDefaultFlag) != 0) continue;
        if (classObject == nullptr) {
            classObject = cls.Get();
            if (classObject == nullptr) return nullptr;
        }
        if (IsA(object, classObject)) return object;
    }
    return nullptr;
}

}  // namespace game

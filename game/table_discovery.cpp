// Finding the game's tables in its memory.
//
// Index
//   Checked reads
//   Known objects
//   Candidate checks
//   The scan
//   DiscoverTables
#include "game/table_discovery.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "game/hash_tables.hpp"
#include "game/memory.hpp"
#include "game/objects.hpp"

namespace cloak::game {

namespace {

// ---- Checked reads ------------------------------------------------------------------------------

// Image data beyond this is not scanned: the game's own static data is a few megabytes.
constexpr std::uint64_t kMaxScannedBytes = std::uint64_t{1} << 30;
// No table of the game's is this long (its object table holds some hundred thousand objects).
constexpr std::int32_t kMaxTableLength = 1 << 26;
// A name-hash chain longer than this is not the game's (65,536 buckets share the names).
constexpr std::int32_t kMaxChainLinks = 1 << 16;

// A table's descriptor is the pair of words the scan searches for: its data, then its count and
// capacity.
static_assert(sizeof(ObjectTableDescriptor) == 2 * sizeof(std::uint64_t));
static_assert(sizeof(NameTableDescriptor) == sizeof(ObjectTableDescriptor));

// The T at `address` when it is aligned and readable.
template <class T>
std::optional<T> Read(ForeignMemory& map, std::uint64_t address) {
    T value;
    if (address % alignof(T) != 0 || !map.Read(address, &value, sizeof(T))) return std::nullopt;
    return value;
}

bool IsPlausible(std::uint64_t address) {
    return IsPlausibleAddress(PointerAt<const void>(address));
}

// The entry's text is `text`, unit by unit narrowed to its low byte as the plugin names objects
// (or, with `ignoreCase`, equal but for the case of A-Z, as the game's name lookups compare).
bool EntryTextIs(ForeignMemory& map, std::uint64_t entry, std::string_view text, bool ignoreCase) {
    if (text.size() >= kNameTextCapacity) return false;
    std::u16string read(text.size() + 1, u'\0');
    if (!map.Read(entry + kNameEntryHeaderSize, read.data(), read.size() * sizeof(char16_t))) {
        return false;
    }
    const auto fold = [ignoreCase](unsigned unit) {
        return ignoreCase && unit >= 'a' && unit <= 'z' ? unit - ('a' - 'A') : unit;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (read[i] == 0 || fold(read[i] & 0xFFu) != fold(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return read[text.size()] == 0;
}

// ---- Known objects ------------------------------------------------------------------------------

struct KnownObject {
    std::uint64_t address = 0;
    std::int32_t index = 0;
    std::int32_t nameIndex = 0;
    std::string name;  // the host's text for nameIndex; empty when it has none
};

std::optional<KnownObject> Describe(ForeignMemory& map, std::uint64_t address,
                                    const HostNameText& nameText) {
    if (!IsPlausible(address)) return std::nullopt;
    const auto index = Read<std::int32_t>(map, address + offsetof(GameObject, index));
    const auto nameIndex = Read<std::int32_t>(map, address + offsetof(GameObject, nameIndex));
    if (!index || !nameIndex || *index < 0 || *nameIndex < 0) return std::nullopt;
    return KnownObject{address, *index, *nameIndex, nameText(*nameIndex)};
}

// The objects the host named and their classes, each once.
std::vector<KnownObject> DescribeKnown(ForeignMemory& map, std::span<const GameObject* const> named,
                                       const HostNameText& nameText) {
    std::vector<std::uint64_t> addresses;
    for (const GameObject* object : named) {
        const std::uint64_t address = AddressOf(object);
        if (!IsPlausible(address)) continue;
        addresses.push_back(address);
        const auto cls = Read<std::uint64_t>(map, address + offsetof(GameObject, classObject));
        if (cls) addresses.push_back(*cls);
    }
    std::vector<KnownObject> known;
    for (std::uint64_t address : addresses) {
        const bool seen = std::any_of(known.begin(), known.end(), [address](const KnownObject& k) {
            return k.address == address;
        });
        if (seen) continue;
        if (auto described = Describe(map, address, nameText)) known.push_back(*described);
    }
    return known;
}

// ---- Candidate checks ---------------------------------------------------------------------------

struct Descriptor {
    std::uint64_t address = 0;
    std::uint64_t data = 0;
    std::int32_t count = 0;
};

std::optional<std::uint64_t> Slot(ForeignMemory& map, const Descriptor& table, std::int32_t index) {
    if (index < 0 || index >= table.count) return std::nullopt;
    return Read<std::uint64_t>(map, table.data + static_cast<std::uint64_t>(index) * 8);
}

bool HoldsKnownObjects(ForeignMemory& map, const Descriptor& table,
                       const std::vector<KnownObject>& known) {
    return std::all_of(known.begin(), known.end(), [&](const KnownObject& object) {
        return Slot(map, table, object.index) == object.address;
    });
}

// The table's entry at `index` is a name entry that carries that index.
std::optional<std::uint64_t> EntryAt(ForeignMemory& map, const Descriptor& table,
                                     std::int32_t index) {
    const auto entry = Slot(map, table, index);
    if (!entry || !IsPlausible(*entry)) return std::nullopt;
    if (Read<std::int32_t>(map, *entry + offsetof(NameEntry, index)) != index) return std::nullopt;
    return entry;
}

bool HoldsKnownNames(ForeignMemory& map, const Descriptor& table,
                     const std::vector<KnownObject>& known) {
    return std::all_of(known.begin(), known.end(), [&](const KnownObject& object) {
        if (object.name.empty()) return true;
        const auto entry = EntryAt(map, table, object.nameIndex);
        return entry && EntryTextIs(map, *entry, object.name, false);
    });
}

// The name hash below the descriptor leads to the table's own entry of "None" or "Class".
bool NameHashAgrees(ForeignMemory& map, const Descriptor& table) {
    if (table.address <= kNameHashDistance) return false;
    for (const std::u16string_view probe :
         {std::u16string_view(u"None"), std::u16string_view(u"Class")}) {
        const std::string narrow(probe.begin(), probe.end());
        const std::uint64_t bucket = table.address - kNameHashDistance +
                                     (NameHash(probe.data()) % kNameHashBuckets) * sizeof(void*);
        auto entry = Read<std::uint64_t>(map, bucket);
        for (std::int32_t links = std::min(table.count, kMaxChainLinks);
             entry && *entry != 0 && IsPlausible(*entry) && links-- > 0;
             entry = Read<std::uint64_t>(map, *entry + offsetof(NameEntry, hashNext))) {
            if (!EntryTextIs(map, *entry, narrow, true)) continue;
            const auto index = Read<std::int32_t>(map, *entry + offsetof(NameEntry, index));
            if (index && EntryAt(map, table, *index) == *entry) return true;
        }
    }
    return false;
}

// ---- The scan -----------------------------------------------------------------------------------

struct Scan {
    ForeignMemory& map;
    const std::vector<KnownObject>& known;
    std::int32_t objectCountAbove = 0;  // a table must reach past every known index
    std::int32_t nameCountAbove = 0;
    std::vector<Descriptor> objectTables;
    std::vector<Descriptor> nameTables;

    void Consider(const Descriptor& candidate) {
        // A table's whole element array is there to read.
        const auto bytes = static_cast<std::uint64_t>(candidate.count) * sizeof(void*);
        if (!map.Map().Contains(candidate.data, bytes)) return;
        if (candidate.count > objectCountAbove && HoldsKnownObjects(map, candidate, known)) {
            objectTables.push_back(candidate);
        }
        if (candidate.count > nameCountAbove && HoldsKnownNames(map, candidate, known) &&
            NameHashAgrees(map, candidate)) {
            nameTables.push_back(candidate);
        }
    }
};

// The counts a table's descriptor may hold: in (lowest - 1, lowest - 1 + span].
struct CountBounds {
    std::uint32_t lowest = 0;
    std::uint32_t span = 0;
};

// Whether the word after `word` holds a count within `bounds` and a capacity no smaller: unsigned
// comparisons without a branch.
inline bool CountFits(const std::uint64_t* word, CountBounds bounds) {
    const auto count = static_cast<std::uint32_t>(word[1]);
    const auto capacity = static_cast<std::uint32_t>(word[1] >> 32);
    return (count - bounds.lowest < bounds.span) & (capacity >= count);
}

// The first word from `word` on, before `end`, followed by a count that fits; `end` if none. Most
// words fail here: a block at a time, without a branch inside it (the compiler may vectorize it).
// Runs over a chunk of the image data as the system copied it (a WordSearch).
const std::uint64_t* NextFittingCount(const std::uint64_t* word, const std::uint64_t* end,
                                      const void* context) {
    const CountBounds bounds = *static_cast<const CountBounds*>(context);
    constexpr std::ptrdiff_t kBlock = 32;
    for (; end - word >= kBlock; word += kBlock) {
        std::uint32_t fits = 0;
        for (std::ptrdiff_t i = 0; i < kBlock; ++i) {
            fits |= static_cast<std::uint32_t>(CountFits(word + i, bounds));
        }
        if (fits != 0) break;
    }
    while (word != end && !CountFits(word, bounds)) ++word;
    return word;
}

// The image data in `part`, searched for descriptors whose count passes the test; only those are
// checked further. A descriptor is two words: its data and its count with the capacity.
void ScanImageData(AddressRange part, Scan& scan) {
    const std::int32_t countAbove = std::min(scan.objectCountAbove, scan.nameCountAbove);
    const CountBounds bounds{static_cast<std::uint32_t>(countAbove) + 1,
                             static_cast<std::uint32_t>(kMaxTableLength - countAbove)};
    scan.map.SearchWordPairs(
        part, NextFittingCount, &bounds,
        [&scan](std::uint64_t address, std::span<const std::uint64_t, 2> descriptor) {
            const auto count = static_cast<std::int32_t>(descriptor[1] & 0xFFFFFFFFu);
            const auto capacity = static_cast<std::int32_t>(descriptor[1] >> 32);
            const std::uint64_t data = descriptor[0];
            if (capacity < count || data % 8 != 0 || data - 1 > kHighestObjectAddress - 2) return;
            scan.Consider({address, data, count});
        });
}

// One table, or none, or several. A descriptor of the same array with a smaller count is an older
// copy of the table's (another module's, frozen when it was made): the larger count is the live
// one. Two with the same count at different places leave the choice open, as do descriptors of
// different arrays: a frozen copy made at this very count looks the same until the table grows,
// and taking it would leave every later object unknown to the plugin.
std::optional<Descriptor> OnlyTable(const std::vector<Descriptor>& found, bool& several) {
    several = false;
    if (found.empty()) return std::nullopt;
    Descriptor chosen = found.front();
    for (const Descriptor& other : found) {
        if (other.count > chosen.count) chosen = other;
    }
    for (const Descriptor& other : found) {
        const bool twin = other.count == chosen.count && other.address != chosen.address;
        if (other.data != chosen.data || twin) several = true;
    }
    return chosen;
}

}  // namespace

// ---- DiscoverTables -----------------------------------------------------------------------------

FoundTables DiscoverTables(std::span<const GameObject* const> named, const HostNameText& nameText,
                           const ProcessMemory& memory) {
    if (memory.status == SnapshotStatus::NoMemoryMap) return {DiscoveryResult::MemoryUnreadable};
    if (memory.status == SnapshotStatus::NoModuleList) {
        return {DiscoveryResult::NoModuleList};
    }
    ForeignMemory map(memory);
    const std::vector<KnownObject> known = DescribeKnown(map, named, nameText);
    if (map.ChangedSinceSnapshot()) return {DiscoveryResult::MemoryUnreadable};
    if (known.empty()) return {};

    Scan scan{map, known, 0, 0, {}, {}};
    const bool anyName = std::any_of(known.begin(), known.end(),
                                     [](const KnownObject& k) { return !k.name.empty(); });
    for (const KnownObject& object : known) {
        scan.objectCountAbove = std::max(scan.objectCountAbove, object.index);
        if (!object.name.empty())
            scan.nameCountAbove = std::max(scan.nameCountAbove, object.nameIndex);
    }
    std::uint64_t budget = kMaxScannedBytes;
    for (const AddressRange& image : memory.imageData) {
        for (AddressRange part : map.Map().ReadablePartsOf(image)) {
            part.end = std::min(part.end, part.begin + budget);
            budget -= part.end - part.begin;
            ScanImageData(part, scan);
            if (budget == 0) break;
        }
        if (budget == 0) break;
    }

    // A read the snapshot allowed failed: the scan may have missed the game's tables, or a second
    // place that looks like them.
    if (map.ChangedSinceSnapshot()) return {DiscoveryResult::MemoryUnreadable};
    bool several = false;
    const auto objects = OnlyTable(scan.objectTables, several);
    if (!objects) return {DiscoveryResult::NoObjectTable};
    if (several) return {DiscoveryResult::SeveralObjectTables};
    const auto names = anyName ? OnlyTable(scan.nameTables, several) : std::nullopt;
    if (!names) return {DiscoveryResult::NoNameTable};
    if (several) return {DiscoveryResult::SeveralNameTables};
    return {DiscoveryResult::Found, objects->address, names->address};
}

}  // namespace cloak::game

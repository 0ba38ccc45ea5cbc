// Lookups over large emulated tables: building the full-name and function indices (each timed as
// the first lookup, again and again), FindObject hits and misses once built, and FindInstanceOf
// of an object near the end of the table.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bench/bench_support.hpp"
#include "game/class_caches.hpp"
#include "game/lookup.hpp"

using namespace cloak;

namespace {

using game::GameObject;

// ---- Floors -------------------------------------------------------------------------------------

// The text of an object's name, read up to its terminator; empty when it cannot be read.
std::u16string_view NameText(const GameObject* object) {
    const game::NameTableDescriptor& names = game::NameTable();
    if (object->nameIndex < 0 || object->nameIndex >= names.count) return {};
    const game::NameEntry* entry = names.data[object->nameIndex];
    if (entry == nullptr) return {};
    return std::u16string_view(entry->text);
}

// Reads the names a full name is made of: the object's, its outers' and its class's.
std::size_t ReadFullNameParts(const GameObject* object) {
    std::size_t units = NameText(object).size() + NameText(object->classObject).size();
    for (const GameObject* outer = object->outer; outer != nullptr; outer = outer->outer) {
        units += NameText(outer).size();
    }
    return units;
}

// The first valid object in table order for which `stop` is true (null when there is none); a
// floor that visits every object has `stop` return false.
template <class Stop>
const GameObject* WalkValidObjects(Stop stop) {
    const game::ObjectTableDescriptor& objects = game::ObjectTable();
    for (std::int32_t i = 0; i < objects.count; ++i) {
        const GameObject* object = objects.data[i];
        if (game::IsValidObject(object) && stop(object)) return object;
    }
    return nullptr;
}

// What a straightforward build of the full-name index reads: every slot, each object's class and
// the class names up its outer chain until one holds "Class", then the parts of a qualifying
// object's full name. (The plugin walks each class's chain once per build, so it reads less.)
std::size_t WalkLikeFullNameIndex() {
    std::size_t units = 0;
    WalkValidObjects([&units](const GameObject* object) {
        for (const GameObject* cls = object->classObject; game::IsValidObject(cls);
             cls = cls->outer) {
            if (NameText(cls).find(u"Class") != std::u16string_view::npos) {
                units += ReadFullNameParts(object);
                break;
            }
        }
        return false;
    });
    return units;
}

// What building the function index reads: every slot, each object's class and its table index,
// then the parts of a function's full name.
std::size_t WalkLikeFunctionIndex() {
    std::size_t units = 0;
    WalkValidObjects([&units](const GameObject* object) {
        const GameObject* cls = object->classObject;
        if (game::IsValidObject(cls) && cls->index == game::kFunctionClassIndex) {
            units += ReadFullNameParts(object);
        }
        return false;
    });
    return units;
}

// What FindInstanceOf reads on its way: each slot's object, its table index, flags and class,
// up to the first live non-default object of exactly `cls`.
const GameObject* WalkToFirstInstance(const GameObject* cls) {
    return WalkValidObjects([cls](const GameObject* object) {
        return (object->flags & game::kClassDefaultFlag) == 0 && object->classObject == cls;
    });
}

// ---- Index builds -------------------------------------------------------------------------------

constexpr std::int64_t kTableSizes[] = {100'000, 500'000, 1'000'000};

void RegisterIndexBuilds() {
    for (const std::int64_t size : kTableSizes) {
        const auto objects = static_cast<std::size_t>(size);
        const auto configure = [size](benchmark::internal::Benchmark* b) {
            b->Arg(size)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->Repetitions(5);
        };
        bench::RegisterWithFloor(
            "FullNameIndexBuild",
            [objects](benchmark::State& state) {
                bench::LargeWorld(objects);
                bench::TimeFirstCalls(
                    state, [] { benchmark::DoNotOptimize(game::FindObject("Class Core.Object")); });
            },
            [objects](benchmark::State& state) {
                bench::LargeWorld(objects);
                bench::TimeFirstCalls(state,
                                      [] { benchmark::DoNotOptimize(WalkLikeFullNameIndex()); });
            },
            configure);
        bench::RegisterWithFloor(
            "FunctionIndexBuild",
            [objects](benchmark::State& state) {
                bench::LargeWorld(objects);
                bench::TimeFirstCalls(state, [] {
                    benchmark::DoNotOptimize(game::FindFunction("Function Core.Object.Localize"));
                });
            },
            [objects](benchmark::State& state) {
                bench::LargeWorld(objects);
                bench::TimeFirstCalls(state,
                                      [] { benchmark::DoNotOptimize(WalkLikeFunctionIndex()); });
            },
            configure);
    }
    bench::SetTarget("FullNameIndexBuild/500000", 2.0);
    bench::SetTarget("FunctionIndexBuild/500000", 2.0);
}

// ---- After a build ------------------------------------------------------------------------------

// Lookups after the build run in this process, over the 500,000-object world.
constexpr std::size_t kLookupTableSize = 500'000;
constexpr std::size_t kKeyCount = 1024;

// Full names of classes spread over the table; as misses, the same with a suffix, so that a miss
// shares a long prefix with a real key.
struct LookupKeys {
    std::vector<std::string> hits;
    std::vector<std::string> misses;
    // The floor's container: every class under its full name, the texts owned alongside.
    std::deque<std::string> names;
    std::unordered_map<std::string_view, GameObject*> hashed;
};

const LookupKeys& Keys() {
    static const LookupKeys keys = [] {
        emu::World& world = bench::LargeWorld(kLookupTableSize);
        const GameObject* classClass = world.Get("Class Core.Class");
        std::vector<GameObject*> classes;
        const auto& objects = world.ObjectTable();
        for (std::int32_t i = 0; i < objects.count; ++i) {
            if (objects.data[i]->classObject == classClass) classes.push_back(objects.data[i]);
        }
        LookupKeys built;
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            GameObject* cls = classes[k * classes.size() / kKeyCount];
            built.hits.push_back(world.FullName(cls));
            built.misses.push_back(built.hits.back() + "_Missing");
        }
        for (GameObject* cls : classes) {
            built.hashed.emplace(built.names.emplace_back(world.FullName(cls)), cls);
        }
        return built;
    }();
    return keys;
}

void LookUpRoundRobin(benchmark::State& state, const std::vector<std::string>& keys,
                      GameObject* (*lookUp)(std::string_view)) {
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lookUp(keys[next]));
        next = (next + 1) % keys.size();
    }
}

GameObject* LookUpHashed(std::string_view fullName) {
    const auto& hashed = Keys().hashed;
    const auto found = hashed.find(fullName);
    return found == hashed.end() ? nullptr : found->second;
}

void RegisterLookups() {
    const auto configure = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kNanosecond);
    };
    for (const bool hit : {true, false}) {
        bench::RegisterWithFloor(
            hit ? "FindObjectHit" : "FindObjectMiss",
            [hit](benchmark::State& state) {
                const LookupKeys& keys = Keys();
                game::FindObject("Class Core.Object");  // the build, outside the timing
                LookUpRoundRobin(state, hit ? keys.hits : keys.misses, game::FindObject);
            },
            [hit](benchmark::State& state) {
                const LookupKeys& keys = Keys();
                LookUpRoundRobin(state, hit ? keys.hits : keys.misses, LookUpHashed);
            },
            configure);
    }

    bench::RegisterWithFloor(
        "FindInstanceOfNearEnd",
        [](benchmark::State& state) {
            bench::LargeWorld(kLookupTableSize);
            if (game::FindInstanceOf(game::NotificationManagerClass) !=
                bench::LastNotificationManager()) {
                state.SkipWithError("FindInstanceOf found another object");
            }
            for (auto _ : state) {
                benchmark::DoNotOptimize(game::FindInstanceOf(game::NotificationManagerClass));
            }
        },
        [](benchmark::State& state) {
            bench::LargeWorld(kLookupTableSize);
            const GameObject* cls = bench::LastNotificationManager()->classObject;
            for (auto _ : state) benchmark::DoNotOptimize(WalkToFirstInstance(cls));
        },
        [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMicrosecond); });
}

const bool registered = (RegisterIndexBuilds(), RegisterLookups(), true);

}  // namespace

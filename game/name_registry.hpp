// The game names the plugin depends on, registered while the hooks are registered and checked
// against the running game at the end of the load.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace cloak::game::NameRegistry {

// Full names of script functions.
inline std::set<std::string> FunctionNames;
// Full names of classes.
inline std::set<std::string> ClassNames;
// Bare script-struct names with the size, raised to the struct's alignment, they must have.
inline std::map<std::u16string, std::uint64_t> StructSizes;

void AddFunction(std::string_view fullName);
void AddClass(std::string_view fullName);
// A second size for one name replaces the first.
void SetStructSize(std::u16string_view name, std::uint64_t size);

}  // namespace cloak::game::NameRegistry

namespace cloak::game {

// Checks functions, then structs, then classes against the running game, all three whatever the
// others found; false when anything is missing. Reporting it is the caller's business.
bool ResolveNameRegistries();
// The same check, naming what is missing, in that order: a function's or class's full name, or
// "ScriptStruct NAME of SIZE bytes" for a struct that is missing or of another size.
std::vector<std::string> MissingRegisteredNames();

}  // namespace cloak::game

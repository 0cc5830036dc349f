// The text form of the registry store, kept apart from the file handling so that it can be tested
// with plain strings.
//
//   [Software\quillet\Param\start]
//   @=12.500000
//   name=value
//
// A name or value that would not survive the line format (a line break, leading or trailing blanks,
// a leading quote, a name holding '=') is written in double quotes with C escapes (\\ \" \n \r \t).
// Reading is lenient, because the file can be edited by hand or cut short by a full disk: lines
// outside a section, lines without '=', comments (';' or '#') and blank lines are skipped; a
// repeated section adds to the first one; a repeated name keeps its last value. Key paths and value
// names compare without regard to ASCII case, as the registry does.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

struct RegistryKey {
  std::string path;  // normalised key path, components joined by single backslashes
  std::vector<std::pair<std::string, std::string>> values;  // name ("" = default value), text
};

using RegistryStore = std::vector<RegistryKey>;

// "\\Software\\\\quillet\\" -> "Software\\quillet"; nullopt for a path with no component or with a
// line break (it could not be written as a section line).
std::optional<std::string> normalise_key_path(std::string_view key_path);

RegistryStore parse_registry(std::string_view text);
std::string format_registry(const RegistryStore& store);

// Lookups on a parsed store; nullptr when absent.
RegistryKey* find_key(RegistryStore& store, std::string_view normalised_path);
const std::string* find_value(const RegistryKey& key, std::string_view name);

// Replaces the value of that name (compared without regard to case) or appends it.
void set_value(RegistryKey& key, std::string name, std::string text);

}  // namespace platform

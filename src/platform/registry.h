// The current user's registry, kept as a file in the configuration folder ("registry.ini"): one
// section per key path ("[Software\quillet\Param\path]"), "name=value" lines, "@" standing for a
// key's default (unnamed) value. Key paths keep backslashes as separators. Every change rewrites
// the file atomically. Not thread-safe; every caller runs on one thread at a time.
#pragma once

#include <optional>
#include <string>

namespace platform {

// Creates the key (and its parents) when missing, as "create or open" does. False when the store
// cannot be written.
bool registry_create_key(const std::string& key_path);

// Sets a string value; an empty value_name sets the key's default value. Creates the key when
// missing. False when the store cannot be written.
bool registry_set_string(const std::string& key_path, const std::string& value_name, const std::string& text);

// Reads a string value (empty value_name = the key's default value); nullopt when the key or the
// value does not exist or the store cannot be read.
std::optional<std::string> registry_get_string(const std::string& key_path, const std::string& value_name);

}  // namespace platform

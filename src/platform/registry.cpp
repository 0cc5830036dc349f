#include "platform/registry.h"

#include "platform/config_folder.h"
#include "platform/file_text.h"
#include "platform/registry_file.h"

namespace platform {
namespace {

std::string registry_path() { return config_folder() + "/registry.ini"; }

// nullopt when the store exists but cannot be read: writing then would throw its contents away.
std::optional<RegistryStore> load_store() {
  FileText file = read_file_text(registry_path());
  switch (file.status) {
    case ReadStatus::Ok: return parse_registry(file.text);
    case ReadStatus::Missing: return RegistryStore{};
    case ReadStatus::Failed:
    case ReadStatus::TooLarge: break;
  }
  return std::nullopt;
}

bool save_store(const RegistryStore& store) {
  return ensure_config_folder() && write_file_atomically(registry_path(), format_registry(store));
}

RegistryKey& key_in(RegistryStore& store, const std::string& normalised_path) {
  if (RegistryKey* key = find_key(store, normalised_path)) return *key;
  return store.emplace_back(RegistryKey{normalised_path, {}});
}

}  // namespace

bool registry_create_key(const std::string& key_path) {
  const auto path = normalise_key_path(key_path);
  if (!path) return false;
  auto store = load_store();
  if (!store) return false;
  if (find_key(*store, *path)) return true;  // opening an existing key changes nothing
  key_in(*store, *path);
  return save_store(*store);
}

bool registry_set_string(const std::string& key_path, const std::string& value_name, const std::string& text) {
  const auto path = normalise_key_path(key_path);
  if (!path) return false;
  auto store = load_store();
  if (!store) return false;
  RegistryKey& key = key_in(*store, *path);
  set_value(key, value_name, text);
  return save_store(*store);
}

std::optional<std::string> registry_get_string(const std::string& key_path, const std::string& value_name) {
  const auto path = normalise_key_path(key_path);
  if (!path) return std::nullopt;
  auto store = load_store();
  if (!store) return std::nullopt;
  const RegistryKey* key = find_key(*store, *path);
  if (!key) return std::nullopt;
  const std::string* value = find_value(*key, value_name);
  if (!value) return std::nullopt;
  return *value;
}

}  // namespace platform

#include "platform/fake_system_services.h"

namespace platform {
namespace {

std::string without_trailing_slashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool holds(const std::string& prefix, const std::string& path) {
  if (prefix == "/") return !path.empty() && path.front() == '/';
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  return path.size() == prefix.size() || path[prefix.size()] == '/';
}

template <typename Value>
const Value* longest_match(const std::map<std::string, Value>& table, const std::string& path) {
  const Value* best = nullptr;
  size_t best_length = 0;
  for (const auto& [prefix, value] : table) {
    if (holds(prefix, path) && (!best || prefix.size() >= best_length)) {
      best = &value;
      best_length = prefix.size();
    }
  }
  return best;
}

}  // namespace

void FakeSystemServices::set_label(const std::string& prefix, const std::string& label) {
  labels_[without_trailing_slashes(prefix)] = label;
}

void FakeSystemServices::set_free_bytes(const std::string& prefix, uint64_t bytes) {
  free_[without_trailing_slashes(prefix)] = bytes;
}

void FakeSystemServices::remove_label(const std::string& prefix) { labels_.erase(without_trailing_slashes(prefix)); }

std::optional<std::string> FakeSystemServices::volume_label(const std::string& path) {
  label_queries_.push_back(path);
  if (fail_label_) return std::nullopt;
  const std::string* label = longest_match(labels_, without_trailing_slashes(path));
  if (!label) return std::nullopt;
  return *label;
}

std::optional<uint64_t> FakeSystemServices::free_bytes(const std::string& folder) {
  if (fail_free_) return std::nullopt;
  const uint64_t* bytes = longest_match(free_, without_trailing_slashes(folder));
  if (!bytes) return std::nullopt;
  return *bytes;
}

bool FakeSystemServices::request_shutdown() {
  ++shutdown_requests_;
  return !fail_shutdown_;
}

std::optional<std::string> FakeFolderPicker::choose_folder(const std::string& title, const std::string& start_folder) {
  requests_.push_back({title, start_folder});
  if (answers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

}  // namespace platform

#include "iPod/input_readers.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

struct Registered {
  std::string extension;  // lower case, with its dot
  InputReader reader;
};

std::vector<Registered>& readers() {
  static std::vector<Registered> list;
  return list;
}

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

void engine_set_input_reader(const char* extension, const InputReader* reader) {
  if (!extension) return;
  const std::string key = lower(extension);
  auto& list = readers();
  std::erase_if(list, [&](const Registered& r) { return r.extension == key; });
  if (reader) list.push_back({key, *reader});
}

const InputReader* find_input_reader(std::string_view filename) {
  const std::string name = lower(filename);
  for (const auto& r : readers())
    if (!r.extension.empty() && name.size() >= r.extension.size() &&
        name.compare(name.size() - r.extension.size(), r.extension.size(), r.extension) == 0)
      return &r.reader;
  return nullptr;
}

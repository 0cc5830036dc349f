#include "convert/argument_list.h"

#include <algorithm>
#include <cstring>

namespace convert {

CArgumentList::CArgumentList() {
  const size_t length = std::strlen(kProgramName);
  buffers_[0] = std::make_unique<char[]>(std::max(kMinimumBuffer, length + 1));
  std::memcpy(buffers_[0].get(), kProgramName, length + 1);
  slots_[0] = buffers_[0].get();
}

void CArgumentList::Append(std::string_view text) {
  if (count_ >= kSlots) return;
  auto buffer = std::make_unique<char[]>(std::max(kMinimumBuffer, text.size() + 1));  // zero-filled
  std::memcpy(buffer.get(), text.data(), text.size());
  slots_[count_] = buffer.get();
  buffers_[count_] = std::move(buffer);
  ++count_;
  slots_[count_] = nullptr;
}

void CArgumentList::Add(std::string_view option, std::string_view value) {
  if (!option.empty()) Append(option);
  if (!value.empty()) Append(value);
}

void CArgumentList::AddWithValue(std::string_view option, std::string_view value) {
  Append(option);
  Append(value);
}

void CArgumentList::Clear() {
  for (int i = 1; i < count_; ++i) {
    slots_[i] = nullptr;
    buffers_[i].reset();
  }
  count_ = 1;
  slots_[1] = nullptr;
}

}  // namespace convert

// The engine's argument vector: 100 slots and a count, used as argc/argv. Slot 0 holds the
// program name the engine prints in its messages and is never filled by Add; the count starts at
// 1. Each argument lives in its own buffer owned by the list, at least 256 bytes and longer when
// the text needs it, so a path of any length fits. Single-threaded.
#pragma once

#include <array>
#include <memory>
#include <string_view>

namespace convert {

class CArgumentList {
 public:
  static constexpr int kSlots = 100;
  static constexpr size_t kMinimumBuffer = 256;
  static constexpr const char* kProgramName = "dorvane";

  CArgumentList();
  virtual ~CArgumentList() = default;
  CArgumentList(const CArgumentList&) = delete;
  CArgumentList& operator=(const CArgumentList&) = delete;

  // Appends `option` when it is not empty, then `value` when it is not empty: an empty value gives
  // a bare switch, an empty option with a value a bare word. Arguments beyond the 99th are dropped
  // rather than written past the slots.
  void Add(std::string_view option, std::string_view value);
  // Appends `option` and then `value` even when the value is empty, so that an option that takes
  // a value never swallows the argument after it.
  void AddWithValue(std::string_view option, std::string_view value);

  // Frees the arguments of slots 1..Count()-1 and sets the count back to 1.
  void Clear();
  int Count() const { return count_; }
  // argv[Count()] is a null pointer, as a command line's is.
  char** argv() { return slots_.data(); }

 private:
  void Append(std::string_view text);

  int count_ = 1;
  std::array<char*, kSlots + 1> slots_{};  // borrowed views of buffers_, plus the terminating null
  std::array<std::unique_ptr<char[]>, kSlots> buffers_;
};

}  // namespace convert

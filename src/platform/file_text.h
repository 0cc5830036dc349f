// Whole-file reads for the small text files of the configuration folder.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

enum class ReadStatus { Ok, Missing, Failed, TooLarge };

struct FileText {
  ReadStatus status = ReadStatus::Failed;
  std::string text;  // the contents when status is Ok
};

// Missing: the file (or a folder on its path) does not exist. Failed: it exists but cannot be
// read (no permission, a folder, an I/O error). TooLarge: it holds more than `max_bytes`, which
// no file of ours does; it is not read into memory.
FileText read_file_text(const std::string& path, size_t max_bytes = 16u << 20);

}  // namespace platform

// Whole-file reads for the small text files of the configuration folder.
#pragma once

#include <optional>
#include <string>

namespace platform {

enum class ReadStatus { Ok, Missing, Failed };

struct FileText {
  ReadStatus status = ReadStatus::Failed;
  std::string text;  // the contents when status is Ok
};

// Missing: the file (or a folder on its path) does not exist. Failed: it exists but cannot be
// read (no permission, a folder, an I/O error).
FileText read_file_text(const std::string& path);

}  // namespace platform

#include "platform/file_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

FileText read_file_text(const std::string& path, size_t max_bytes) {
  FileText result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.status = (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
    return result;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      result.text.clear();
      return result;
    }
    if (got == 0) break;
    if (result.text.size() + static_cast<size_t>(got) > max_bytes) {
      ::close(fd);
      result.text.clear();
      result.status = ReadStatus::TooLarge;
      return result;
    }
    result.text.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  result.status = ReadStatus::Ok;
  return result;
}

}  // namespace platform

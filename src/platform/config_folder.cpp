#include "platform/config_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace platform {
namespace {

std::string without_trailing_slashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

const char* non_empty_env(const char* name) {
  const char* value = std::getenv(name);
  return (value && *value) ? value : nullptr;
}

std::string home_folder() {
  if (const char* home = non_empty_env("HOME")) return home;
  // A service started without HOME still has a password-database entry.
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir) return entry->pw_dir;
  return "/tmp";
}

// Writes everything or fails; retries the short writes and interruptions a pipe or a signal cause.
bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string config_folder() {
  if (const char* home = non_empty_env("DORVANE_HOME")) return without_trailing_slashes(home);
  // XDG asks to ignore a relative XDG_CONFIG_HOME.
  if (const char* xdg = non_empty_env("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    return without_trailing_slashes(xdg) + "/dorvane";
  }
  return without_trailing_slashes(home_folder()) + "/.config/dorvane";
}

bool ensure_config_folder() {
  const std::filesystem::path folder(config_folder());
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error);
}

bool write_file_atomically(const std::string& link_or_path, const std::string& contents) {
  if (link_or_path.empty() || link_or_path.back() == '/') return false;
  // A settings file kept elsewhere through a symbolic link is replaced at its target, so that the
  // link survives.
  std::string path = link_or_path;
  if (struct stat link {}; ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::unique_ptr<char, decltype(&std::free)> target(::realpath(path.c_str(), nullptr), &std::free);
    if (!target) return false;  // a dangling link: where it should point is unknown
    path = target.get();
  }
  // The temporary file sits next to the target so that the rename stays inside one filesystem.
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;

  // Keep the permissions of the file being replaced; a new file gets the usual 0644.
  mode_t mode = 0644;
  if (struct stat old {}; ::stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;

  bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, contents) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable; a failure here does not undo the replacement.
  if (const int dir = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace platform

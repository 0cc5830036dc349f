// The real operating-system services: mount table and libblkid for volume labels, statvfs for free
// space, logind over the system D-Bus for the shut-down.
#include <spawn.h>
#include <sys/statvfs.h>
#include <sys/wait.h>

#include <QDBusConnection>
#include <QDBusMessage>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/file_text.h"
#include "platform/mount_table.h"
#include "platform/system_services.h"
#include "platform/volume_probe.h"

extern char** environ;

namespace platform {
namespace {

std::optional<std::string> real_path(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

// Runs `command` through /bin/sh and waits for it; true when it exits with status 0.
bool run_shell_command(const std::string& command) {
  char shell[] = "/bin/sh";
  char dash_c[] = "-c";
  std::string text = command;
  char* argv[] = {shell, dash_c, text.data(), nullptr};
  pid_t child = 0;
  if (::posix_spawn(&child, shell, nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool logind_power_off() {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                    "org.freedesktop.login1.Manager", "PowerOff");
  call << true;  // interactive: polkit may ask the user; never forced
  const QDBusMessage reply = bus.call(call, QDBus::Block);
  return reply.type() == QDBusMessage::ReplyMessage;
}

class LinuxSystemServices final : public SystemServices {
 public:
  std::optional<std::string> volume_label(const std::string& path) override {
    const auto resolved = real_path(path);
    if (!resolved) return std::nullopt;  // the path (or the disc holding it) is gone
    const FileText mounts = read_file_text("/proc/self/mountinfo");
    if (mounts.status != ReadStatus::Ok) return std::nullopt;
    const auto mount = mount_holding(parse_mountinfo(mounts.text), *resolved);
    if (!mount) return std::nullopt;

    // udev's list needs no access to the device; blkid reads the superblock itself (it needs read
    // permission on the device, which the user has for optical drives and loop images).
    if (auto label = label_from_by_label("/dev/disk/by-label", mount->major, mount->minor, mount->source)) return label;
    if (mount->source.rfind("/dev/", 0) == 0) {
      if (auto label = probe_filesystem_label(mount->source)) return label;
      // Without read access to the device, blkid's cache may still know the label.
      if (auto label = cached_filesystem_label(mount->source)) return label;
    }
    return std::string();  // tmpfs, overlay, network shares: no label
  }

  std::optional<uint64_t> free_bytes(const std::string& folder) override {
    struct statvfs info {};
    if (folder.empty() || ::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
  }

  bool request_shutdown() override {
    if (const char* command = std::getenv("DORVANE_SHUTDOWN_COMMAND"); command && *command) {
      return run_shell_command(command);
    }
    return logind_power_off();
  }
};

}  // namespace

SystemServices& linux_services() {
  static LinuxSystemServices services;
  return services;
}

}  // namespace platform

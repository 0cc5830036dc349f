// Operating-system services that the conversion workflow asks for, behind one interface so that
// tests can replace them with a fake that can be told to fail (a disc that is gone, a full disk,
// a shut-down request that must not really power off the machine).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // Label of the filesystem that holds `path` (its mount point's filesystem). nullopt when the
  // query fails (the path does not exist, the disc is gone); "" when the filesystem has no label.
  virtual std::optional<std::string> volume_label(const std::string& path) = 0;

  // Bytes free for an ordinary user in the filesystem holding `folder`; nullopt on failure.
  virtual std::optional<uint64_t> free_bytes(const std::string& folder) = 0;

  // Asks the system to power off (logind PowerOff, interactive, not forced), or runs
  // $DORVANE_SHUTDOWN_COMMAND instead when set. False when the request could not be made.
  virtual bool request_shutdown() = 0;
};

// The real services of this machine; lives as long as the process.
SystemServices& linux_services();

// Lets the user pick a folder (a dialog in the window, a prompt or an option on the command line).
class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  // nullopt when the user cancels.
  virtual std::optional<std::string> choose_folder(const std::string& title, const std::string& start_folder) = 0;
};

}  // namespace platform

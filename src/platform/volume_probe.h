// Reading a filesystem's label from its device (or an image file) with libblkid.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The LABEL tag of the filesystem on `device_path`; "" when the filesystem has none; nullopt
// when the device cannot be opened or holds no filesystem blkid knows.
std::optional<std::string> probe_filesystem_label(const std::string& device_path);

// The label udev published for the block device major:minor under `by_label_folder`
// (normally /dev/disk/by-label); nullopt when no entry points at that device.
std::optional<std::string> label_from_by_label(const std::string& by_label_folder, unsigned major, unsigned minor);

}  // namespace platform

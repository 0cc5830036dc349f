// Reading a filesystem's label from its device (or an image file) with libblkid.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The LABEL tag of the filesystem on `device_path`; "" when the filesystem has none; nullopt
// when the device cannot be opened or holds no filesystem blkid knows.
std::optional<std::string> probe_filesystem_label(const std::string& device_path);

// The LABEL tag libblkid's cache holds for the device (it answers without opening a device the
// user may not read); nullopt when the cache knows none.
std::optional<std::string> cached_filesystem_label(const std::string& device_path);

// The label udev published under `by_label_folder` (normally /dev/disk/by-label) for the block
// device major:minor, or for the entry whose target is `source_device` (a filesystem such as btrfs
// reports a device number of its own, not its disk's); nullopt when no entry matches. Needs no
// access to the device itself.
std::optional<std::string> label_from_by_label(const std::string& by_label_folder, unsigned major, unsigned minor,
                                               const std::string& source_device);

}  // namespace platform

// Which mounted filesystem holds a path, read from the kernel's mount table
// (/proc/self/mountinfo). Plain functions over the table's text so they can be tested with
// fixed tables.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct MountEntry {
  unsigned major = 0, minor = 0;  // st_dev of files inside the filesystem
  std::string mount_point;        // unescaped ("\040" -> ' ')
  std::string filesystem_type;    // "ext4", "iso9660", "tmpfs", ...
  std::string source;             // "/dev/sr0", "tmpfs", ...
};

// Lines that do not have the table's shape are skipped.
std::vector<MountEntry> parse_mountinfo(std::string_view text);

// The entry whose mount point is the longest whole-component prefix of `absolute_path` (a path
// without symbolic links, as realpath gives); a later entry with the same mount point hides an
// earlier one, as a mount over a mount does. nullopt when none matches.
std::optional<MountEntry> mount_holding(const std::vector<MountEntry>& table, std::string_view absolute_path);

// The entries of /dev/disk/by-label are named with udev's escapes ("My\x20Disc"): decoded here.
std::string decode_udev_label(std::string_view name);

}  // namespace platform

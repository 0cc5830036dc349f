#include "platform/volume_probe.h"

#include <blkid.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/mount_table.h"

namespace platform {
namespace {

struct ProbeFree {
  void operator()(blkid_probe probe) const noexcept { blkid_free_probe(probe); }
};
using ProbePtr = std::unique_ptr<std::remove_pointer_t<blkid_probe>, ProbeFree>;

}  // namespace

std::optional<std::string> probe_filesystem_label(const std::string& device_path) {
  ProbePtr probe(blkid_new_probe_from_filename(device_path.c_str()));
  if (!probe) return std::nullopt;
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);
  // Safe probing refuses ambiguous results (two signatures on one device) instead of guessing.
  if (blkid_do_safeprobe(probe.get()) != 0) return std::nullopt;
  const char* label = nullptr;
  size_t length = 0;
  if (blkid_probe_lookup_value(probe.get(), "LABEL", &label, &length) != 0 || !label) return std::string();
  // The reported length counts the terminating NUL.
  return std::string(label);
}

std::optional<std::string> cached_filesystem_label(const std::string& device_path) {
  std::unique_ptr<char, decltype(&std::free)> label(blkid_get_tag_value(nullptr, "LABEL", device_path.c_str()),
                                                    &std::free);
  if (!label) return std::nullopt;
  return std::string(label.get());
}

std::optional<std::string> label_from_by_label(const std::string& by_label_folder, unsigned major, unsigned minor,
                                               const std::string& source_device) {
  std::error_code error;
  std::filesystem::directory_iterator it(by_label_folder, error);
  if (error) return std::nullopt;
  std::filesystem::path source;
  if (!source_device.empty()) source = std::filesystem::canonical(source_device, error);
  for (const auto& entry : it) {
    struct stat target {};
    if (::stat(entry.path().c_str(), &target) != 0) continue;
    const bool same_number =
        S_ISBLK(target.st_mode) && ::major(target.st_rdev) == major && ::minor(target.st_rdev) == minor;
    const bool same_path = !source.empty() && std::filesystem::canonical(entry.path(), error) == source && !error;
    if (same_number || same_path) return decode_udev_label(entry.path().filename().string());
  }
  return std::nullopt;
}

}  // namespace platform

#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <cstdlib>
#include <filesystem>

#include "platform/fake_system_services.h"
#include "platform/mount_table.h"
#include "platform/scoped_config_home.h"
#include "platform/system_services.h"
#include "platform/volume_probe.h"

namespace {

using testing_support::read_text;
using testing_support::ScopedConfigHome;
using testing_support::write_text;

constexpr const char* kMountInfo =
    "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
    "28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "40 28 11:0 / /media/dvd ro,relatime shared:7 master:2 - iso9660 /dev/sr0 ro\n"
    "41 28 7:1 / /media/My\\040Disc ro - udf /dev/loop1 ro\n"
    "too short line\n"
    "42 28 x:y / /broken rw - ext4 /dev/sdb1 rw\n"
    "43 28 0:50 / /media/dvd rw - tmpfs tmpfs rw\n";  // mounted over the disc

TEST(MountTable, ParsesFieldsEscapesAndSkipsBrokenLines) {
  const auto table = platform::parse_mountinfo(kMountInfo);
  ASSERT_EQ(table.size(), 5u);
  EXPECT_EQ(table[1].mount_point, "/");
  EXPECT_EQ(table[1].source, "/dev/sda2");
  EXPECT_EQ(table[2].filesystem_type, "iso9660");  // found after two optional fields
  EXPECT_EQ(table[2].major, 11u);
  EXPECT_EQ(table[2].minor, 0u);
  EXPECT_EQ(table[3].mount_point, "/media/My Disc");
}

struct HoldingCase {
  const char* name;
  const char* path;
  const char* source;  // nullptr: no mount holds the path
};

class MountHolding : public ::testing::TestWithParam<HoldingCase> {};

TEST_P(MountHolding, PicksTheDeepestMount) {
  const auto table = platform::parse_mountinfo(kMountInfo);
  const auto mount = platform::mount_holding(table, GetParam().path);
  if (!GetParam().source) {
    EXPECT_FALSE(mount.has_value());
  } else {
    ASSERT_TRUE(mount.has_value());
    EXPECT_EQ(mount->source, GetParam().source);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, MountHolding,
    ::testing::Values(HoldingCase{"Root", "/", "/dev/sda2"}, HoldingCase{"HomeFolder", "/home/u/x.mp4", "/dev/sda2"},
                      HoldingCase{"MountPointItself", "/proc", "proc"},
                      HoldingCase{"SiblingWithSamePrefix", "/media/dvd2/VIDEO_TS", "/dev/sda2"},
                      HoldingCase{"OvermountHidesTheDisc", "/media/dvd/VIDEO_TS", "tmpfs"},
                      HoldingCase{"SpaceInMountPoint", "/media/My Disc/VIDEO_TS", "/dev/loop1"},
                      HoldingCase{"RelativePath", "media/dvd", nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MountTable, DecodesUdevLabelNames) {
  EXPECT_EQ(platform::decode_udev_label("My\\x20Disc"), "My Disc");
  EXPECT_EQ(platform::decode_udev_label("A\\x2fB\\x2F"), "A/B/");
  EXPECT_EQ(platform::decode_udev_label("bad\\xZZ\\x2"), "bad\\xZZ\\x2");
}

TEST(ByLabel, MatchesTheSourceDeviceAndDecodesTheName) {
  ScopedConfigHome home;
  std::filesystem::create_directories(home.file("by-label"));
  write_text(home.file("sr0"), "");
  write_text(home.file("sda1"), "");
  std::filesystem::create_symlink("../sda1", home.file("by-label/DATA"));
  std::filesystem::create_symlink("../sr0", home.file("by-label/MY\\x20MOVIE"));
  EXPECT_EQ(platform::label_from_by_label(home.file("by-label"), 0, 0, home.file("sr0")), "MY MOVIE");
  EXPECT_EQ(platform::label_from_by_label(home.file("by-label"), 0, 0, home.file("other")), std::nullopt);
  EXPECT_EQ(platform::label_from_by_label(home.file("missing"), 0, 0, home.file("sr0")), std::nullopt);
}

class FilesystemImage : public ::testing::Test {
 protected:
  // A 2 MB ext4 image; blkid reads image files as it reads devices.
  std::string make_image(const char* label_option) {
    const std::string image = home_.file("fs.img");
    const std::string command = "truncate -s 2M '" + image + "' && mkfs.ext4 -q -F " + label_option + " '" + image +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return {};
    return image;
  }
  ScopedConfigHome home_;
};

TEST_F(FilesystemImage, LabelIsReadFromTheSuperblock) {
  const std::string image = make_image("-L 'MOVIE DISC'");
  if (image.empty()) GTEST_SKIP() << "mkfs.ext4 is not available";
  EXPECT_EQ(platform::probe_filesystem_label(image), "MOVIE DISC");
}

TEST_F(FilesystemImage, NoLabelIsEmptyAndNoFilesystemFails) {
  const std::string image = make_image("");
  if (image.empty()) GTEST_SKIP() << "mkfs.ext4 is not available";
  EXPECT_EQ(platform::probe_filesystem_label(image), "");

  write_text(home_.file("zeros.bin"), std::string(65536, '\0'));
  EXPECT_EQ(platform::probe_filesystem_label(home_.file("zeros.bin")), std::nullopt);
  EXPECT_EQ(platform::probe_filesystem_label(home_.file("missing.img")), std::nullopt);
}

TEST(LinuxServices, VolumeLabelAndFreeSpaceOfRealPaths) {
  platform::SystemServices& services = platform::linux_services();
  EXPECT_EQ(services.volume_label("/no/such/path/VIDEO_TS"), std::nullopt);
  EXPECT_EQ(services.volume_label(""), std::nullopt);
  EXPECT_TRUE(services.volume_label("/tmp").has_value());  // whatever the label, the query succeeds

  struct statvfs info {};
  ASSERT_EQ(::statvfs("/tmp", &info), 0);
  const auto free = services.free_bytes("/tmp");
  ASSERT_TRUE(free.has_value());
  EXPECT_GT(*free, 0u);
  // Other processes write meanwhile: compare within 64 MB.
  const double expected = static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
  EXPECT_NEAR(static_cast<double>(*free), expected, 64.0 * 1024 * 1024);
  EXPECT_EQ(services.free_bytes("/no/such/folder"), std::nullopt);
}

TEST(LinuxServices, ShutdownRunsTheConfiguredCommand) {
  ScopedConfigHome home;
  const std::string marker = home.file("shutdown-requested");
  ::setenv("DORVANE_SHUTDOWN_COMMAND", ("echo requested > '" + marker + "'").c_str(), 1);
  const bool requested = platform::linux_services().request_shutdown();
  ::setenv("DORVANE_SHUTDOWN_COMMAND", "exit 3", 1);
  const bool failing = platform::linux_services().request_shutdown();
  ::unsetenv("DORVANE_SHUTDOWN_COMMAND");

  EXPECT_TRUE(requested);
  EXPECT_EQ(read_text(marker), "requested\n");
  EXPECT_FALSE(failing);
}

TEST(FakeServices, AnswersPerPrefixAndFailsOnDemand) {
  platform::FakeSystemServices fake;
  fake.set_label("/media/dvd/", "MOVIE");
  fake.set_label("/", "");
  fake.set_free_bytes("/home", 5000);
  EXPECT_EQ(fake.volume_label("/media/dvd/VIDEO_TS"), "MOVIE");
  EXPECT_EQ(fake.volume_label("/media/dvd2"), "");
  EXPECT_EQ(fake.free_bytes("/home/u/out/"), 5000u);
  EXPECT_EQ(fake.free_bytes("/tmp"), std::nullopt);

  fake.remove_label("/media/dvd");
  EXPECT_EQ(fake.volume_label("/media/dvd/VIDEO_TS"), "");
  fake.fail_volume_label(true);
  fake.fail_free_bytes(true);
  EXPECT_EQ(fake.volume_label("/media/dvd2"), std::nullopt);
  EXPECT_EQ(fake.free_bytes("/home"), std::nullopt);
  EXPECT_EQ(fake.label_queries().size(), 4u);

  EXPECT_TRUE(fake.request_shutdown());
  fake.fail_shutdown(true);
  EXPECT_FALSE(fake.request_shutdown());
  EXPECT_EQ(fake.shutdown_requests(), 2);
}

}  // namespace

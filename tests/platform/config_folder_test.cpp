#include "platform/config_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/scoped_config_home.h"

namespace {

using testing_support::read_text;
using testing_support::ScopedConfigHome;
using testing_support::write_text;

// Sets or unsets environment variables for one scope.
class ScopedEnv {
 public:
  void set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
      else ::unsetenv(it->first.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct FolderCase {
  const char* name;
  const char* dorvane_home;
  const char* xdg_config_home;
  const char* home;
  const char* expected;
};

class ConfigFolderChoice : public ::testing::TestWithParam<FolderCase> {};

TEST_P(ConfigFolderChoice, FollowsTheEnvironment) {
  const FolderCase& c = GetParam();
  ScopedEnv env;
  env.set("DORVANE_HOME", c.dorvane_home);
  env.set("XDG_CONFIG_HOME", c.xdg_config_home);
  env.set("HOME", c.home);
  EXPECT_EQ(platform::config_folder(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, ConfigFolderChoice,
    ::testing::Values(FolderCase{"DorvaneHomeWins", "/d/home/", "/x", "/h", "/d/home"},
                      FolderCase{"EmptyDorvaneHomeIgnored", "", "/x/cfg", "/h", "/x/cfg/dorvane"},
                      FolderCase{"XdgWithTrailingSlash", nullptr, "/x/cfg//", "/h", "/x/cfg/dorvane"},
                      FolderCase{"RelativeXdgIgnored", nullptr, "relative/cfg", "/h", "/h/.config/dorvane"},
                      FolderCase{"HomeFallback", nullptr, nullptr, "/h/", "/h/.config/dorvane"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ConfigFolder, EnsureCreatesParentsAndFailsUnderAFile) {
  ScopedConfigHome home;
  ScopedEnv env;
  env.set("DORVANE_HOME", home.file("a/b/c").c_str());
  EXPECT_TRUE(platform::ensure_config_folder());
  EXPECT_TRUE(std::filesystem::is_directory(home.file("a/b/c")));

  home.make_unwritable();
  EXPECT_FALSE(platform::ensure_config_folder());
}

TEST(WriteFileAtomically, CreatesAndReplacesKeepingPermissions) {
  ScopedConfigHome home;
  const std::string path = home.file("settings.ini");
  ASSERT_TRUE(platform::write_file_atomically(path, "first"));
  EXPECT_EQ(read_text(path), "first");

  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  ASSERT_TRUE(platform::write_file_atomically(path, std::string("second\0binary", 13)));
  EXPECT_EQ(read_text(path), std::string("second\0binary", 13));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  // Nothing but the target is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.path()), {}), 1);
}

TEST(WriteFileAtomically, FailureLeavesTheOldFileWhole) {
  ScopedConfigHome home;
  const std::string path = home.file("Option.ini");
  write_text(path, "old contents");

  // A file-size limit makes the write fail half-way even for root, as a full disk would.
  rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = platform::write_file_atomically(path, std::string(100000, 'n'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(written);
  EXPECT_EQ(read_text(path), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.path()), {}), 1) << "temporary file left behind";
}

TEST(WriteFileAtomically, ReplacesTheTargetOfASymbolicLink) {
  ScopedConfigHome home;
  std::filesystem::create_directory(home.file("dotfiles"));
  write_text(home.file("dotfiles/Option.ini"), "old");
  std::filesystem::create_symlink(home.file("dotfiles/Option.ini"), home.file("Option.ini"));
  ASSERT_TRUE(platform::write_file_atomically(home.file("Option.ini"), "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(home.file("Option.ini")));
  EXPECT_EQ(read_text(home.file("dotfiles/Option.ini")), "new");
}

TEST(WriteFileAtomically, FailsWhereNoFileCanBeMade) {
  ScopedConfigHome home;
  write_text(home.file("plain"), "x");
  EXPECT_FALSE(platform::write_file_atomically(home.file("plain/child.ini"), "data"));
  EXPECT_FALSE(platform::write_file_atomically(home.file("missing/child.ini"), "data"));
  EXPECT_FALSE(platform::write_file_atomically("", "data"));
}

}  // namespace

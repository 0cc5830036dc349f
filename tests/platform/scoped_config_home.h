// Points DORVANE_HOME at a fresh temporary folder for one test and removes the folder afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <unistd.h>

namespace testing_support {

class ScopedConfigHome {
 public:
  ScopedConfigHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dorvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data())) root_ = pattern;
    if (const char* old = std::getenv("DORVANE_HOME")) previous_ = old;
    ::setenv("DORVANE_HOME", root_.c_str(), 1);
  }
  ~ScopedConfigHome() {
    if (previous_) ::setenv("DORVANE_HOME", previous_->c_str(), 1);
    else ::unsetenv("DORVANE_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  ScopedConfigHome(const ScopedConfigHome&) = delete;
  ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

  const std::string& path() const { return root_; }
  std::string file(const std::string& name) const { return root_ + "/" + name; }

  // Redirects DORVANE_HOME to a folder below a regular file: nothing under it can be created.
  void make_unwritable() {
    std::ofstream(file("blocker")) << "x";
    ::setenv("DORVANE_HOME", file("blocker/home").c_str(), 1);
  }

 private:
  std::string root_;
  std::optional<std::string> previous_;
};

inline std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void write_text(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace testing_support

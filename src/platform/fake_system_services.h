// Test doubles for the operating-system services: volumes described per path prefix, failures on
// demand, shut-down requests recorded instead of powering off. Single-threaded, like the code
// that uses them.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/system_services.h"

namespace platform {

class FakeSystemServices final : public SystemServices {
 public:
  // Paths at or below `prefix` (whole components: "/media/dvd" holds "/media/dvd/VIDEO_TS" but not
  // "/media/dvd2") report this label / free space. The longest matching prefix wins. A path that
  // matches no prefix is a failed query.
  void set_label(const std::string& prefix, const std::string& label);
  void set_free_bytes(const std::string& prefix, uint64_t bytes);
  // Forgets a prefix's label, as when the disc is taken out.
  void remove_label(const std::string& prefix);

  // Every query of that kind fails while set.
  void fail_volume_label(bool fail) { fail_label_ = fail; }
  void fail_free_bytes(bool fail) { fail_free_ = fail; }
  // request_shutdown still records the request but returns false.
  void fail_shutdown(bool fail) { fail_shutdown_ = fail; }

  int shutdown_requests() const { return shutdown_requests_; }
  const std::vector<std::string>& label_queries() const { return label_queries_; }

  std::optional<std::string> volume_label(const std::string& path) override;
  std::optional<uint64_t> free_bytes(const std::string& folder) override;
  bool request_shutdown() override;

 private:
  std::map<std::string, std::string> labels_;
  std::map<std::string, uint64_t> free_;
  bool fail_label_ = false;
  bool fail_free_ = false;
  bool fail_shutdown_ = false;
  int shutdown_requests_ = 0;
  std::vector<std::string> label_queries_;
};

// Answers folder requests from a queue of prepared answers (nullopt = the user cancels) and
// records what it was asked. With no answer left it cancels.
class FakeFolderPicker final : public FolderPicker {
 public:
  struct Request {
    std::string title;
    std::string start_folder;
  };

  void push_answer(std::optional<std::string> folder) { answers_.push_back(std::move(folder)); }
  const std::vector<Request>& requests() const { return requests_; }

  std::optional<std::string> choose_folder(const std::string& title, const std::string& start_folder) override;

 private:
  std::deque<std::optional<std::string>> answers_;
  std::vector<Request> requests_;
};

}  // namespace platform

#include "cli/disc_session.h"

#include <cstdio>
#include <filesystem>

#include "dvd/open_disc.h"
#include "platform/system_services.h"

namespace cli {
namespace {

class GivenFolder final : public platform::FolderPicker {
 public:
  explicit GivenFolder(std::string folder) : folder_(std::move(folder)) {}
  std::optional<std::string> choose_folder(const std::string&, const std::string&) override { return folder_; }

 private:
  std::string folder_;
};

}  // namespace

std::string absolute_folder(const std::string& folder) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(folder, error);
  if (error) return folder;
  return path.lexically_normal().string();
}

bool load_disc(SourceList& list, const std::string& folder, OpenDiscHost& host, platform::SystemServices& services) {
  GivenFolder picker(absolute_folder(folder));
  return open_disc(list, picker, host, services, reader_library_catalogue()) == OpenDiscResult::Loaded;
}

TreeNode* find_title(const SourceList& list, int set_number, int title_number) {
  const std::string name = title_row_name(set_number, title_number);
  for (TreePosition p = list.tree().first_root_position(); p;) {
    TreeNode* node = SourceTree::next_root(p);
    if (node->item->name == name) return node;
  }
  return nullptr;
}

TreeNode* find_chapter(const TreeNode* title, int chapter_number) {
  for (TreePosition p = SourceTree::first_child_position(title); p;) {
    TreeNode* node = SourceTree::next_child(p);
    if (node->item->chapter_index == chapter_number - 1) return node;
  }
  return nullptr;
}

}  // namespace cli

// Loading a disc from the command line exactly as the Open button does, and finding its rows by
// the numbers the listing shows.
#pragma once

#include <string>

#include "dvd/open_disc_host.h"
#include "dvd/source_list.h"

namespace platform {
class SystemServices;
}

namespace cli {

// The folder as an absolute path, as a folder browser would give it.
std::string absolute_folder(const std::string& folder);

// Opens the disc in `folder` into `list`. False when it was not loaded (the host has shown why).
bool load_disc(SourceList& list, const std::string& folder, OpenDiscHost& host, platform::SystemServices& services);

// The title row "Title<set>.<title>" (numbers from 1), or null.
TreeNode* find_title(const SourceList& list, int set_number, int title_number);
// The chapter row "Chapter <chapter>" (the chapter's own number from 1) under a title, or null.
TreeNode* find_chapter(const TreeNode* title, int chapter_number);

}  // namespace cli

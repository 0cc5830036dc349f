#include <cstdio>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_session.h"
#include "cli/terminal_host.h"
#include "platform/system_services.h"

namespace cli {
namespace {

void print_choices(const char* what, const std::vector<std::string>& names, int first_number) {
  std::printf("    %s:", what);
  if (names.empty()) std::printf(" none");
  for (size_t i = 0; i < names.size(); ++i) std::printf("  %d) %s", first_number + static_cast<int>(i), names[i].c_str());
  std::printf("\n");
}

}  // namespace

// Every title set, title and chapter as the source list shows them; audio tracks are numbered
// from 1, subtitles from 0 (0 = none), the numbers the other sub-commands take.
int titles_command(const std::vector<std::string>& words) {
  std::string error;
  const auto line = parse_command_line(words, {}, {}, &error);
  if (!line || line->positional.size() != 1) {
    std::fprintf(stderr, "usage: dorvane-cli titles <folder>%s%s\n", error.empty() ? "" : ": ", error.c_str());
    return kExitUsage;
  }
  platform::SystemServices& services = platform::linux_services();
  TerminalHost host(false);
  SourceList list(services);
  if (!load_disc(list, line->positional[0], host, services)) return kExitFailed;

  std::printf("Disc %s  label %s\n", list.disc_folder.c_str(), list.disc_label.c_str());
  if (list.tree().node_count() == 0) std::printf("No title of one second or more.\n");
  for (TreePosition p = list.tree().first_root_position(); p;) {
    const TreeNode* title = SourceTree::next_root(p);
    const SourceItem& item = *title->item;
    std::printf("%s  %s%s\n", item.name.c_str(), item.cells[0].c_str(), item.checked ? "  (longest)" : "");
    print_choices("audio", item.popup_lists.at(kAudioTrackKey), 1);
    print_choices("subtitles", item.popup_lists.at(kSubtitleKey), 0);
    for (TreePosition c = SourceTree::first_child_position(title); c;) {
      const SourceItem& chapter = *SourceTree::next_child(c)->item;
      std::printf("  %s  %s\n", chapter.name.c_str(), chapter.cells[0].c_str());
    }
  }
  return kExitOk;
}

}  // namespace cli

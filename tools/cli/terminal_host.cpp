#include "cli/terminal_host.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace cli {

std::string progress_bar(int position, int width) {
  const int filled = std::clamp(position, 0, 100) * width / 100;
  return "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(width - filled), '.') + "]";
}

TerminalHost::TerminalHost(bool assume_yes) : assume_yes_(assume_yes), terminal_(isatty(STDOUT_FILENO) != 0) {}

int TerminalHost::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if ((flags & kMbYesNoMask) == 0) {
    std::printf("%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stdout);
    return kAnswerOk;
  }
  std::printf("%s: %s [y/N] ", caption.c_str(), text.c_str());
  if (assume_yes_) {
    std::printf("y (--yes)\n");
    std::fflush(stdout);
    return kAnswerYes;
  }
  if (!isatty(STDIN_FILENO)) {
    std::printf("n (no terminal to ask)\n");
    std::fflush(stdout);
    return kAnswerNo;
  }
  std::fflush(stdout);
  std::string answer;
  if (!std::getline(std::cin, answer)) return kAnswerNo;
  return (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes") ? kAnswerYes : kAnswerNo;
}

void TerminalHost::ShowLoadingNotice() {
  std::fprintf(stderr, "%s\n", kLoadingNoticeText);
}

void TerminalHost::OpenProgress(const std::string& item_text) {
  item_text_ = item_text;
  last_position_ = -1;
  std::printf("%s\n", item_text.c_str());
  std::fflush(stdout);
}

void TerminalHost::UpdateProgress(int position, const std::string& status) {
  if (terminal_) {
    std::printf("\r%s %s\033[K", progress_bar(position, 30).c_str(), status.c_str());
  } else {
    // Into a file or a pipe: one line per whole percent, not one per report.
    if (position == last_position_) return;
    std::printf("%s %s\n", progress_bar(position, 30).c_str(), status.c_str());
  }
  last_position_ = position;
  std::fflush(stdout);
}

void TerminalHost::CloseProgress() {
  if (terminal_ && last_position_ >= 0) std::printf("\n");
  std::fflush(stdout);
}

}  // namespace cli

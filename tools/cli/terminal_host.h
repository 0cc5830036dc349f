// The window's part played on a terminal: messages are printed, Yes/No questions are asked on the
// terminal (or answered by --yes; without a terminal the answer is No), the progress window is a
// one-line bar with the item text, the percentage and the remaining time.
#pragma once

#include <string>

#include "convert/queue_host.h"
#include "dvd/open_disc_host.h"

namespace cli {

class TerminalHost final : public OpenDiscHost, public QueueHost {
 public:
  explicit TerminalHost(bool assume_yes);

  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void ShowLoadingNotice() override;
  void CloseLoadingNotice() override {}
  void OpenProgress(const std::string& item_text) override;
  void UpdateProgress(int position, const std::string& status) override;
  void CloseProgress() override;
  bool PreviewStopped() override { return true; }  // there is no preview here
  void StopPreview() override {}

 private:
  bool assume_yes_;
  bool terminal_;  // standard output is a terminal: redraw one line
  std::string item_text_;
  int last_position_ = -1;
};

// "[#######.............]" of `width` cells for 0..100 (more than 100 fills the bar).
std::string progress_bar(int position, int width);

}  // namespace cli

// What the conversion queue needs from the window that runs it: the message box, the progress
// window, and the preview it must stop first. The main window implements it; the command-line
// front end prints to the terminal instead. Called on the user-interface thread, from inside the
// queue (and, for the progress, from inside the engine's run).
#pragma once

#include <string>

#include "dvd/open_disc_host.h"

class QueueHost {
 public:
  virtual ~QueueHost() = default;
  // Shows `text` and returns the answer (1 OK, 2 Cancel, 6 Yes, 7 No); flags as kMbInformation.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;

  // The progress window of one item: opened with the item's status text ("Converting ... "),
  // updated with the bar position (0..100, may pass 100) and the remaining-time line, closed after
  // the item's run.
  virtual void OpenProgress(const std::string& item_text) = 0;
  virtual void UpdateProgress(int position, const std::string& status) = 0;
  virtual void CloseProgress() = 0;

  // The preview, which must not read the disc while a conversion does.
  virtual bool PreviewStopped() = 0;
  virtual void StopPreview() = 0;
};

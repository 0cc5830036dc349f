// The progress display's arithmetic, cancellation and shut-down, without widgets.
#pragma once

#include <cstdint>
#include <string>

namespace platform {
class SystemServices;
}
struct ProgressRecord;

namespace convert {

struct ProgressView {
  int position = 0;           // 0..100 for the bar (can pass 100 when the output runs long)
  double fraction = 0;        // done, at least 0.001
  int64_t remaining_seconds = 0;  // can turn negative when the output runs past the estimate
  std::string status;         // "Remain: hh:mm:ss; Finished: nn.nn%"
};

// One report of an item: frames written so far against the item's total frame count, with the
// process clock now and at the item's start (milliseconds). A zero total (an empty range) counts
// as no progress instead of dividing by zero.
ProgressView compute_progress(int64_t frames, int64_t total_frames, int64_t now_ms, int64_t start_ms);

// The progress callback installed for every item; `context` is the ConversionQueue running it.
// Nothing happens without a context.
void OnConversionProgress(ProgressRecord* record, void* context);

// Asks the system for an ordinary (not forced) shut-down; failures are not reported.
void ShutDownComputer(platform::SystemServices& services);

// The process clock in milliseconds.
int64_t process_clock_ms();

}  // namespace convert

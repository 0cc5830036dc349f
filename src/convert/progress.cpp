#include "convert/progress.h"

#include <chrono>
#include <cstdio>

#include "convert/conversion_queue.h"
#include "iPod/engine.h"
#include "platform/system_services.h"

namespace convert {

ProgressView compute_progress(int64_t frames, int64_t total_frames, int64_t now_ms, int64_t start_ms) {
  ProgressView view;
  double fraction = total_frames > 0 ? static_cast<double>(frames) / static_cast<double>(total_frames) : 0.0;
  if (fraction < 0.001) fraction = 0.001;
  const int64_t elapsed_seconds = (now_ms - start_ms) / 1000;
  double elapsed = static_cast<double>(elapsed_seconds);
  if (elapsed < 0.001) elapsed = 0.001;
  const auto estimated_total = static_cast<int64_t>(elapsed / fraction);
  const auto remaining = static_cast<int64_t>(static_cast<double>(estimated_total - elapsed_seconds) * 0.85);
  char text[256];
  std::snprintf(text, sizeof text, "Remain: %02lld:%02lld:%02lld; Finished: %.2f%%",
                static_cast<long long>(remaining / 3600), static_cast<long long>(remaining % 3600 / 60),
                static_cast<long long>(remaining % 60), fraction * 100);
  view.fraction = fraction;
  view.position = static_cast<int>(fraction * 100);
  view.remaining_seconds = remaining;
  view.status = text;
  return view;
}

void OnConversionProgress(ProgressRecord* record, void* context) {
  if (!context || !record) return;
  static_cast<ConversionQueue*>(context)->OnProgress(*record);
}

void ShutDownComputer(platform::SystemServices& services) { (void)services.request_shutdown(); }

int64_t process_clock_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace convert

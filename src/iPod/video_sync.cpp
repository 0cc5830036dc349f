#include "iPod/video_sync.h"

#include <cmath>

VideoSyncDecision decide_video_frames(double sync_ipts, AVRational rate, int64_t& sync_opts, int method) {
  VideoSyncDecision d;
  const double ideal = sync_ipts * rate.num / rate.den;
  if (method == 0) {
    sync_opts = std::llround(ideal);
    return d;
  }
  const double v = ideal - static_cast<double>(sync_opts);
  if (v < -1.1) {
    d.frames = 0;
    d.dropped = true;
  } else if (v > 1.1) {
    d.frames = static_cast<int>(std::lround(static_cast<float>(v)));
    d.duplicated = d.frames > 1;
  }
  return d;
}

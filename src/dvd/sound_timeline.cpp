#include "dvd/sound_timeline.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dvd {

SoundTimeline::SoundTimeline(int sample_rate, double range_seconds)
    : rate_(sample_rate > 0 ? sample_rate : 48000),
      total_(range_seconds > 0 ? std::llround(range_seconds * rate_) : 0) {}

int64_t SoundTimeline::room() const {
  return total_ > 0 ? std::max<int64_t>(total_ - delivered_, 0) : std::numeric_limits<int64_t>::max();
}

SoundTimeline::Placement SoundTimeline::place(double time, int64_t samples) {
  Placement p;
  if (samples <= 0) return p;
  const int64_t start = std::llround(time * rate_);
  const int64_t tolerance = rate_ / 200;
  if (start > delivered_ + tolerance) p.silence = std::min(start - delivered_, room());
  else if (start < delivered_ - tolerance || start < 0) p.skip = std::min(delivered_ - start, samples);
  delivered_ += p.silence;
  p.keep = std::min(samples - p.skip, room());
  delivered_ += p.keep;
  return p;
}

int64_t SoundTimeline::pad_to(double time) {
  const int64_t target = std::llround(time * rate_);
  const int64_t silence = std::min(std::max<int64_t>(target - delivered_, 0), room());
  delivered_ += silence;
  return silence;
}

}  // namespace dvd

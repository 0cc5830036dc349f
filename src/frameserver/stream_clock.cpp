#include "frameserver/stream_clock.h"

#include <cmath>
#include <cstdlib>

namespace frameserver {

int64_t PictureClock::stamp(double seconds) {
  int64_t tick = std::llround(seconds * rate_.num / rate_.den);
  if (tick <= last_) tick = last_ + 1;
  if (tick < 0) tick = 0;
  last_ = tick;
  return tick;
}

double PictureClock::end_seconds() const {
  return static_cast<double>(last_ + 1) * rate_.den / rate_.num;
}

SoundPlacement place_sound(int64_t next, double seconds, int sample_rate, int nb_samples, int64_t tolerance) {
  const int64_t own = std::llround(seconds * sample_rate);
  if (std::llabs(own - next) <= tolerance) return {next, 0};
  if (own > next) return {own, 0};
  const int64_t overlap = next - own;
  return {next, overlap >= nb_samples ? nb_samples : static_cast<int>(overlap)};
}

}  // namespace frameserver

// Time stamps of the served stream: pictures in ticks of the title's frame rate, sound in
// samples, both from 0 at the range start. The decoder's clock is continuous but its unit times
// carry rounding; these keep the stamps strictly increasing and the sound gap-free.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace frameserver {

// Picture stamps in ticks of `rate` (the stream's time base is 1/rate).
class PictureClock {
 public:
  explicit PictureClock(AVRational rate) : rate_(rate) {}
  // The tick nearest to `seconds`, moved to one past the previous stamp when it would not
  // advance (two pictures never share a stamp).
  int64_t stamp(double seconds);
  // Seconds at the end of the last stamped picture (its tick + 1); 0 before the first.
  double end_seconds() const;

 private:
  AVRational rate_;
  int64_t last_ = -1;
};

// Where one decoded block of sound goes, in samples.
struct SoundPlacement {
  int64_t pts = 0;  // first sample written
  int skip = 0;     // samples dropped from the front of the block (>= its size: drop it all)
};

// `next` is the sample after the last one written (0 before the first block). A block whose time
// lies within `tolerance` samples of `next` joins on without a gap; one further ahead starts at
// its own time (the writer fills the gap with silence); one that reaches back before `next` loses
// the overlap, as does any sound before 0.
SoundPlacement place_sound(int64_t next, double seconds, int sample_rate, int nb_samples, int64_t tolerance);

}  // namespace frameserver

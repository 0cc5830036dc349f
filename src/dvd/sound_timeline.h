// Keeps delivered sound continuous on the range clock: output sample n plays at n / rate seconds
// after the range start. DVD sound restarts its stamps at every cell and leaves small gaps or
// overlaps where separately made segments meet; chunks are placed by their stamps, gaps are filled
// with silence, overlaps are cut, and nothing is delivered before 0 or after the range end.
#pragma once

#include <cstdint>

namespace dvd {

class SoundTimeline {
 public:
  // `range_seconds` <= 0: no end.
  SoundTimeline(int sample_rate, double range_seconds);

  struct Placement {
    int64_t silence = 0;  // samples of silence to deliver before the chunk
    int64_t skip = 0;     // samples to drop from the chunk's front
    int64_t keep = 0;     // samples of the chunk to deliver after the skipped ones
  };
  // A chunk of `samples` whose first sample's stamp is `time` seconds on the range clock.
  // Differences below 5 ms are left alone so that stamp rounding never cuts or pads.
  Placement place(double time, int64_t samples);
  // Silence that brings the sound up to `time` (capped at the range end); counts as delivered.
  int64_t pad_to(double time);

  int64_t delivered() const { return delivered_; }  // samples per channel
  bool full() const { return total_ > 0 && delivered_ >= total_; }
  double next_time() const { return static_cast<double>(delivered_) / rate_; }

 private:
  int64_t room() const;
  int rate_;
  int64_t total_;  // samples of the range, 0 without an end
  int64_t delivered_ = 0;
};

}  // namespace dvd

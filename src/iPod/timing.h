// Time arithmetic of the engine in one place. The internal clock is microseconds (int64_t); output
// positions are counts (video frames, audio samples) that these helpers turn into seconds.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/rational.h>
}

namespace timing {

inline constexpr int64_t kMicrosPerSecond = 1000000;
// Larger jumps between a packet's time and the expected time are absorbed into the file offset.
inline constexpr int64_t kDiscontinuityMicros = 10 * kMicrosPerSecond;

// Seconds covered by `frames` frames at `rate` frames per second.
inline double frames_to_seconds(int64_t frames, AVRational rate) {
  return rate.num ? static_cast<double>(frames) * rate.den / rate.num : 0.0;
}

// Microseconds of one frame at `rate`; 0 for an unknown rate.
inline int64_t frame_duration_micros(AVRational rate) {
  return rate.num ? kMicrosPerSecond * rate.den / rate.num : 0;
}

// Microseconds of `bytes` of 16-bit interleaved samples.
inline int64_t pcm_bytes_to_micros(int64_t bytes, int sample_rate, int channels) {
  const int64_t per_second = static_cast<int64_t>(sample_rate) * channels;
  return per_second ? bytes * (kMicrosPerSecond / 2) / per_second : 0;
}

// Microseconds of `samples` sample frames (one value per channel each).
inline int64_t samples_to_micros(int64_t samples, int sample_rate) {
  return sample_rate ? samples * kMicrosPerSecond / sample_rate : 0;
}

// The input time of data at `pts`, in seconds, relative to the start offset, after the file's
// time-stamp offset (all three in microseconds).
inline double input_seconds(int64_t file_offset, int64_t pts, int64_t start_offset) {
  return static_cast<double>(file_offset + pts - start_offset) * 0.000001;
}

// A stream time stamp in the internal clock, and back.
inline int64_t to_micros(int64_t ts, AVRational time_base) { return av_rescale_q(ts, time_base, AVRational{1, 1000000}); }
inline int64_t from_micros(int64_t micros, AVRational time_base) {
  return av_rescale_q(micros, AVRational{1, 1000000}, time_base);
}

inline double micros_to_seconds(int64_t micros) { return static_cast<double>(micros) * 0.000001; }

}  // namespace timing

#include "iPod/audio_sync.h"

#include <algorithm>
#include <cmath>

AudioSyncDecision decide_audio_sync(const AudioSyncInput& in) {
  using Action = AudioSyncDecision::Action;
  AudioSyncDecision d;
  if (in.method == 0) {
    d.action = Action::SetPosition;
    d.position = std::lround(static_cast<float>(in.out_rate * in.sync_ipts)) - in.fifo_samples;
    return d;
  }
  d.delta = in.out_rate * in.sync_ipts - static_cast<double>(in.sync_opts) - static_cast<double>(in.fifo_samples);
  if (std::fabs(d.delta) <= kAudioSyncThreshold) return d;
  if (in.is_start) {
    const auto input_delta = static_cast<int64_t>(d.delta * in.in_rate / in.out_rate);
    int64_t byte_delta = input_delta * in.in_channels * 2;
    if (byte_delta < 0) {
      byte_delta = std::max<int64_t>(byte_delta, -in.block_bytes);
      d.action = Action::Drop;
      d.bytes = static_cast<int>(-byte_delta);
      d.clears_start = d.bytes < in.block_bytes;
    } else {
      d.action = Action::Pad;
      if (byte_delta + in.block_bytes <= kMaxPaddedBlockBytes) {
        d.bytes = static_cast<int>(byte_delta);
        d.clears_start = true;
      } else {
        // Whole sample frames only, or the channels of the rest would swap places.
        const int frame_bytes = std::max(1, in.in_channels * 2);
        const int room = std::max(0, kMaxPaddedBlockBytes - in.block_bytes);
        d.bytes = room - room % frame_bytes;
      }
    }
    return d;
  }
  if (in.method > 1) {
    d.action = Action::Compensate;
    d.compensation = std::clamp(static_cast<int>(d.delta), -in.method, in.method);
  }
  return d;
}

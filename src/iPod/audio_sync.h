// Keeps an audio output in step with its input's time stamps: start alignment by silence or by
// dropping samples, and drift compensation. Pure arithmetic; write_audio applies the result.
#pragma once

#include <cstdint>

struct AudioSyncInput {
  int method;             // -async: 0 none, 1 start only, >1 start plus drift of at most `method`
  double sync_ipts;       // input time of the block, seconds
  int64_t sync_opts;      // samples handed to the encoder so far
  int64_t fifo_samples;   // samples waiting in the frame FIFO
  int out_rate;
  int in_rate;
  int in_channels;
  int block_bytes;        // bytes of 16-bit interleaved input in this block
  bool is_start;          // the stream's start flag
};

struct AudioSyncDecision {
  enum class Action { None, SetPosition, Drop, Pad, Compensate };
  Action action = Action::None;
  double delta = 0;            // samples at the output rate (positive: the input is late)
  int64_t position = 0;        // SetPosition: the new sync_opts
  int bytes = 0;               // Drop: input bytes to cut from the front; Pad: silence bytes to put in front
  bool clears_start = false;   // the start flag is cleared after this block
  int compensation = 0;        // Compensate: samples to absorb over out_rate samples
};

// Corrections smaller than this many samples are not made.
inline constexpr double kAudioSyncThreshold = 50.0;
// The silence put in front of one block (silence + block) is limited to this many bytes.
inline constexpr int kMaxPaddedBlockBytes = 131072;

AudioSyncDecision decide_audio_sync(const AudioSyncInput& in);

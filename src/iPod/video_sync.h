// How many output frames one decoded picture stands for (frame-rate conversion by dropping or
// repeating pictures). Pure arithmetic; write_video applies the result.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

struct VideoSyncDecision {
  int frames = 1;         // output frames to encode from this picture (0 = drop)
  bool dropped = false;   // counts one dropped frame
  bool duplicated = false;  // frames > 1: the duplicate counter grows by `frames`
};

// sync_ipts: the picture's input time in seconds; rate: the output frame rate; sync_opts: the
// output position in frames (moved to the ideal position with method 0); method: -vsync.
VideoSyncDecision decide_video_frames(double sync_ipts, AVRational rate, int64_t& sync_opts, int method);

// Set-up decisions that need no library objects: which conversions a stream pair needs, the
// channel rule, the nearest supported frame rate, the formats that want global headers.
#pragma once

#include <string_view>

extern "C" {
#include <libavutil/rational.h>
}

struct AudioResamplePlan {
  bool resample = false;            // audio_resample
  bool decoder_downmix = false;     // ask the (AC-3 / DTS) decoder for the output channel count
};

// in_is_ac3_or_dts: the input decoder can mix down by itself. async: the -async method (>1 forces
// the resampler, which carries the drift compensation).
AudioResamplePlan plan_audio_resample(int in_channels, int in_rate, int out_channels, int out_rate,
                                      bool in_is_ac3_or_dts, int async);

enum class PictureWork { None, Crop, Pad, Resample };

struct Bands {
  int top = 0, bottom = 0, left = 0, right = 0;
  bool any() const { return top || bottom || left || right; }
};

// in: decoded size, out: coded size (picture + pads).
PictureWork plan_picture(int in_w, int in_h, int out_w, int out_h, const Bands& crop, const Bands& pad);

// More than two channels are kept only for encoders that can code them.
int output_channel_count(int requested, std::string_view encoder_name);

// The entry of `rates` (terminated by {0, 0}) nearest to `wanted`; the first wins on ties.
AVRational nearest_frame_rate(AVRational wanted, const AVRational* rates);

// Container formats whose encoders must put global headers into extradata.
bool wants_global_header(std::string_view format_name);

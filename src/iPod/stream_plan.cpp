#include "iPod/stream_plan.h"

#include <array>
#include <cmath>

AudioResamplePlan plan_audio_resample(int in_channels, int in_rate, int out_channels, int out_rate,
                                      bool in_is_ac3_or_dts, int async) {
  AudioResamplePlan p;
  if (in_channels == out_channels) {
    p.resample = in_rate != out_rate;
  } else if (in_is_ac3_or_dts) {
    p.decoder_downmix = true;
    p.resample = in_rate != out_rate;
  } else {
    p.resample = true;
  }
  if (async > 1) p.resample = true;
  return p;
}

PictureWork plan_picture(int in_w, int in_h, int out_w, int out_h, const Bands& crop, const Bands& pad) {
  if (out_w == in_w && out_h == in_h && !crop.any() && !pad.any()) return PictureWork::None;
  if (out_w == in_w - crop.left - crop.right && out_h == in_h - crop.top - crop.bottom) return PictureWork::Crop;
  if (out_w == in_w + pad.left + pad.right && out_h == in_h + pad.top + pad.bottom) return PictureWork::Pad;
  return PictureWork::Resample;
}

int output_channel_count(int requested, std::string_view encoder_name) {
  if (requested <= 2) return requested;
  static constexpr std::array<std::string_view, 5> kMultichannel = {"ac3", "ac3_fixed", "eac3", "dca", "dts"};
  for (auto name : kMultichannel)
    if (encoder_name == name) return requested;
  return 2;
}

AVRational nearest_frame_rate(AVRational wanted, const AVRational* rates) {
  if (!rates || !rates[0].num) return wanted;
  const double target = av_q2d(wanted);
  AVRational best = rates[0];
  double best_diff = std::fabs(av_q2d(best) - target);
  for (const AVRational* r = rates + 1; r->num; ++r) {
    const double diff = std::fabs(av_q2d(*r) - target);
    if (diff < best_diff) {
      best = *r;
      best_diff = diff;
    }
  }
  return best;
}

bool wants_global_header(std::string_view format_name) {
  static constexpr std::array<std::string_view, 8> kNames = {"mp4", "mov", "3gp", "asf", "psp", "kddi", "docomo", "3g2"};
  for (auto name : kNames)
    if (format_name == name) return true;
  return false;
}

// The option handlers: one function per option that needs more than storing a converted value.
// Each takes the option's argument (null for options without one). Fatal value errors write their
// message and call engine_fail(); the rows marked "continues" write and return.
#pragma once

#include <climits>
#include <cmath>
#include <string>

#include "iPod/engine_settings.h"
#include "iPod/options.h"

using OptionHandler = void (*)(const char* arg);

// Stores a lenient decimal integer / single-precision number / private text copy unchanged.
template <auto Field> void store_int(const char* arg) { g_settings.*Field = parse_int_lenient(arg); }
template <auto Field> void store_float(const char* arg) { g_settings.*Field = parse_float_lenient(arg); }
template <auto Field> void store_text(const char* arg) { g_settings.*Field = arg; }

// value * factor, saturated to the int range (kbit/s -> bit/s must not wrap to a negative rate).
inline int scale_saturated(int value, int factor) {
  const long long wide = static_cast<long long>(value) * factor;
  return wide > INT_MAX ? INT_MAX : wide < INT_MIN ? INT_MIN : static_cast<int>(wide);
}

// A float truncated toward zero; NaN gives 0 and out-of-range values saturate.
inline int truncate_saturated(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<int>(value);
}

template <auto Field, int Factor> void store_scaled(const char* arg) {
  g_settings.*Field = scale_saturated(parse_int_lenient(arg), Factor);
}

// Information options: print, then end the process with status 1.
void opt_show_license(const char* arg);
void opt_show_help(const char* arg);
void opt_show_version(const char* arg);
void opt_show_formats(const char* arg);

// Files, maps, times.
void opt_format(const char* arg);
void opt_image_format(const char* arg);
void opt_input_file(const char* arg);
void opt_map(const char* arg);
void opt_map_meta_data(const char* arg);
void opt_recording_time(const char* arg);
void opt_start_time(const char* arg);
void opt_input_ts_offset(const char* arg);
void opt_rec_timestamp(const char* arg);

// General.
void opt_bitexact(const char* arg);
void opt_verbose(const char* arg);
void opt_target(const char* arg);

// Video.
void opt_frame_rate(const char* arg);
void opt_frame_size(const char* arg);
void opt_frame_aspect_ratio(const char* arg);
void opt_frame_pix_fmt(const char* arg);
void opt_crop_top(const char* arg);
void opt_crop_bottom(const char* arg);
void opt_crop_left(const char* arg);
void opt_crop_right(const char* arg);
void opt_pad_top(const char* arg);
void opt_pad_bottom(const char* arg);
void opt_pad_left(const char* arg);
void opt_pad_right(const char* arg);
void opt_pad_color(const char* arg);
void opt_qscale(const char* arg);
void opt_qmin(const char* arg);
void opt_qmax(const char* arg);
void opt_lmin(const char* arg);
void opt_lmax(const char* arg);
void opt_mb_lmin(const char* arg);
void opt_mb_lmax(const char* arg);
void opt_qdiff(const char* arg);
void opt_qsquish(const char* arg);
void opt_video_codec(const char* arg);
void opt_motion_estimation(const char* arg);
void opt_b_frames(const char* arg);
void opt_luma_elim(const char* arg);
void opt_chroma_elim(const char* arg);
void opt_pass(const char* arg);
void opt_ignore(const char* arg);
void opt_intra_matrix(const char* arg);
void opt_inter_matrix(const char* arg);
void opt_video_tag(const char* arg);

// Audio and capture.
void opt_audio_codec(const char* arg);
void opt_audio_tag(const char* arg);
void opt_grab(const char* arg);

// The names of -me, in method order (method n is entry n - 1).
extern const char* const kMotionEstimationNames[6];

#include "iPod/option_handlers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "iPod/engine_internal.h"
#include "iPod/engine_state.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

namespace {

[[noreturn]] void fail(const char* message) {
  std::fputs(message, stderr);
  engine_fail();
}

// Durations and dates go through the library's parser; unreadable text reads as 0, as every
// other conversion of the table does.
int64_t parse_time_lenient(const char* text, bool duration) {
  int64_t us = 0;
  if (av_parse_time(&us, text, duration ? 1 : 0) < 0) return 0;
  return us;
}

// The first encoder of that name and type; else the library's "lib" wrapper of the name (so
// "xvid" finds libxvid); else any codec of that name and type (its id picks the default encoder).
bool find_codec(const char* name, AVMediaType type, AVCodecID* id, const AVCodec** encoder) {
  const std::string wrapped = std::string("lib") + name;
  for (const char* wanted : {name, wrapped.c_str()}) {
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it)) {
      if (c->type == type && av_codec_is_encoder(c) && std::strcmp(c->name, wanted) == 0) {
        *id = c->id;
        *encoder = c;
        return true;
      }
    }
  }
  void* it = nullptr;
  while (const AVCodec* c = av_codec_iterate(&it)) {
    if (c->type == type && std::strcmp(c->name, name) == 0) {
      *id = c->id;
      *encoder = nullptr;
      return true;
    }
  }
  return false;
}

// -croptop and friends share one rule: >= 0, even, inside the current picture; then the
// picture shrinks by the crop.
struct CropSide {
  const char* incorrect;
  const char* multiple;
  int EngineSettings::*crop;
  int EngineSettings::*dimension;
  const char* outside;
};

const char kVerticalOutside[] =
    "A>Vertical crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.\n";
const char kHorizontalOutside[] =
    "A>Horizontal crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.\n";

void apply_crop(const CropSide& side, const char* arg) {
  const int value = parse_int_lenient(arg);
  if (value < 0) fail(side.incorrect);
  if (value % 2 != 0) fail(side.multiple);
  if (value >= g_settings.*side.dimension) fail(side.outside);
  g_settings.*side.crop = value;
  g_settings.*side.dimension -= value;
}

void apply_pad(const char* incorrect, const char* multiple, int EngineSettings::*pad, const char* arg) {
  const int value = parse_int_lenient(arg);
  if (value < 0) fail(incorrect);
  if (value % 2 != 0) fail(multiple);
  g_settings.*pad = value;
}

void apply_matrix(std::optional<QuantMatrix>* target, const char* arg) {
  uint16_t matrix[64];
  int bad_index = 0;
  if (!parse_quant_matrix(arg, matrix, &bad_index)) {
    std::fprintf(stderr, "A>Syntax error in matrix \"%s\" at coeff %d\n", arg, bad_index);
    engine_fail();
  }
  QuantMatrix copy{};
  std::memcpy(copy.data(), matrix, sizeof matrix);
  *target = copy;
}

int lagrange_from(const char* arg) {
  return truncate_saturated(static_cast<double>(parse_float_lenient(arg)) * 118.0);
}

int mb_lagrange_from(const char* arg, const char* message) {
  const int value = lagrange_from(arg);
  if (value < 1 || value > 32767) fail(message);
  return value;
}

}  // namespace

const char* const kMotionEstimationNames[6] = {"zero", "full", "log", "phods", "epzs", "x1"};

// ---- files, maps, times --------------------------------------------------------------------

void opt_format(const char* arg) {
  const char* name = arg;
  if (std::strcmp(arg, "pgmyuv") == 0) {
    // PGM-YUV pictures are read by the image sequence reader with the PGM-YUV decoder forced.
    g_settings.force_pgmyuv = true;
    name = "image2";
  }
  if (!av_find_input_format(name) && !av_guess_format(name, nullptr, nullptr)) {
    std::fprintf(stderr, "A>Unknown input or output format: %s\n", name);
    return;
  }
  g_settings.file_format = name;
}

void opt_image_format(const char* arg) {
  // The library keeps its single-picture readers as "<name>_pipe" formats.
  const std::string reader = std::string(arg) + "_pipe";
  if (!av_find_input_format(reader.c_str())) {
    std::fprintf(stderr, "A>Unknown image format: '%s'\n", arg);
    return;
  }
  g_settings.image_format = arg;
}

void opt_input_file(const char* arg) { open_input_file(arg); }

void opt_map(const char* arg) {
  StreamMap m;
  parse_index_pair(arg, &m.file_index, &m.stream_index);
  g_settings.stream_maps.push_back(m);
}

void opt_map_meta_data(const char* arg) {
  MetaDataMap m;
  parse_index_pair(arg, &m.out_file, &m.in_file);
  g_settings.meta_data_maps.push_back(m);
}

void opt_recording_time(const char* arg) { g_settings.recording_time = parse_time_lenient(arg, true); }
void opt_start_time(const char* arg) { g_settings.start_time = parse_time_lenient(arg, true); }
void opt_input_ts_offset(const char* arg) { g_settings.input_ts_offset = parse_time_lenient(arg, true); }
void opt_rec_timestamp(const char* arg) { g_settings.rec_timestamp = parse_time_lenient(arg, false) / 1000000; }

// ---- general -------------------------------------------------------------------------------

void opt_bitexact(const char*) { g_settings.bitexact = true; }

void opt_verbose(const char* arg) {
  g_settings.verbose = parse_int_lenient(arg);
  engine_log_level = g_settings.verbose;
}

namespace {

enum class Norm { Unknown, Pal, Ntsc, Film };

Norm norm_of_rate(AVRational rate) {
  if (rate.den == 0) return Norm::Unknown;
  const int64_t milli = static_cast<int64_t>(rate.num) * 1000 / rate.den;
  if (milli == 25000) return Norm::Pal;
  if (milli == 29970 || milli == 23976) return Norm::Ntsc;
  return Norm::Unknown;
}

}  // namespace

void opt_target(const char* arg) {
  std::string_view name = arg;
  Norm norm = Norm::Unknown;
  if (name.starts_with("pal-")) {
    norm = Norm::Pal;
    name.remove_prefix(4);
  } else if (name.starts_with("ntsc-")) {
    norm = Norm::Ntsc;
    name.remove_prefix(5);
  } else if (name.starts_with("film-")) {
    norm = Norm::Film;
    name.remove_prefix(5);
  } else {
    norm = norm_of_rate(g_settings.frame_rate);
    // Else the video streams of the inputs opened so far, first match wins.
    for (const auto& input : engine_run().inputs) {
      const AVFormatContext* ctx = input->ctx();
      for (unsigned i = 0; norm == Norm::Unknown && i < ctx->nb_streams; ++i) {
        if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
          norm = norm_of_rate(ctx->streams[i]->r_frame_rate);
        }
      }
      if (norm != Norm::Unknown) break;
    }
    if (norm != Norm::Unknown && g_settings.verbose != 0) {
      std::fprintf(stderr, "Assuming %s for target.\n", norm == Norm::Pal ? "PAL" : "NTSC");
    }
  }
  if (norm == Norm::Unknown) {
    std::fputs("A>Could not determine norm (PAL/NTSC/NTSC-Film) for target.\n", stderr);
    std::fputs("A>Please prefix target with \"pal-\", \"ntsc-\" or \"film-\",\n", stderr);
    std::fputs("A>or set a framerate with \"-r xxx\".\n", stderr);
    engine_fail();
  }

  const bool pal = norm == Norm::Pal;
  const char* rate = pal ? "25" : norm == Norm::Ntsc ? "30000/1001" : "24000/1001";
  EngineSettings& s = g_settings;
  if (name == "vcd") {
    opt_video_codec("mpeg1video");
    opt_audio_codec("mp2");
    opt_format("vcd");
    opt_frame_size(pal ? "352x288" : "352x240");
    opt_frame_rate(rate);
    s.gop_size = pal ? 15 : 18;
    s.video_bit_rate = 1150000;
    s.video_rc_max_rate = 1150000;
    s.video_rc_min_rate = 1150000;
    s.video_rc_buffer_size = 40 * 1024 * 8;
    s.audio_bit_rate = 224000;
    s.audio_sample_rate = 44100;
    s.mux_packet_size = 2324;
    s.mux_rate = 2352 * 75 * 8;
    s.mux_preload = 0.44f;  // seconds; the VCD player's buffer model
  } else if (name == "svcd") {
    opt_video_codec("mpeg2video");
    opt_audio_codec("mp2");
    opt_format("svcd");
    opt_frame_size(pal ? "480x576" : "480x480");
    opt_frame_rate(rate);
    s.gop_size = pal ? 15 : 18;
    s.video_bit_rate = 2040000;
    s.video_rc_max_rate = 2516000;
    s.video_rc_min_rate = 0;
    s.video_rc_buffer_size = 224 * 1024 * 8;
    s.use_scan_offset = true;
    s.audio_bit_rate = 224000;
    s.audio_sample_rate = 44100;
    s.mux_packet_size = 2324;
  } else if (name == "dvd") {
    opt_video_codec("mpeg2video");
    opt_audio_codec("ac3");
    opt_format("dvd");
    opt_frame_size(pal ? "720x576" : "720x480");
    opt_frame_rate(rate);
    s.gop_size = pal ? 15 : 18;
    s.video_bit_rate = 6000000;
    s.video_rc_max_rate = 9000000;
    s.video_rc_min_rate = 0;
    s.video_rc_buffer_size = 224 * 1024 * 8;
    s.audio_bit_rate = 448000;
    s.audio_sample_rate = 48000;
    s.mux_packet_size = 2048;
    s.mux_rate = 10080000;
  } else if (name == "dv") {
    opt_format("dv");
    opt_frame_size(pal ? "720x576" : "720x480");
    opt_frame_rate(rate);
    s.audio_sample_rate = 48000;
    s.audio_channels = 2;
  } else {
    std::fprintf(stderr, "A>Unknown target: %s\n", std::string(name).c_str());
    engine_fail();
  }
}

// ---- video ---------------------------------------------------------------------------------

void opt_frame_rate(const char* arg) {
  if (const std::optional<AVRational> rate = parse_frame_rate(arg)) {
    g_settings.frame_rate = *rate;
  } else {
    std::fputs("A>Incorrect frame rate\n", stderr);
  }
}

void opt_frame_size(const char* arg) {
  int width = 0;
  int height = 0;
  if (av_parse_video_size(&width, &height, arg) < 0) fail("A>Incorrect frame size\n");
  if (width % 2 != 0 || height % 2 != 0) fail("A>Frame size must be a multiple of 2\n");

  EngineSettings& s = g_settings;
  const FrameGeometry g = fit_frame_size(width, height, s.frame_width, s.frame_height, s.fix_aspect);
  s.frame_width = g.width;
  s.frame_height = g.height;
  switch (g.fit) {
    case FrameGeometry::Fit::Plain:
      break;
    case FrameGeometry::Fit::Letterbox:
      s.pad_left = s.pad_right = 0;
      s.pad_top = g.pad_top;
      s.pad_bottom = g.pad_bottom;
      std::fprintf(stderr, "Frame width = %d , Frame height = %d ,pad top = %d ,pad bottom = %d\n",
                   g.width, g.height, g.pad_top, g.pad_bottom);
      break;
    case FrameGeometry::Fit::Pillarbox:
      s.pad_top = s.pad_bottom = 0;
      s.pad_left = g.pad_left;
      s.pad_right = g.pad_right;
      std::fprintf(stderr, "Frame width = %d , height = %d\n", g.width, g.height);
      break;
  }
}

void opt_frame_aspect_ratio(const char* arg) {
  const std::optional<float> ratio = parse_aspect_ratio(arg);
  if (!ratio) fail("A>Incorrect aspect ratio specification.\n");
  g_settings.frame_aspect_ratio = *ratio;
}

void opt_frame_pix_fmt(const char* arg) { g_settings.frame_pix_fmt = av_get_pix_fmt(arg); }

void opt_crop_top(const char* arg) {
  apply_crop({"A>Incorrect top crop size\n", "A>Top crop size must be a multiple of 2\n",
              &EngineSettings::crop_top, &EngineSettings::frame_height, kVerticalOutside}, arg);
}
void opt_crop_bottom(const char* arg) {
  apply_crop({"A>Incorrect bottom crop size\n", "A>Bottom crop size must be a multiple of 2\n",
              &EngineSettings::crop_bottom, &EngineSettings::frame_height, kVerticalOutside}, arg);
}
void opt_crop_left(const char* arg) {
  apply_crop({"A>Incorrect left crop size\n", "A>Left crop size must be a multiple of 2\n",
              &EngineSettings::crop_left, &EngineSettings::frame_width, kHorizontalOutside}, arg);
}
void opt_crop_right(const char* arg) {
  apply_crop({"A>Incorrect right crop size\n", "A>Right crop size must be a multiple of 2\n",
              &EngineSettings::crop_right, &EngineSettings::frame_width, kHorizontalOutside}, arg);
}

void opt_pad_top(const char* arg) {
  // Reports but keeps going; the value is kept as given and the set-up copes with it.
  const int value = parse_int_lenient(arg);
  if (value < 0) {
    std::fputs("A>Incorrect top pad size\n", stderr);
  } else if (value % 2 != 0) {
    std::fputs("A>Top pad size must be a multiple of 2\n", stderr);
  }
  g_settings.pad_top = value;
}
void opt_pad_bottom(const char* arg) {
  apply_pad("A>Incorrect bottom pad size\n", "A>Bottom pad size must be a multiple of 2\n",
            &EngineSettings::pad_bottom, arg);
}
void opt_pad_left(const char* arg) {
  apply_pad("A>Incorrect left pad size\n", "A>Left pad size must be a multiple of 2\n",
            &EngineSettings::pad_left, arg);
}
void opt_pad_right(const char* arg) {
  apply_pad("A>Incorrect right pad size\n", "A>Right pad size must be a multiple of 2\n",
            &EngineSettings::pad_right, arg);
}

void opt_pad_color(const char* arg) {
  const unsigned long rgb = std::strtoul(arg, nullptr, 16);
  g_settings.pad_color = pad_color_from_rgb(static_cast<uint32_t>(rgb & 0xffffff));
}

void opt_qscale(const char* arg) {
  const float q = parse_float_lenient(arg);
  if (!(q >= 0.01f && q <= 255.0f)) fail("A>qscale must be >= 0.01 and <= 255\n");
  g_settings.video_qscale = q;
}

void opt_qmin(const char* arg) {
  const int q = parse_int_lenient(arg);
  if (q < 1 || q > 31) fail("A>qmin must be >= 1 and <= 31\n");
  g_settings.video_qmin = q;
}

void opt_qmax(const char* arg) {
  const int q = parse_int_lenient(arg);
  if (q < 1 || q > 31) fail("A>qmax must be >= 1 and <= 31\n");
  g_settings.video_qmax = q;
}

void opt_lmin(const char* arg) { g_settings.video_lmin = lagrange_from(arg); }
void opt_lmax(const char* arg) { g_settings.video_lmax = lagrange_from(arg); }

// The bound in the message is the one users have always seen; the check itself is 1..32767.
void opt_mb_lmin(const char* arg) {
  g_settings.video_mb_lmin = mb_lagrange_from(arg, "A>mblmin must be >= 1 and <= 277\n");
}
void opt_mb_lmax(const char* arg) {
  g_settings.video_mb_lmax = mb_lagrange_from(arg, "A>mblmax must be >= 1 and <= 277\n");
}

void opt_qdiff(const char* arg) {
  // The lower bound follows the message: a quantiser that may not change at all is refused.
  const int q = parse_int_lenient(arg);
  if (q < 1 || q > 31) fail("A>qdiff must be >= 1 and <= 31\n");
  g_settings.video_qdiff = q;
}

void opt_qsquish(const char* arg) {
  const float q = parse_float_lenient(arg);
  if (!(q >= 0.0f && q <= 99.0f)) fail("A>qsquish must be >= 0.0 and <= 99.0\n");
  g_settings.video_qsquish = q;
}

void opt_video_codec(const char* arg) {
  if (std::strcmp(arg, "copy") == 0) {
    g_settings.video_stream_copy = true;
    return;
  }
  if (!find_codec(arg, AVMEDIA_TYPE_VIDEO, &g_settings.video_codec_id, &g_settings.video_codec)) {
    std::fprintf(stderr, "A>Unknown video codec '%s'\n", arg);
    engine_fail();
  }
}

void opt_motion_estimation(const char* arg) {
  for (int i = 0; i < 6; ++i) {
    if (std::strcmp(arg, kMotionEstimationNames[i]) == 0) {
      g_settings.me_method = i + 1;
      return;
    }
  }
  std::fprintf(stderr, "A>Unknown motion estimation method '%s'\n", arg);
  engine_fail();
}

void opt_b_frames(const char* arg) {
  const int n = parse_int_lenient(arg);
  if (n > 8) {
    std::fprintf(stderr, "\nA>Cannot have more than %d B frames, increase FF_MAX_B_FRAMES.\n", 8);
    engine_fail();
  }
  if (n < 1) fail("\nA>Number of B frames must be higher than 0\n");
  g_settings.b_frames = n;
}

void opt_luma_elim(const char* arg) {
  const int v = parse_int_lenient(arg);
  if (v < -99 || v > 99) fail("A>lelim must be >= -99 and <= 99\n");
  g_settings.luma_elim_threshold = v;
}

void opt_chroma_elim(const char* arg) {
  const int v = parse_int_lenient(arg);
  if (v < -99 || v > 99) fail("A>celim must be >= -99 and <= 99\n");
  g_settings.chroma_elim_threshold = v;
}

void opt_pass(const char* arg) {
  const int pass = parse_int_lenient(arg);
  if (pass != 1 && pass != 2) fail("A>pass number can be only 1 or 2\n");
  g_settings.do_pass = pass;
}

void opt_ignore(const char*) {}

void opt_intra_matrix(const char* arg) { apply_matrix(&g_settings.intra_matrix, arg); }
void opt_inter_matrix(const char* arg) { apply_matrix(&g_settings.inter_matrix, arg); }

void opt_video_tag(const char* arg) { g_settings.video_codec_tag = parse_codec_tag(arg); }

// ---- audio and capture ---------------------------------------------------------------------

void opt_audio_codec(const char* arg) {
  if (std::strcmp(arg, "copy") == 0) {
    g_settings.audio_stream_copy = true;
    return;
  }
  if (!find_codec(arg, AVMEDIA_TYPE_AUDIO, &g_settings.audio_codec_id, &g_settings.audio_codec)) {
    std::fprintf(stderr, "A>Unknown audio codec '%s'\n", arg);
    engine_fail();
  }
}

void opt_audio_tag(const char* arg) { g_settings.audio_codec_tag = parse_codec_tag(arg); }

void opt_grab(const char* arg) {
  // A capture input has no file name: the format names the device reader.
  g_settings.file_format = arg;
  open_input_file("");
}

// open_output_file: every argument that is not an option sets up one output from the settings.
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/opt.h>
}

#include "iPod/encoder_setup.h"
#include "iPod/engine_internal.h"
#include "iPod/engine_settings.h"
#include "iPod/engine_state.h"
#include "iPod/stream_plan.h"

namespace {

bool inputs_have(AVMediaType type) {
  for (const auto& in : engine_run().inputs)
    for (unsigned i = 0; i < in->ctx()->nb_streams; ++i)
      if (in->ctx()->streams[i]->codecpar->codec_type == type) return true;
  return false;
}

const AVCodec* choose_encoder(const AVCodec* named, AVCodecID id, const AVOutputFormat* fmt, const char* filename,
                              AVMediaType type) {
  if (named) return named;
  if (id == AV_CODEC_ID_NONE) id = av_guess_codec(fmt, nullptr, filename, nullptr, type);
  return avcodec_find_encoder(id);
}

// A context for `codec`; without an encoder the context stays codec-less and the transcode's
// set-up reports the codec as unsupported.
av::CodecContextPtr new_encoder(const AVCodec* codec, AVMediaType type) {
  av::CodecContextPtr enc(avcodec_alloc_context3(codec));
  if (!enc) engine_fail();
  enc->codec_type = type;
  return enc;
}

void add_video_stream(OutputFile& out, const char* filename, bool global_header) {
  const EngineSettings& s = g_settings;
  AVFormatContext* oc = out.ctx();
  OutputStreamSetup setup;
  setup.type = AVMEDIA_TYPE_VIDEO;
  setup.st = avformat_new_stream(oc, nullptr);
  if (!setup.st) engine_fail();
  setup.st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  if (s.video_codec_tag) setup.st->codecpar->codec_tag = s.video_codec_tag;
  if (s.video_stream_copy) {
    setup.stream_copy = true;
    out.streams.push_back(std::move(setup));
    return;
  }
  setup.enc = new_encoder(choose_encoder(s.video_codec, s.video_codec_id, oc->oformat, filename, AVMEDIA_TYPE_VIDEO),
                          AVMEDIA_TYPE_VIDEO);
  AVCodecContext* enc = setup.enc.get();
  enc->thread_count = s.thread_count;
  if (s.video_codec_tag) enc->codec_tag = s.video_codec_tag;
  if (global_header) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  apply_video_settings(enc, s);
  setup.frame_width = s.frame_width;
  setup.frame_height = s.frame_height;
  setup.crop_top = s.crop_top;
  setup.crop_bottom = s.crop_bottom;
  setup.crop_left = s.crop_left;
  setup.crop_right = s.crop_right;
  // A negative or odd top pad passes the option handler with a warning; the bands need
  // non-negative even sizes, so it is rounded down to one.
  setup.pad_top = s.pad_top > 0 ? s.pad_top & ~1 : 0;
  setup.pad_bottom = s.pad_bottom;
  setup.pad_left = s.pad_left;
  setup.pad_right = s.pad_right;
  setup.pad_color[0] = s.pad_color.y;
  setup.pad_color[1] = s.pad_color.u;
  setup.pad_color[2] = s.pad_color.v;
  if (setup.pad_top != s.pad_top) enc->height = s.frame_height + setup.pad_top + s.pad_bottom;
  out.streams.push_back(std::move(setup));
}

void add_audio_stream(OutputFile& out, const char* filename, bool global_header) {
  const EngineSettings& s = g_settings;
  AVFormatContext* oc = out.ctx();
  OutputStreamSetup setup;
  setup.type = AVMEDIA_TYPE_AUDIO;
  setup.st = avformat_new_stream(oc, nullptr);
  if (!setup.st) engine_fail();
  setup.st->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
  if (s.audio_codec_tag) setup.st->codecpar->codec_tag = s.audio_codec_tag;
  if (s.audio_stream_copy) {
    setup.stream_copy = true;
    setup.copy_channels = s.audio_channels;
    setup.copy_sample_rate = s.audio_sample_rate;
    out.streams.push_back(std::move(setup));
    return;
  }
  setup.enc = new_encoder(choose_encoder(s.audio_codec, s.audio_codec_id, oc->oformat, filename, AVMEDIA_TYPE_AUDIO),
                          AVMEDIA_TYPE_AUDIO);
  AVCodecContext* enc = setup.enc.get();
  enc->thread_count = s.thread_count;
  if (s.audio_codec_tag) enc->codec_tag = s.audio_codec_tag;
  if (global_header) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  apply_audio_settings(enc, s);
  out.streams.push_back(std::move(setup));
}

bool file_exists(const char* name) {
  struct stat st{};
  return stat(name, &st) == 0;
}

}  // namespace

void open_output_file(const char* name) {
  EngineSettings& s = g_settings;
  EngineRun& run = engine_run();
  const std::string filename = std::strcmp(name, "-") == 0 ? "pipe:" : name;

  const AVOutputFormat* fmt = nullptr;
  if (!s.file_format.empty()) fmt = av_guess_format(s.file_format.c_str(), nullptr, nullptr);
  if (!fmt) fmt = av_guess_format(nullptr, filename.c_str(), nullptr);
  if (!fmt) {
    std::fprintf(stderr, "A>Unable for find a suitable output format for '%s'\n", filename.c_str());
    engine_fail();
  }
  AVFormatContext* oc = nullptr;
  if (avformat_alloc_output_context2(&oc, fmt, nullptr, filename.c_str()) < 0 || !oc) {
    std::fprintf(stderr, "A>Unable for find a suitable output format for '%s'\n", filename.c_str());
    engine_fail();
  }
  run.outputs.push_back(std::make_unique<OutputFile>(oc));
  OutputFile& out = *run.outputs.back();
  out.filename = filename;

  bool use_video = fmt->video_codec != AV_CODEC_ID_NONE || s.video_stream_copy;
  bool use_audio = fmt->audio_codec != AV_CODEC_ID_NONE || s.audio_stream_copy;
  if (!run.inputs.empty()) {
    use_video = use_video && inputs_have(AVMEDIA_TYPE_VIDEO);
    use_audio = use_audio && inputs_have(AVMEDIA_TYPE_AUDIO);
  }
  if (s.video_disable) use_video = false;
  if (s.audio_disable) use_audio = false;

  const bool global_header = wants_global_header(fmt->name);
  if (use_video) add_video_stream(out, filename.c_str(), global_header);
  if (use_audio) add_audio_stream(out, filename.c_str(), global_header);
  if (out.streams.empty()) {
    std::fputs("A>No audio or video streams available\n", stderr);
    engine_fail();
  }

  if (s.rec_timestamp) av_dict_set_int(&oc->metadata, "creation_time", s.rec_timestamp * 1000000, 0);
  if (!s.title.empty()) av_dict_set(&oc->metadata, "title", s.title.c_str(), 0);
  if (!s.author.empty()) av_dict_set(&oc->metadata, "author", s.author.c_str(), 0);
  if (!s.copyright.empty()) av_dict_set(&oc->metadata, "copyright", s.copyright.c_str(), 0);
  if (!s.comment.empty()) av_dict_set(&oc->metadata, "comment", s.comment.c_str(), 0);

  if ((fmt->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(filename.c_str())) {
    std::fprintf(stderr,
                 "A>%s: Incorrect image filename syntax.\nUse '%%d' to specify the image number:\n"
                 "  for img1.jpg, img2.jpg, ..., use 'img%%d.jpg';\n"
                 "  for img001.jpg, img002.jpg, ..., use 'img%%03d.jpg'.\n",
                 filename.c_str());
    engine_fail();
  }

  if (!(fmt->flags & AVFMT_NOFILE)) {
    const bool plain_file = filename.find(':') == std::string::npos || filename.rfind("file:", 0) == 0;
    if (!s.file_overwrite && plain_file) {
      const char* path = filename.rfind("file:", 0) == 0 ? filename.c_str() + 5 : filename.c_str();
      if (file_exists(path)) {
        if (run.using_stdin) {
          std::fprintf(stderr, "A>File '%s' already exists. Exiting.\n", filename.c_str());
          engine_fail();
        }
        // Nothing is read from the console: the host has no console, so the answer is yes.
        std::fprintf(stderr, "File '%s' already exists. Overwrite ? [y/N] ", filename.c_str());
        std::fflush(stderr);
      }
    }
    if (avio_open(&oc->pb, filename.c_str(), AVIO_FLAG_WRITE) < 0) {
      std::fprintf(stderr, "A>Could not open '%s'\n", filename.c_str());
      engine_fail();
    }
  }

  oc->packet_size = static_cast<unsigned>(s.mux_packet_size);
  oc->max_delay = static_cast<int>(s.mux_max_delay * 1000000);
  if (s.mux_rate) av_opt_set_int(oc, "muxrate", s.mux_rate, AV_OPT_SEARCH_CHILDREN);
  if (s.mux_preload > 0) av_opt_set_int(oc, "preload", static_cast<int64_t>(s.mux_preload * 1000000), AV_OPT_SEARCH_CHILDREN);
  out.mux_audio_bit_rate = s.mux_audio_bit_rate ? s.mux_audio_bit_rate : s.audio_bit_rate;
  out.mux_video_bit_rate = s.mux_video_bit_rate ? s.mux_video_bit_rate : s.video_bit_rate;

  clear_output_file_settings();
}

// open_input_file: the -i handler.
#include "iPod/input_file.h"

#include <cinttypes>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/pixdesc.h>
}

#include "iPod/engine_internal.h"
#include "iPod/engine_settings.h"
#include "iPod/engine_state.h"
#include "iPod/input_readers.h"

const char* input_open_error_format(int averror, bool format_recognised) {
  if (averror == AVERROR(ENOMEM)) return "A>%s: memory allocation error occured\n";
  if (averror == AVERROR_INVALIDDATA)
    return format_recognised ? "A>%s: Error while parsing header\n" : "A>%s: Unknown format\n";
  if (averror == AVERROR(EIO) || averror == AVERROR_EOF)
    return "A>%s: I/O error occured\nUsually that means that input file is truncated and/or corrupted.\n";
  if (averror == AVERROR(EINVAL))
    return "A>%s: Incorrect image filename syntax.\nUse '%%d' to specify the image number:\n"
           "  for img1.jpg, img2.jpg, ..., use 'img%%d.jpg';\n"
           "  for img001.jpg, img002.jpg, ..., use 'img%%03d.jpg'.\n";
  return "A>%s: Error while opening file\n";
}

namespace {

struct DictFree { void operator()(AVDictionary* d) const noexcept { av_dict_free(&d); } };

// Whether libavformat recognises the file's content at all (tells an unknown format from a
// damaged header of a known one).
bool content_recognised(const char* filename) {
  AVIOContext* io = nullptr;
  if (avio_open(&io, filename, AVIO_FLAG_READ) < 0) return false;
  const AVInputFormat* fmt = nullptr;
  const int ret = av_probe_input_buffer2(io, &fmt, filename, nullptr, 0, 0);
  avio_closep(&io);
  return ret >= 0 && fmt;
}

// The parameters a raw or capture demuxer takes from the settings; demuxers ignore the rest.
AVDictionary* format_parameters() {
  const EngineSettings& s = g_settings;
  AVDictionary* d = nullptr;
  if (s.frame_rate.num > 0)
    av_dict_set(&d, "framerate", (std::to_string(s.frame_rate.num) + "/" + std::to_string(s.frame_rate.den)).c_str(), 0);
  if (s.audio_sample_rate > 0) av_dict_set_int(&d, "sample_rate", s.audio_sample_rate, 0);
  if (s.audio_channels > 0) av_dict_set_int(&d, "channels", s.audio_channels, 0);
  const int w = s.frame_width + s.pad_left + s.pad_right;
  const int h = s.frame_height + s.pad_top + s.pad_bottom;
  if (w > 0 && h > 0) av_dict_set(&d, "video_size", (std::to_string(w) + "x" + std::to_string(h)).c_str(), 0);
  if (s.frame_pix_fmt != AV_PIX_FMT_NONE) av_dict_set(&d, "pixel_format", av_get_pix_fmt_name(s.frame_pix_fmt), 0);
  if (!s.video_standard.empty()) av_dict_set(&d, "standard", s.video_standard.c_str(), 0);
  if (s.video_channel) av_dict_set_int(&d, "channel", s.video_channel, 0);
  return d;
}

// Opens the file through its reader or through libavformat; a negative AVERROR on failure.
int open_context(const char* filename, const InputReader* reader, AVFormatContext** out) {
  if (reader) return reader->open(filename, out, reader->opaque);
  const EngineSettings& s = g_settings;
  const AVInputFormat* forced = nullptr;
  if (!s.file_format.empty()) forced = av_find_input_format(s.file_format.c_str());
  const char* device = s.grab_device.empty() ? filename : s.grab_device.c_str();
  AVFormatContext* ic = avformat_alloc_context();
  if (!ic) return AVERROR(ENOMEM);
  if (s.force_pgmyuv) ic->video_codec_id = AV_CODEC_ID_PGMYUV;
  if (s.audio_codec_id != AV_CODEC_ID_NONE) ic->audio_codec_id = s.audio_codec_id;
  std::unique_ptr<AVDictionary, DictFree> params(format_parameters());
  AVDictionary* p = params.release();
  const int ret = avformat_open_input(&ic, device, forced, &p);
  params.reset(p);
  *out = ic;
  return ret;
}

void adopt_stream_parameters(AVFormatContext* ic, int index, InputStreamSetup& setup) {
  EngineSettings& s = g_settings;
  AVStream* st = ic->streams[index];
  AVCodecParameters* par = st->codecpar;
  setup.thread_count = s.thread_count;
  switch (par->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      s.audio_sample_rate = par->sample_rate;
      s.audio_channels = par->ch_layout.nb_channels;
      if (s.audio_disable) st->discard = AVDISCARD_ALL;
      break;
    case AVMEDIA_TYPE_VIDEO: {
      s.frame_width = par->width;
      s.frame_height = par->height;
      const AVRational sar = par->sample_aspect_ratio.num ? par->sample_aspect_ratio : st->sample_aspect_ratio;
      s.frame_aspect_ratio = (sar.num && par->height) ? static_cast<float>(av_q2d(sar) * par->width / par->height) : 0.0f;
      s.frame_pix_fmt = static_cast<AVPixelFormat>(par->format);
      setup.workaround_bugs = s.workaround_bugs;
      setup.error_concealment = s.error_concealment;
      setup.idct_algo = s.idct_algo;
      setup.debug = s.debug;  // the motion-vector bit -me_threshold once added is gone
      setup.lowres = s.lowres;
      setup.bitexact = s.bitexact;
      const AVRational declared = st->avg_frame_rate;
      const AVRational real = st->r_frame_rate;
      if (declared.num && real.num && av_cmp_q(declared, real) != 0 && s.verbose >= 0) {
        std::fprintf(stderr, "\nSeems that stream %d comes from film source: %2.2f (%d/%d) -> %2.2f (%d/%d)\n", index,
                     av_q2d(declared), declared.num, declared.den, av_q2d(real), real.num, real.den);
      }
      if (real.num > 0) s.frame_rate = real;
      else if (declared.num > 0) s.frame_rate = declared;
      setup.rate_emu = s.rate_emu;
      if (s.video_disable) st->discard = AVDISCARD_ALL;
      break;
    }
    case AVMEDIA_TYPE_DATA:
      break;
    default:
      // Subtitle and attachment streams of real discs and files are not converted; leaving them
      // out keeps the run going where stopping would lose the whole file.
      st->discard = AVDISCARD_ALL;
      break;
  }
}

}  // namespace

void open_input_file(const char* name) {
  EngineSettings& s = g_settings;
  EngineRun& run = engine_run();
  const std::string filename = std::strcmp(name, "-") == 0 ? "pipe:" : name;
  if (filename.rfind("pipe:", 0) == 0 || filename == "/dev/stdin") run.using_stdin = true;

  const InputReader* reader = find_input_reader(filename);
  AVFormatContext* ic = nullptr;
  int ret = open_context(filename.c_str(), reader, &ic);
  if (ret >= 0 && !ic) ret = AVERROR_UNKNOWN;  // a reader that reported success without a context
  if (ret < 0) {
    // Probing reads the file again, which a pipe cannot give twice.
    const bool recognised = ret == AVERROR_INVALIDDATA && !reader && !run.using_stdin &&
                            content_recognised(filename.c_str());
    std::fprintf(stderr, input_open_error_format(ret, recognised), filename.c_str());
    clear_input_file_settings();
    return;
  }
  auto file = std::make_unique<InputFile>(ic, reader, s.input_ts_offset);

  if (avformat_find_stream_info(ic, nullptr) < 0 && s.verbose >= 0) {
    std::fprintf(stderr, "A>%s: could not find codec parameters\n", filename.c_str());
    clear_input_file_settings();
    return;  // `file` closes the input
  }

  if (s.start_time) {
    int64_t target = s.start_time;
    if (ic->start_time != AV_NOPTS_VALUE) target += ic->start_time;
    if (av_seek_frame(ic, -1, target, AVSEEK_FLAG_BACKWARD) < 0)
      std::fprintf(stderr, "A>%s: could not seek to position %0.3f\n", filename.c_str(), static_cast<double>(target) / AV_TIME_BASE);
    run.start_offset = s.start_time;
    s.start_time = 0;
  }

  file->streams.resize(ic->nb_streams);
  for (unsigned i = 0; i < ic->nb_streams; ++i) adopt_stream_parameters(ic, static_cast<int>(i), file->streams[i]);

  if (s.verbose >= 0) av_dump_format(ic, static_cast<int>(run.inputs.size()), filename.c_str(), 0);
  run.inputs.push_back(std::move(file));
  clear_input_file_settings();
}

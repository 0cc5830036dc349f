#include "frameserver/served_input.h"

#include <cmath>

#include "common/av_error.h"
#include "frameserver/decode_ahead.h"
#include "frameserver/nut_stream.h"
#include "frameserver/stream_clock.h"

namespace frameserver {
namespace {

constexpr int kReadBufferSize = 32 * 1024;
constexpr int kSynthRate = 48000;  // sample rate of the silent track

void log_error(const std::string& text) { av_log(nullptr, AV_LOG_ERROR, "frame server: %s\n", text.c_str()); }

// Everything one served input owns; the demuxer context's `opaque` points at it.
class Session {
 public:
  Session(std::unique_ptr<NutStream> nut, const dvd::StreamInfo& info, bool synth_silence,
          std::unique_ptr<dvd::TitleDecoder> decoder)
      : nut_(std::move(nut)),
        info_(info),
        synth_silence_(synth_silence),
        pictures_(info.frame_rate),
        ahead_(std::move(decoder), kDecodeAhead) {}

  av::IoContextPtr io;

  // The demuxer's read callback: the bytes written so far, producing more on demand; end of
  // file after the trailer; never "try again".
  int read(uint8_t* out, int size) {
    while (nut_->pending() == 0) {
      if (done_) return error_ < 0 ? error_ : AVERROR_EOF;
      produce();
    }
    return static_cast<int>(nut_->take(out, static_cast<std::size_t>(size)));
  }

 private:
  void produce() {
    dvd::DecodedUnit unit = ahead_.next();
    int ret = 0;
    switch (unit.kind) {
      case dvd::DecodedUnit::Kind::Picture:
        ret = put_picture(unit);
        break;
      case dvd::DecodedUnit::Kind::Sound:
        ret = put_sound(unit);
        break;
      case dvd::DecodedUnit::Kind::End:
        end(0);
        return;
      case dvd::DecodedUnit::Kind::Error:
        log_error(unit.error.empty() ? "the title could not be decoded" : unit.error);
        end(AVERROR(EIO));
        return;
    }
    if (ret < 0) {
      log_error("cannot serve the decoded title: " + av::error_text(ret));
      end(ret);
    }
  }

  int put_picture(const dvd::DecodedUnit& unit) {
    if (!unit.frame) return AVERROR(EINVAL);
    // A picture from before the range start (decoding lead-in) is not part of the range.
    if (unit.time < -0.5 * av_q2d(av_inv_q(info_.frame_rate))) return 0;
    const int64_t pts = pictures_.stamp(unit.time);
    if (synth_silence_) {
      // Silence runs one picture ahead, so the demuxer never waits long on the quiet stream.
      const int ret = silence_until(pictures_.end_seconds());
      if (ret < 0) return ret;
    }
    return nut_->write_picture(*unit.frame, pts);
  }

  int put_sound(const dvd::DecodedUnit& unit) {
    const AVFrame* f = unit.frame.get();
    if (!nut_->has_sound() || synth_silence_ || !f || f->nb_samples <= 0) return 0;
    if (f->format != AV_SAMPLE_FMT_S16 || f->ch_layout.nb_channels != 2 || f->sample_rate != info_.sample_rate)
      return AVERROR(EINVAL);
    const SoundPlacement at = place_sound(next_sample_, unit.time, info_.sample_rate, f->nb_samples,
                                          info_.sample_rate / 50);
    if (at.skip >= f->nb_samples) return 0;
    const auto* samples = reinterpret_cast<const int16_t*>(f->data[0]) + 2 * at.skip;
    const int count = f->nb_samples - at.skip;
    next_sample_ = at.pts + count;
    return nut_->write_sound(samples, count, at.pts);
  }

  int silence_until(double seconds) {
    const int64_t until = std::llround(seconds * kSynthRate);
    if (until <= next_sample_) return 0;
    const int ret = nut_->write_silence(next_sample_, until);
    next_sample_ = until;
    return ret;
  }

  void end(int error) {
    done_ = true;
    error_ = error;
    if (synth_silence_ && error == 0) {
      const int ret = silence_until(pictures_.end_seconds());
      if (ret < 0) error_ = ret;
    }
    const int ret = nut_->finish();
    if (ret < 0 && error_ == 0) error_ = ret;
  }

  std::unique_ptr<NutStream> nut_;
  dvd::StreamInfo info_;
  bool synth_silence_;
  PictureClock pictures_;
  int64_t next_sample_ = 0;
  bool done_ = false;
  int error_ = 0;
  DecodeAhead ahead_;  // last: its worker stops before the rest goes
};

int read_callback(void* opaque, uint8_t* buffer, int size) {
  try {  // called from the demuxer's C code: nothing may be thrown through it
    return static_cast<Session*>(opaque)->read(buffer, size);
  } catch (...) {
    return AVERROR(ENOMEM);
  }
}

}  // namespace

int open_served_input(const ServerParameters& parameters, const DecoderFactory& open_decoder, AVFormatContext** out) {
  *out = nullptr;
  const dvd::TitleRequest request = title_request(parameters);
  std::string reason;
  std::unique_ptr<dvd::TitleDecoder> decoder = open_decoder(request, &reason);
  if (!decoder) {
    log_error(reason.empty() ? "cannot open the title" : reason);
    return AVERROR(ENOENT);
  }
  const dvd::StreamInfo info = decoder->info();
  if (info.width <= 0 || info.height <= 0 || info.frame_rate.num <= 0 || info.frame_rate.den <= 0 ||
      (info.has_audio && info.sample_rate <= 0)) {
    log_error("the title's picture or sound format is unusable");
    return AVERROR_INVALIDDATA;
  }
  const bool synth_silence = !info.has_audio && parameters.synth == 1;

  NutLayout layout;
  layout.width = info.width;
  layout.height = info.height;
  layout.picture_rate = info.frame_rate;
  layout.sample_rate = info.has_audio ? info.sample_rate : synth_silence ? kSynthRate : 0;
  int ret = 0;
  std::unique_ptr<NutStream> nut = NutStream::create(layout, &ret);
  if (!nut) {
    log_error("cannot start the stream: " + av::error_text(ret));
    return ret;
  }

  auto session = std::make_unique<Session>(std::move(nut), info, synth_silence, std::move(decoder));
  auto* buffer = static_cast<uint8_t*>(av_malloc(kReadBufferSize));
  if (!buffer) return AVERROR(ENOMEM);
  session->io.reset(avio_alloc_context(buffer, kReadBufferSize, 0, session.get(), &read_callback, nullptr, nullptr));
  if (!session->io) {
    av_free(buffer);
    return AVERROR(ENOMEM);
  }

  AVFormatContext* context = avformat_alloc_context();
  if (!context) return AVERROR(ENOMEM);
  context->pb = session->io.get();
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  ret = avformat_open_input(&context, "", av_find_input_format("nut"), nullptr);  // frees context on failure
  if (ret < 0) {
    log_error("cannot read the served stream: " + av::error_text(ret));
    return ret;
  }
  // NUT carries no frame rate: declare the asked one before anyone probes the stream.
  const AVRational declared = declared_frame_rate(parameters.fps, info.frame_rate);
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    AVStream* stream = context->streams[i];  // borrowed
    if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    stream->avg_frame_rate = declared;
    stream->r_frame_rate = declared;
  }
  context->opaque = session.release();
  *out = context;
  return 0;
}

void close_served_input(AVFormatContext* context) {
  if (!context) return;
  std::unique_ptr<Session> session(static_cast<Session*>(context->opaque));
  context->opaque = nullptr;
  avformat_close_input(&context);  // custom I/O: the session frees its own AVIOContext
}

}  // namespace frameserver

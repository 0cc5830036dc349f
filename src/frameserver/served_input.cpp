#include "frameserver/served_input.h"


#include "common/av_error.h"
#include "frameserver/mux_ahead.h"
#include "frameserver/nut_stream.h"
#include "frameserver/unit_writer.h"

namespace frameserver {
namespace {

constexpr int kReadBufferSize = 32 * 1024;

void log_error(const std::string& text) { av_log(nullptr, AV_LOG_ERROR, "frame server: %s\n", text.c_str()); }

// Everything one served input owns; the demuxer context's `opaque` points at it.
struct Session {
  av::IoContextPtr io;
  std::unique_ptr<MuxAhead> ahead;  // stops its worker before io goes
};

// The demuxer's read callback: the stream's bytes, end of file after the trailer (or the error
// that cut the range short), never "try again".
int read_callback(void* opaque, uint8_t* buffer, int size) {
  try {  // called from the demuxer's C code: nothing may be thrown through it
    return static_cast<Session*>(opaque)->ahead->read(buffer, size);
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

  std::vector<uint8_t> header;
  nut->take_bytes(&header);
  auto session = std::make_unique<Session>();
  session->ahead = std::make_unique<MuxAhead>(
      std::move(decoder), std::make_unique<UnitWriter>(std::move(nut), info, synth_silence), std::move(header),
      kDecodeAhead);
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

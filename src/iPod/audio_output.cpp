// write_audio: start alignment and drift compensation, resampling, framing to the encoder's frame
// size, encoding. Samples stay 16-bit interleaved up to the encoder, which gets its own format.
#include <algorithm>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "iPod/audio_sync.h"
#include "iPod/engine_settings.h"
#include "iPod/transcode.h"

namespace {

// Silence put in front of the first block when the input starts late; grows to the request and
// lives for the process.
std::vector<uint8_t>& silence_prefix() {
  static std::vector<uint8_t> buffer;
  return buffer;
}

// 16-bit interleaved samples into the encoder's frame (its sample format and layout).
bool fill_encoder_frame(OutputStreamState& ost, const int16_t* in, int samples) {
  AVCodecContext* enc = ost.enc;
  AVFrame* frame = ost.audio_frame.get();
  const int channels = enc->ch_layout.nb_channels;
  if (frame->nb_samples != samples || !frame->data[0] || !av_frame_is_writable(frame)) {
    av_frame_unref(frame);
    frame->format = enc->sample_fmt;
    frame->nb_samples = samples;
    frame->sample_rate = enc->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0) return false;
    if (av_frame_get_buffer(frame, 0) < 0) return false;
  }
  switch (enc->sample_fmt) {
    case AV_SAMPLE_FMT_S16:
      std::memcpy(frame->data[0], in, static_cast<size_t>(samples) * channels * 2);
      break;
    case AV_SAMPLE_FMT_FLTP:
      for (int c = 0; c < channels; ++c) {
        auto* out = reinterpret_cast<float*>(frame->extended_data[c]);
        for (int i = 0; i < samples; ++i) out[i] = in[i * channels + c] * (1.0f / 32768.0f);
      }
      break;
    case AV_SAMPLE_FMT_FLT: {
      auto* out = reinterpret_cast<float*>(frame->data[0]);
      for (int i = 0; i < samples * channels; ++i) out[i] = in[i] * (1.0f / 32768.0f);
      break;
    }
    case AV_SAMPLE_FMT_S16P:
      for (int c = 0; c < channels; ++c) {
        auto* out = reinterpret_cast<int16_t*>(frame->extended_data[c]);
        for (int i = 0; i < samples; ++i) out[i] = in[i * channels + c];
      }
      break;
    default: {
      if (!ost.encoder_converter) {
        SwrContext* swr = nullptr;
        if (swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &enc->ch_layout,
                                AV_SAMPLE_FMT_S16, enc->sample_rate, 0, nullptr) < 0)
          return false;
        ost.encoder_converter.reset(swr);
        if (swr_init(swr) < 0) return false;
      }
      const auto* src = reinterpret_cast<const uint8_t*>(in);
      if (swr_convert(ost.encoder_converter.get(), frame->extended_data, samples, &src, samples) != samples) return false;
      break;
    }
  }
  return true;
}

// Sends one frame (or, with none, the end) and writes every packet the encoder gives back.
void encode_audio(Transcode& t, OutputStreamState& ost, AVFrame* frame) {
  if (avcodec_send_frame(ost.enc, frame) < 0 && frame) return;
  AVPacket* pkt = t.out_packet.get();
  while (avcodec_receive_packet(ost.enc, pkt) >= 0) {
    t.audio_size += pkt->size;
    pkt->flags |= AV_PKT_FLAG_KEY;
    ++ost.frame_number;
    write_output_packet(t, ost, pkt, ost.enc->time_base);
    av_packet_unref(pkt);
  }
}

}  // namespace

void write_audio(Transcode& t, OutputStreamState& ost, InputStreamState& ist, const uint8_t* buf, int size) {
  using Action = AudioSyncDecision::Action;
  AVCodecContext* enc = ost.enc;
  const int out_channels = enc->ch_layout.nb_channels;
  const int in_channels = ist.last_channels;
  const int in_rate = ist.last_sample_rate;
  if (out_channels <= 0 || in_channels <= 0) return;

  const AudioSyncDecision sync = decide_audio_sync(AudioSyncInput{
      g_settings.audio_sync_method, ost.sync_ipts, ost.sync_opts, av_audio_fifo_size(ost.fifo.get()), enc->sample_rate,
      in_rate, in_channels, size, ist.is_start});
  switch (sync.action) {
    case Action::None:
      break;
    case Action::SetPosition:
      ost.sync_opts = sync.position;
      break;
    case Action::Drop:
      if (g_settings.verbose > 2) std::fprintf(stderr, "discarding %d audio samples\n", static_cast<int>(-sync.delta));
      buf += sync.bytes;
      size -= sync.bytes;
      if (size <= 0) return;
      ist.is_start = false;
      break;
    case Action::Pad: {
      std::vector<uint8_t>& prefix = silence_prefix();
      const size_t total = static_cast<size_t>(sync.bytes) + static_cast<size_t>(size);
      if (prefix.size() < total) prefix.resize(total);
      std::memset(prefix.data(), 0, static_cast<size_t>(sync.bytes));
      std::memcpy(prefix.data() + sync.bytes, buf, static_cast<size_t>(size));
      if (g_settings.verbose > 2) std::fprintf(stderr, "adding %d audio samples of silence\n", static_cast<int>(sync.delta));
      if (sync.clears_start) ist.is_start = false;
      buf = prefix.data();
      size = static_cast<int>(total);
      break;
    }
    case Action::Compensate:
      if (g_settings.verbose > 2)
        std::fprintf(stderr, "compensating audio timestamp drift:%f compensation:%d in:%d\n", sync.delta,
                     sync.compensation, enc->sample_rate);
      if (ost.resampler) swr_set_compensation(ost.resampler.get(), sync.compensation, enc->sample_rate);
      break;
  }
  if (sync.action != Action::Drop && sync.action != Action::Pad && std::abs(sync.delta) <= 50.0 &&
      g_settings.audio_sync_method > 0)
    ist.is_start = false;

  int samples = size / (in_channels * 2);
  const uint8_t* data = buf;
  if (ost.audio_resample) {
    const int room = swr_get_out_samples(ost.resampler.get(), samples);
    if (room < 0) return;
    const size_t need = static_cast<size_t>(room) * out_channels * 2;
    if (ost.resampled.size() < need) ost.resampled.resize(std::max<size_t>(need, 262144));
    uint8_t* out = ost.resampled.data();
    samples = swr_convert(ost.resampler.get(), &out, room, &data, samples);
    if (samples < 0) return;
    data = out;
  }

  const int frame_size = enc->frame_size;
  if (frame_size > 1) {
    void* planes[1] = {const_cast<uint8_t*>(data)};
    if (samples > 0 && av_audio_fifo_write(ost.fifo.get(), planes, samples) < samples) return;
    const size_t frame_values = static_cast<size_t>(frame_size) * out_channels;
    if (ost.frame_samples.size() < frame_values) ost.frame_samples.resize(frame_values);
    while (av_audio_fifo_size(ost.fifo.get()) >= frame_size) {
      void* out[1] = {ost.frame_samples.data()};
      av_audio_fifo_read(ost.fifo.get(), out, frame_size);
      if (!fill_encoder_frame(ost, ost.frame_samples.data(), frame_size)) return;
      ost.audio_frame->pts = ost.sync_opts;
      encode_audio(t, ost, ost.audio_frame.get());
      ost.sync_opts += frame_size;
    }
  } else if (samples > 0) {
    // Encoders without a fixed frame (PCM) take each block whole.
    if (!fill_encoder_frame(ost, reinterpret_cast<const int16_t*>(data), samples)) return;
    ost.audio_frame->pts = ost.sync_opts;
    ost.sync_opts += samples;
    encode_audio(t, ost, ost.audio_frame.get());
  }
}

void flush_encoder(Transcode& t, OutputStreamState& ost) {
  if (ost.type == AVMEDIA_TYPE_AUDIO) {
    if (ost.enc->frame_size <= 1) return;
    encode_audio(t, ost, nullptr);
    return;
  }
  if (ost.type != AVMEDIA_TYPE_VIDEO) return;
  if (avcodec_send_frame(ost.enc, nullptr) < 0) return;
  AVPacket* pkt = t.out_packet.get();
  while (avcodec_receive_packet(ost.enc, pkt) >= 0) {
    t.video_size += pkt->size;
    if (ost.pass1_log && ost.enc->stats_out) std::fputs(ost.enc->stats_out, ost.pass1_log.get());
    if (pkt->duration <= 0) pkt->duration = 1;
    write_output_packet(t, ost, pkt, ost.enc->time_base);
    av_packet_unref(pkt);
  }
}

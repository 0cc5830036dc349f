// Second half of a transcode: the packet loop, packet decoding, stream copy, draining, trailers.
// libavutil/common.h (pulled in below) wants the C99 constant macros in C++.
#define __STDC_CONSTANT_MACROS
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <chrono>
#include <thread>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
}

#include "common/av_error.h"
#include "iPod/engine_settings.h"
#include "iPod/host_hooks.h"
#include "iPod/timing.h"
#include "iPod/transcode.h"

double output_seconds(const OutputStreamState& ost) {
  if (ost.stream_copy)
    return ost.last_pts_micros == AV_NOPTS_VALUE ? 0.0 : timing::micros_to_seconds(ost.last_pts_micros);
  if (ost.type == AVMEDIA_TYPE_VIDEO) return timing::frames_to_seconds(ost.sync_opts, ost.enc->framerate);
  return ost.enc->sample_rate ? static_cast<double>(ost.sync_opts) / ost.enc->sample_rate : 0.0;
}

void write_output_packet(Transcode& t, OutputStreamState& ost, AVPacket* pkt, AVRational from) {
  size_t stats_size = 0;
  if (const uint8_t* stats = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &stats_size); stats && stats_size >= 4) {
    ost.last_quality = static_cast<float>(AV_RL32(stats));
    if (stats_size >= 5) ost.last_pict_type = stats[4];
    const int errors = stats_size >= 6 ? stats[5] : 0;
    for (int i = 0; i < errors && i < 3 && stats_size >= 8 + 8 * static_cast<size_t>(i + 1); ++i) {
      ost.psnr_error[i] = AV_RL64(stats + 8 + 8 * i);
      ost.psnr_total[i] += ost.psnr_error[i];
    }
  }
  pkt->stream_index = ost.index;
  av_packet_rescale_ts(pkt, from, ost.st->time_base);
  const int ret = av_interleaved_write_frame(engine_run().outputs[ost.file_index]->ctx(), pkt);
  if (ret < 0 && !t.write_failed) {
    std::fprintf(stderr, "A>Could not write to output file #%d (%s)\n", ost.file_index, av::error_text(ret).c_str());
    t.write_failed = true;
  }
}

void apply_volume(int16_t* samples, int count, int volume) {
  for (int i = 0; i < count; ++i) {
    const int v = samples[i] * volume / 100;
    samples[i] = static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
  }
}

namespace {

// The decoded audio frame as 16-bit interleaved samples: points into the frame when it already is
// (and nothing will change it), else into the stream's sample buffer.
const uint8_t* to_s16(InputStreamState& ist, AVFrame* frame, int* bytes, bool writable) {
  const int channels = frame->ch_layout.nb_channels;
  const int size = frame->nb_samples * channels * 2;
  *bytes = size;
  if (frame->format == AV_SAMPLE_FMT_S16 && !writable) return frame->data[0];
  // The buffer grows to the larger of the request and 131072 bytes, with room to spare.
  if (ist.samples.size() < static_cast<size_t>(size)) {
    const size_t want = std::max<size_t>(size, 131072);
    ist.samples.resize(std::max(want, want * 17 / 16 + 32));
  }
  if (frame->format == AV_SAMPLE_FMT_S16) {
    std::memcpy(ist.samples.data(), frame->data[0], static_cast<size_t>(size));
    return ist.samples.data();
  }
  if (!ist.to_s16 || ist.to_s16_format != frame->format) {
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &frame->ch_layout, AV_SAMPLE_FMT_S16, frame->sample_rate, &frame->ch_layout,
                            static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr) < 0) {
      *bytes = 0;
      return nullptr;
    }
    ist.to_s16.reset(swr);
    if (swr_init(swr) < 0) {
      ist.to_s16.reset();
      *bytes = 0;
      return nullptr;
    }
    ist.to_s16_format = static_cast<AVSampleFormat>(frame->format);
  }
  uint8_t* out = ist.samples.data();
  const int got = swr_convert(ist.to_s16.get(), &out, frame->nb_samples, const_cast<const uint8_t**>(frame->extended_data),
                              frame->nb_samples);
  *bytes = got > 0 ? got * channels * 2 : 0;
  return out;
}

// The decoder switched rate or channel count: re-plan every output it feeds.
void audio_format_changed(Transcode& t, int ist_index, int rate, int channels) {
  InputStreamState& ist = t.ist[ist_index];
  for (OutputStreamState& ost : t.ost) {
    if (ost.source != ist_index) continue;
    if (ost.stream_copy) {
      ost.st->codecpar->sample_rate = rate;
      continue;
    }
    plan_audio_output(ost, ist, rate, channels);
  }
  ist.to_s16.reset();
  ist.last_sample_rate = rate;
  ist.last_channels = channels;
  std::fprintf(stderr, "\nChanged audio rate : sample_rate:%d  channels:%d\n", rate, channels);
}

void emulate_rate(InputStreamState& ist, AVRational rate) {
  if (!ist.emu_start || !rate.num) return;
  const int64_t due = av_rescale(ist.emu_frames, static_cast<int64_t>(rate.den) * timing::kMicrosPerSecond, rate.num);
  const int64_t elapsed = engine_clock_micros() - ist.emu_start;
  if (due > elapsed) std::this_thread::sleep_for(std::chrono::milliseconds((due - elapsed) / 1000));
  ++ist.emu_frames;
}

AVRational decoder_frame_rate(const InputStreamState& ist) {
  if (ist.dec && ist.dec->framerate.num) return ist.dec->framerate;
  if (ist.st->avg_frame_rate.num) return ist.st->avg_frame_rate;
  return ist.st->r_frame_rate;
}

bool dispatch_allowed(const Transcode& t, const InputStreamState& ist) {
  return !t.start_offset || ist.pts >= t.start_offset;
}

void dispatch_decoded(Transcode& t, int ist_index, AVFrame* frame) {
  InputStreamState& ist = t.ist[ist_index];
  const InputFile& file = *engine_run().inputs[ist.file_index];
  const bool audio = ist.dec->codec_type == AVMEDIA_TYPE_AUDIO;
  if (audio) {
    const int channels = frame->ch_layout.nb_channels;
    if (frame->sample_rate != ist.last_sample_rate || channels != ist.last_channels)
      audio_format_changed(t, ist_index, frame->sample_rate, channels);
  }
  if (ist.next_pts != AV_NOPTS_VALUE) ist.pts = ist.next_pts;

  int bytes = 0;
  const uint8_t* samples = nullptr;
  AVFrame* picture = frame;
  if (audio) {
    samples = to_s16(ist, frame, &bytes, g_settings.audio_volume != 100);
    if (bytes <= 0) return;
    if (ist.next_pts != AV_NOPTS_VALUE)
      ist.next_pts += timing::pcm_bytes_to_micros(bytes, frame->sample_rate, frame->ch_layout.nb_channels);
    if (g_settings.audio_volume != 100)
      apply_volume(reinterpret_cast<int16_t*>(ist.samples.data()), bytes / 2, g_settings.audio_volume);
  } else {
    ist.quality = static_cast<float>(frame->quality);
    const AVRational rate = decoder_frame_rate(ist);
    if (ist.next_pts != AV_NOPTS_VALUE && rate.num) ist.next_pts += timing::frame_duration_micros(rate);
    picture = preprocess_picture(ist, frame);
  }
  emulate_rate(ist, decoder_frame_rate(ist));
  if (!dispatch_allowed(t, ist)) return;
  for (OutputStreamState& ost : t.ost) {
    if (ost.source != ist_index || !ost.encoding_needed) continue;
    ost.sync_ipts = timing::input_seconds(file.ts_offset, ist.pts, t.start_offset);
    if (audio) {
      write_audio(t, ost, ist, samples, bytes);
    } else {
      int frame_size = 0;
      write_video(t, ost, ist, picture, &frame_size);
      t.video_size += frame_size;
      if (g_settings.do_vstats && frame_size) write_video_statistics(t, ost, frame_size);
    }
  }
}

void copy_packet(Transcode& t, int ist_index, AVPacket* pkt) {
  InputStreamState& ist = t.ist[ist_index];
  const InputFile& file = *engine_run().inputs[ist.file_index];
  const bool audio = ist.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
  if (ist.next_pts != AV_NOPTS_VALUE) {
    if (pkt->duration > 0) {
      ist.next_pts += timing::to_micros(pkt->duration, ist.st->time_base);
    } else if (!audio) {
      ist.next_pts += timing::frame_duration_micros(decoder_frame_rate(ist));
    }
  }
  if (!dispatch_allowed(t, ist)) return;
  const int64_t offset = timing::from_micros(file.ts_offset, ist.st->time_base);
  for (OutputStreamState& ost : t.ost) {
    if (ost.source != ist_index || !ost.stream_copy) continue;
    if (av_packet_ref(t.out_packet.get(), pkt) < 0) continue;
    AVPacket* out = t.out_packet.get();
    if (out->pts != AV_NOPTS_VALUE) out->pts += offset;
    if (out->dts != AV_NOPTS_VALUE) out->dts += offset;
    if (out->dts != AV_NOPTS_VALUE) ost.last_pts_micros = timing::to_micros(out->dts, ist.st->time_base);
    (audio ? t.audio_size : t.video_size) += out->size;
    if (!audio) ++ost.sync_opts;
    ++ost.frame_number;
    write_output_packet(t, ost, out, ist.st->time_base);
    av_packet_unref(out);
  }
}

// Decodes one packet (or, with none, drains the decoder) and hands what comes out to the
// outputs. -1 when the decoder reports an error.
int process_input_packet(Transcode& t, int ist_index, AVPacket* pkt) {
  InputStreamState& ist = t.ist[ist_index];
  if (pkt && pkt->dts != AV_NOPTS_VALUE) ist.next_pts = ist.pts = timing::to_micros(pkt->dts, ist.st->time_base);
  if (!pkt && ist.next_pts != AV_NOPTS_VALUE) ist.pts = ist.next_pts;

  if (!ist.decoding_needed) {
    if (pkt) copy_packet(t, ist_index, pkt);
    return 0;
  }
  int ret = avcodec_send_packet(ist.dec.get(), pkt);
  const bool send_failed = ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF;
  for (;;) {
    ret = avcodec_receive_frame(ist.dec.get(), ist.frame.get());
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
    if (ret < 0) return -1;
    dispatch_decoded(t, ist_index, ist.frame.get());
    av_frame_unref(ist.frame.get());
  }
  if (send_failed) return -1;
  if (!pkt) {
    for (OutputStreamState& ost : t.ost)
      if (ost.source == ist_index && ost.encoding_needed) flush_encoder(t, ost);
  }
  return 0;
}

// The input file to read next: the one feeding the output that is furthest behind. -1 when every
// input has ended or a frame limit is reached (*limit_reached).
int choose_input(const Transcode& t, double* min_time, bool* limit_reached) {
  const EngineSettings& s = g_settings;
  const EngineRun& run = engine_run();
  int file = -1;
  *min_time = 1e300;
  *limit_reached = false;
  for (const OutputStreamState& ost : t.ost) {
    const int limit = ost.type == AVMEDIA_TYPE_VIDEO ? s.max_video_frames
                      : ost.type == AVMEDIA_TYPE_AUDIO ? s.max_audio_frames : s.max_data_frames;
    if (ost.frame_number >= limit) {
      *limit_reached = true;
      return -1;
    }
    const InputStreamState& ist = t.ist[ost.source];
    if (run.inputs[ist.file_index]->eof_reached) continue;
    const double seconds = output_seconds(ost);
    if (seconds < *min_time) {
      *min_time = seconds;
      file = ist.file_index;
    }
  }
  return file;
}

void absorb_discontinuity(Transcode& t, InputFile& file, InputStreamState& ist, const AVPacket* pkt) {
  if (pkt->dts == AV_NOPTS_VALUE || ist.next_pts == AV_NOPTS_VALUE || g_settings.copy_ts) return;
  const int64_t delta = timing::to_micros(pkt->dts, ist.st->time_base) - ist.next_pts;
  if (std::llabs(delta) <= timing::kDiscontinuityMicros) return;
  file.ts_offset -= delta;
  if (g_settings.verbose > 2)
    std::fprintf(stderr, "timestamp discontinuity %" PRId64 ", new offset= %" PRId64 "\n", delta, file.ts_offset);
  for (InputStreamState& other : t.ist) {
    if (other.file_index != ist.file_index) continue;
    if (other.next_pts != AV_NOPTS_VALUE) other.next_pts += delta;
    other.is_start = true;
  }
}

}  // namespace

void run_transcode_loop(Transcode& t) {
  EngineRun& run = engine_run();
  const EngineSettings& s = g_settings;
  AVPacket* pkt = t.packet.get();
  while (!stop_requested && !t.write_failed) {
    double min_time = 0;
    bool limit_reached = false;
    const int file_index = choose_input(t, &min_time, &limit_reached);
    if (file_index < 0) break;
    if (s.recording_time && min_time >= timing::micros_to_seconds(s.recording_time)) break;
    if (s.limit_filesize && run.outputs[0]->ctx()->pb &&
        static_cast<int64_t>(s.limit_filesize) * 1024 < avio_tell(run.outputs[0]->ctx()->pb))
      break;
    InputFile& file = *run.inputs[file_index];
    if (av_read_frame(file.ctx(), pkt) < 0) {
      file.eof_reached = true;
      if (s.opt_shortest) break;
      continue;
    }
    const bool known = pkt->stream_index >= 0 && pkt->stream_index < static_cast<int>(file.ctx()->nb_streams);
    if (s.do_pkt_dump && known) av_pkt_dump2(stdout, pkt, s.do_hex_dump, file.ctx()->streams[pkt->stream_index]);
    const int ist_index = file.first_stream + pkt->stream_index;
    if (known && !t.ist[ist_index].discard) {
      absorb_discontinuity(t, file, t.ist[ist_index], pkt);
      if (process_input_packet(t, ist_index, pkt) < 0) {
        if (s.verbose >= 0)
          std::fprintf(stderr, "A>Error while decoding stream #%d.%d\n", file_index, pkt->stream_index);
        av_packet_unref(pkt);
        continue;
      }
    }
    av_packet_unref(pkt);
    print_report(t, false);
    pump_window_messages();
  }

  for (size_t i = 0; i < t.ist.size(); ++i)
    if (t.ist[i].decoding_needed) process_input_packet(t, static_cast<int>(i), nullptr);

  for (size_t f = 0; f < run.outputs.size(); ++f) {
    OutputFile& out = *run.outputs[f];
    if (!out.header_written) continue;
    int ret = av_write_trailer(out.ctx());
    if (f == 0 && out.ctx()->pb) t.final_bytes = avio_tell(out.ctx()->pb);
    const int closed = out.close_io();
    if (ret >= 0) ret = closed;
    if (ret < 0) {
      std::fprintf(stderr, "A>Could not write trailer for output file #%zu (%s)\n", f, av::error_text(ret).c_str());
      t.write_failed = true;
    }
  }
  print_report(t, true);
}

void run_transcode() {
  Transcode t;
  t.start_offset = g_settings.start_time ? g_settings.start_time : engine_run().start_offset;
  if (!set_up_transcode(t)) {
    engine_run().failed = true;
    return;
  }
  run_transcode_loop(t);  // skips the packet loop when a stop came during the set-up
  if (t.write_failed) engine_run().failed = true;
}

// Reads an opened input the way the engine does (probe, then every packet to the end) and
// keeps what the frame-server tests look at.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/av_ptr.h"

namespace testing_support {

struct Drained {
  int probe_result = 0;
  int end_code = 0;                  // what av_read_frame returned last
  int video_index = -1, audio_index = -1;
  std::vector<double> picture_times;  // seconds
  std::vector<uint8_t> picture_luma;  // first luma byte of each picture
  std::vector<int> picture_bytes;
  std::vector<int16_t> sound;         // interleaved stereo, every sample read
  double first_sound_time = -1;
  bool sound_contiguous = true;       // every sound packet starts where the last one ended
};

inline Drained drain_input(AVFormatContext* ctx, int max_pictures = -1) {
  Drained d;
  d.probe_result = avformat_find_stream_info(ctx, nullptr);
  d.video_index = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  d.audio_index = av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  av::PacketPtr packet(av_packet_alloc());
  int64_t next_sound = -1;
  for (;;) {
    if (max_pictures >= 0 && static_cast<int>(d.picture_times.size()) >= max_pictures) break;
    d.end_code = av_read_frame(ctx, packet.get());
    if (d.end_code < 0) break;
    const AVStream* st = ctx->streams[packet->stream_index];
    if (packet->stream_index == d.video_index) {
      d.picture_times.push_back(packet->pts * av_q2d(st->time_base));
      d.picture_luma.push_back(packet->size > 0 ? packet->data[0] : 0);
      d.picture_bytes.push_back(packet->size);
    } else if (packet->stream_index == d.audio_index) {
      const int64_t samples = packet->size / 4;
      const int64_t pts = av_rescale_q(packet->pts, st->time_base, {1, st->codecpar->sample_rate});
      if (d.first_sound_time < 0) d.first_sound_time = packet->pts * av_q2d(st->time_base);
      if (next_sound >= 0 && std::llabs(pts - next_sound) > 1) d.sound_contiguous = false;
      next_sound = pts + samples;
      const auto* s = reinterpret_cast<const int16_t*>(packet->data);
      d.sound.insert(d.sound.end(), s, s + samples * 2);
    }
    av_packet_unref(packet.get());
  }
  return d;
}

}  // namespace testing_support

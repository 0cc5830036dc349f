// Writes raw YUV 4:2:0 pictures and 16-bit stereo PCM as a NUT stream into memory, for a
// demuxer to read back through a custom AVIOContext. Nothing touches the disk. Single owner,
// one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/av_ptr.h"

namespace frameserver {

struct NutLayout {
  int width = 0, height = 0;   // of every picture
  AVRational picture_rate{0, 1};  // picture stamps count in 1/picture_rate
  int sample_rate = 0;         // 0: no sound stream
};

class NutStream {
 public:
  // Writes the header into the byte queue. nullptr and *error (an AVERROR) on failure.
  static std::unique_ptr<NutStream> create(const NutLayout& layout, int* error);
  ~NutStream();
  NutStream(const NutStream&) = delete;
  NutStream& operator=(const NutStream&) = delete;

  // Each returns 0 or an AVERROR. `picture` must be YUV 4:2:0 at the layout's size.
  int write_picture(const AVFrame& picture, int64_t pts);
  // `samples`: interleaved 16-bit stereo (null: silence); pts in samples.
  int write_sound(const int16_t* samples, int nb_samples, int64_t pts);
  int write_silence(int64_t from, int64_t until);  // samples [from, until)
  int finish();  // the trailer; nothing may be written after it

  bool has_sound() const { return layout_.sample_rate > 0; }
  // Hands the bytes written since the last call over in *out, taking out's (emptied) storage
  // in exchange so its capacity serves the next writes.
  void take_bytes(std::vector<uint8_t>* out);

 private:
  explicit NutStream(const NutLayout& layout) : layout_(layout) {}
  static int on_write(void* opaque, uint8_t* data, int size);
  int write_packet(AVPacket* packet, int stream_index, AVRational time_base);

  NutLayout layout_;
  std::vector<uint8_t> bytes_;
  av::IoContextPtr io_;
  av::PacketPtr picture_packet_;      // reused for every picture
  AVFormatContext* muxer_ = nullptr;  // owned; freed in the destructor
  bool finished_ = false;
};

}  // namespace frameserver

#include "frameserver/nut_stream.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
}

namespace frameserver {
namespace {

constexpr int kIoBufferSize = 64 * 1024;
constexpr int kSilenceChunk = 1024;  // samples per packet of synthesised silence

}  // namespace

std::unique_ptr<NutStream> NutStream::create(const NutLayout& layout, int* error) {
  std::unique_ptr<NutStream> nut(new NutStream(layout));
  auto fail = [&](int code) { *error = code; return nullptr; };

  if (layout.width <= 0 || layout.height <= 0 || layout.picture_rate.num <= 0 || layout.picture_rate.den <= 0)
    return fail(AVERROR(EINVAL));
  int ret = avformat_alloc_output_context2(&nut->muxer_, nullptr, "nut", nullptr);
  if (ret < 0) return fail(ret);

  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) return fail(AVERROR(ENOMEM));
  nut->io_.reset(avio_alloc_context(buffer, kIoBufferSize, 1, nut.get(), nullptr, &NutStream::on_write, nullptr));
  if (!nut->io_) {
    av_free(buffer);
    return fail(AVERROR(ENOMEM));
  }
  nut->io_->direct = 1;  // large payloads go straight to on_write, not through the buffer first
  nut->muxer_->pb = nut->io_.get();
  nut->muxer_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_BITEXACT;

  AVStream* video = avformat_new_stream(nut->muxer_, nullptr);  // borrowed
  if (!video) return fail(AVERROR(ENOMEM));
  video->time_base = av_inv_q(layout.picture_rate);
  video->avg_frame_rate = layout.picture_rate;
  video->sample_aspect_ratio = {1, 1};
  AVCodecParameters* vp = video->codecpar;
  vp->codec_type = AVMEDIA_TYPE_VIDEO;
  vp->codec_id = AV_CODEC_ID_RAWVIDEO;
  vp->codec_tag = MKTAG('I', '4', '2', '0');  // without it the picture reads back as RGB
  vp->format = AV_PIX_FMT_YUV420P;
  vp->width = layout.width;
  vp->height = layout.height;
  vp->sample_aspect_ratio = {1, 1};

  if (layout.sample_rate > 0) {
    AVStream* audio = avformat_new_stream(nut->muxer_, nullptr);  // borrowed
    if (!audio) return fail(AVERROR(ENOMEM));
    audio->time_base = {1, layout.sample_rate};
    AVCodecParameters* ap = audio->codecpar;
    ap->codec_type = AVMEDIA_TYPE_AUDIO;
    ap->codec_id = AV_CODEC_ID_PCM_S16LE;
    ap->format = AV_SAMPLE_FMT_S16;
    ap->sample_rate = layout.sample_rate;
    av_channel_layout_default(&ap->ch_layout, 2);
    ap->bits_per_coded_sample = 16;
    ap->block_align = 4;
    ap->bit_rate = int64_t{layout.sample_rate} * 32;
  }

  // No index: nobody seeks in this stream, and with sound making most sync points the index
  // would only repeat picture stamps (and warn about it).
  AVDictionary* options = nullptr;
  av_dict_set(&options, "write_index", "0", 0);
  ret = avformat_write_header(nut->muxer_, &options);
  av_dict_free(&options);
  if (ret < 0) return fail(ret);
  avio_flush(nut->muxer_->pb);
  return nut;
}

NutStream::~NutStream() {
  if (muxer_) {
    muxer_->pb = nullptr;  // the io_ owner frees it
    avformat_free_context(muxer_);
  }
}

int NutStream::on_write(void* opaque, uint8_t* data, int size) {
  auto* self = static_cast<NutStream*>(opaque);
  try {  // called from the muxer's C code: nothing may be thrown through it
    self->bytes_.insert(self->bytes_.end(), data, data + size);
  } catch (...) {
    return AVERROR(ENOMEM);
  }
  return size;
}

int NutStream::write_packet(AVPacket* packet, int stream_index, AVRational time_base) {
  if (finished_) return AVERROR(EINVAL);
  packet->stream_index = stream_index;
  av_packet_rescale_ts(packet, time_base, muxer_->streams[stream_index]->time_base);
  // Written straight through, not interleaved: the decoder delivers in time order already, and
  // the interleaver would hold raw pictures back until the other stream caught up.
  const int ret = av_write_frame(muxer_, packet);
  if (ret < 0) return ret;
  avio_flush(muxer_->pb);
  return 0;
}

namespace {

// True when the picture's planes already lie back to back in one buffer exactly as packed I420
// (the decoder's pooled pictures do at the usual sizes), so the packet can share that buffer.
bool is_packed_i420(const AVFrame& picture) {
  if (!picture.buf[0] || picture.buf[1]) return false;
  const int w = picture.width, h = picture.height;
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  return picture.linesize[0] == w && picture.linesize[1] == cw && picture.linesize[2] == cw &&
         picture.data[1] == picture.data[0] + static_cast<ptrdiff_t>(w) * h &&
         picture.data[2] == picture.data[1] + static_cast<ptrdiff_t>(cw) * ch &&
         picture.data[0] >= picture.buf[0]->data &&
         picture.data[2] + static_cast<ptrdiff_t>(cw) * ch <= picture.buf[0]->data + picture.buf[0]->size;
}

}  // namespace

int NutStream::write_picture(const AVFrame& picture, int64_t pts) {
  if (picture.format != AV_PIX_FMT_YUV420P || picture.width != layout_.width || picture.height != layout_.height)
    return AVERROR(EINVAL);
  const int size = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, layout_.width, layout_.height, 1);
  if (size < 0) return size;
  if (!picture_packet_) picture_packet_.reset(av_packet_alloc());
  AVPacket* packet = picture_packet_.get();
  if (!packet) return AVERROR(ENOMEM);
  if (is_packed_i420(picture)) {
    // Share the picture's buffer: the muxer copies the payload out before av_write_frame returns.
    av_packet_unref(packet);
    packet->buf = av_buffer_ref(picture.buf[0]);
    if (!packet->buf) return AVERROR(ENOMEM);
    packet->data = picture.data[0];
    packet->size = size;
  } else {
    // One picture-sized buffer serves every other picture, for the same reason.
    if (!packet->buf || packet->size != size || !av_buffer_is_writable(packet->buf)) {
      av_packet_unref(packet);
      const int ret = av_new_packet(packet, size);
      if (ret < 0) return ret;
    }
    const int ret = av_image_copy_to_buffer(packet->data, size, picture.data, picture.linesize, AV_PIX_FMT_YUV420P,
                                            layout_.width, layout_.height, 1);
    if (ret < 0) return ret;
  }
  packet->pts = packet->dts = pts;
  packet->duration = 1;
  packet->flags = AV_PKT_FLAG_KEY;
  const int ret = write_packet(packet, 0, av_inv_q(layout_.picture_rate));
  av_packet_unref(packet);  // let the decoder's pool have its buffer back
  return ret;
}

int NutStream::write_sound(const int16_t* samples, int nb_samples, int64_t pts) {
  if (!has_sound()) return AVERROR(EINVAL);
  if (nb_samples <= 0) return 0;
  av::PacketPtr packet(av_packet_alloc());
  if (!packet) return AVERROR(ENOMEM);
  const int size = nb_samples * 4;
  const int ret = av_new_packet(packet.get(), size);
  if (ret < 0) return ret;
  if (samples) std::memcpy(packet->data, samples, size);
  else std::memset(packet->data, 0, size);
  packet->pts = packet->dts = pts;
  packet->duration = nb_samples;
  packet->flags |= AV_PKT_FLAG_KEY;
  return write_packet(packet.get(), 1, {1, layout_.sample_rate});
}

int NutStream::write_silence(int64_t from, int64_t until) {
  while (from < until) {
    const int count = static_cast<int>(std::min<int64_t>(until - from, kSilenceChunk));
    const int ret = write_sound(nullptr, count, from);
    if (ret < 0) return ret;
    from += count;
  }
  return 0;
}

int NutStream::finish() {
  if (finished_) return 0;
  finished_ = true;
  const int ret = av_write_trailer(muxer_);
  avio_flush(muxer_->pb);
  return ret;
}

void NutStream::take_bytes(std::vector<uint8_t>* out) {
  out->clear();
  out->swap(bytes_);
}

}  // namespace frameserver

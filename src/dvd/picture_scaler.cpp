#include "dvd/picture_scaler.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace dvd {

bool PictureScaler::build(const AVFrame& source) {
  context_.reset(sws_alloc_context());
  if (!context_) return false;
  SwsContext* c = context_.get();
  av_opt_set_int(c, "srcw", source.width, 0);
  av_opt_set_int(c, "srch", source.height, 0);
  av_opt_set_int(c, "src_format", source.format, 0);
  av_opt_set_int(c, "dstw", width_, 0);
  av_opt_set_int(c, "dsth", height_, 0);
  av_opt_set_int(c, "dst_format", format_, 0);
  av_opt_set_int(c, "sws_flags", SWS_FAST_BILINEAR, 0);
  // One thread: slice threads measured no faster here, the decoder already keeps both cores busy.
  av_opt_set_int(c, "threads", 1, 0);
  if (sws_init_context(c, nullptr, nullptr) < 0) {
    context_.reset();
    return false;
  }
  source_width_ = source.width;
  source_height_ = source.height;
  source_format_ = source.format;
  return true;
}

av::FramePtr PictureScaler::scale(const AVFrame& source) {
  if (!context_ || source.width != source_width_ || source.height != source_height_ ||
      source.format != source_format_) {
    if (!build(source)) return nullptr;
  }
  constexpr int kAlign = 64;  // whole SIMD rows for the scaler and the encoder after it
  if (!pool_) {
    buffer_size_ = av_image_get_buffer_size(format_, width_, height_, kAlign);
    if (buffer_size_ <= 0) return nullptr;
    pool_.reset(av_buffer_pool_init(static_cast<size_t>(buffer_size_) + kAlign, nullptr));
    if (!pool_) return nullptr;
  }
  av::FramePtr out(av_frame_alloc());
  if (!out) return nullptr;
  out->format = format_;
  out->width = width_;
  out->height = height_;
  out->buf[0] = av_buffer_pool_get(pool_.get());
  if (!out->buf[0]) return nullptr;
  uint8_t* base = out->buf[0]->data;
  base += (kAlign - reinterpret_cast<uintptr_t>(base) % kAlign) % kAlign;
  if (av_image_fill_arrays(out->data, out->linesize, base, format_, width_, height_, kAlign) < 0)
    return nullptr;
  if (sws_scale_frame(context_.get(), out.get(), &source) < 0) return nullptr;
  return out;
}

}  // namespace dvd

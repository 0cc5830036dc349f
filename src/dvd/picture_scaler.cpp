#include "dvd/picture_scaler.h"

extern "C" {
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
  av_opt_set_int(c, "threads", 2, 0);
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
  av::FramePtr out(av_frame_alloc());
  if (!out) return nullptr;
  out->format = format_;
  out->width = width_;
  out->height = height_;
  if (av_frame_get_buffer(out.get(), 0) < 0) return nullptr;
  if (sws_scale_frame(context_.get(), out.get(), &source) < 0) return nullptr;
  return out;
}

}  // namespace dvd

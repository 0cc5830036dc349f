// Scales decoded pictures to the delivered size and pixel format in one libswscale call per
// picture, split over two slice threads. Rebuilt when the source size or format changes.
// Single owner.
#pragma once

#include "common/av_ptr.h"

namespace dvd {

class PictureScaler {
 public:
  PictureScaler(int width, int height, AVPixelFormat format) : width_(width), height_(height), format_(format) {}
  // A new picture of the target size and format; nullptr when the scaler cannot be built.
  av::FramePtr scale(const AVFrame& source);

 private:
  bool build(const AVFrame& source);
  int width_, height_;
  AVPixelFormat format_;
  av::SwsPtr context_;
  int source_width_ = 0, source_height_ = 0;
  int source_format_ = AV_PIX_FMT_NONE;
};

}  // namespace dvd

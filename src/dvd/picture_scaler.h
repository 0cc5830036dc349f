// Scales decoded pictures to the delivered size and pixel format in one libswscale call per
// picture; rebuilt when the source size or format changes. The delivered pictures come from a
// buffer pool, so a long title does not fault in fresh pages for every picture. Single owner;
// pictures may outlive it (the pool lives until its last buffer is returned).
#pragma once

#include <memory>

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
  struct PoolFree { void operator()(AVBufferPool* p) const noexcept { av_buffer_pool_uninit(&p); } };
  av::SwsPtr context_;
  std::unique_ptr<AVBufferPool, PoolFree> pool_;
  int buffer_size_ = 0;
  int source_width_ = 0, source_height_ = 0;
  int source_format_ = AV_PIX_FMT_NONE;
};

}  // namespace dvd

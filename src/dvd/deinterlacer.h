// De-interlacing with libavfilter's yadif (one picture out per picture in, stamps kept on the
// 90 kHz clock the pictures come in on).
// Built on the first picture, since the graph needs its size and format. Single owner.
#pragma once

#include <string>

#include "common/av_ptr.h"

namespace dvd {

class Deinterlacer {
 public:
  // Takes a reference to `picture` (nullptr flushes at the end of the stream). False with *error
  // when the graph cannot be built or refuses the picture.
  bool push(const AVFrame* picture, std::string* error);
  // The next de-interlaced picture, or nullptr when the filter needs more input.
  av::FramePtr pull();

 private:
  bool build(const AVFrame& picture, std::string* error);
  av::FilterGraphPtr graph_;
  AVFilterContext* source_ = nullptr;  // owned by graph_
  AVFilterContext* sink_ = nullptr;    // owned by graph_
};

}  // namespace dvd

#include "dvd/deinterlacer.h"

#include <cstdio>

#include "common/av_error.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace dvd {

bool Deinterlacer::build(const AVFrame& picture, std::string* error) {
  graph_.reset(avfilter_graph_alloc());
  if (!graph_) {
    *error = "out of memory";
    return false;
  }
  graph_->nb_threads = 1;
  char args[256];
  const AVRational aspect = picture.sample_aspect_ratio.num > 0 ? picture.sample_aspect_ratio
                                                                : AVRational{1, 1};
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/90000:pixel_aspect=%d/%d",
                picture.width, picture.height, picture.format, aspect.num, aspect.den);
  AVFilterContext* yadif = nullptr;
  int rc = avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", args,
                                        nullptr, graph_.get());
  if (rc >= 0)
    rc = avfilter_graph_create_filter(&yadif, avfilter_get_by_name("yadif"), "yadif",
                                      "mode=send_frame:parity=auto:deint=all", nullptr, graph_.get());
  if (rc >= 0)
    rc = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                      nullptr, graph_.get());
  if (rc >= 0) rc = avfilter_link(source_, 0, yadif, 0);
  if (rc >= 0) rc = avfilter_link(yadif, 0, sink_, 0);
  if (rc >= 0) rc = avfilter_graph_config(graph_.get(), nullptr);
  if (rc < 0) {
    *error = "the de-interlacer cannot be set up: " + av::error_text(rc);
    graph_.reset();
    return false;
  }
  return true;
}

bool Deinterlacer::push(const AVFrame* picture, std::string* error) {
  if (!graph_) {
    if (!picture) return true;
    if (!build(*picture, error)) return false;
  }
  const int rc = av_buffersrc_write_frame(source_, picture);
  if (rc < 0) {
    *error = "the de-interlacer refused a picture: " + av::error_text(rc);
    return false;
  }
  return true;
}

av::FramePtr Deinterlacer::pull() {
  if (!graph_) return nullptr;
  av::FramePtr out(av_frame_alloc());
  if (!out || av_buffersink_get_frame(sink_, out.get()) < 0) return nullptr;
  // yadif counts its output in half the input's time base (it can double the frame rate):
  // stamps go back to the 90 kHz clock the pictures came in on.
  if (out->pts != AV_NOPTS_VALUE)
    out->pts = av_rescale_q(out->pts, av_buffersink_get_time_base(sink_), AVRational{1, 90000});
  return out;
}

}  // namespace dvd

// write_video: drop/duplicate decision, pixel conversion, crop/pad/resize into the output picture,
// encoding; the -deinterlace pre-processing and the -vstats lines.
// libavutil/common.h (pulled in below) wants the C99 constant macros in C++.
#define __STDC_CONSTANT_MACROS
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include "iPod/engine_settings.h"
#include "iPod/pad_bands.h"
#include "iPod/timing.h"
#include "iPod/transcode.h"
#include "iPod/video_sync.h"

namespace {

// A picture buffer of `format` and size; `packed` gives line sizes equal to the plane widths,
// which the pad painter relies on.
bool ensure_picture(av::FramePtr& frame, AVPixelFormat format, int width, int height, bool packed) {
  if (frame && frame->data[0] && frame->format == format && frame->width == width && frame->height == height &&
      av_frame_is_writable(frame.get()))
    return true;
  if (!frame) frame.reset(av_frame_alloc());
  if (!frame) return false;
  av_frame_unref(frame.get());
  frame->format = format;
  frame->width = width;
  frame->height = height;
  return av_frame_get_buffer(frame.get(), packed ? 1 : 0) >= 0;
}

// Converts `src` into `dst` (same size, `dst` format) with a cached converter.
bool convert_picture(av::SwsPtr& converter, const AVFrame* src, av::FramePtr& dst, AVPixelFormat format) {
  SwsContext* ctx = sws_getCachedContext(converter.release(), src->width, src->height,
                                         static_cast<AVPixelFormat>(src->format), src->width, src->height, format,
                                         SWS_BICUBIC, nullptr, nullptr, nullptr);
  converter.reset(ctx);
  if (!ctx || !ensure_picture(dst, format, src->width, src->height, false)) return false;
  sws_scale(ctx, src->data, src->linesize, 0, src->height, dst->data, dst->linesize);
  return true;
}

// Plane pointers of a YUV 4:2:0 picture moved by a top and a left offset (chroma at half).
void offset_planes(const AVFrame* f, int top, int left, const uint8_t* out[4]) {
  out[0] = f->data[0] + static_cast<ptrdiff_t>(top) * f->linesize[0] + left;
  out[1] = f->data[1] + static_cast<ptrdiff_t>(top / 2) * f->linesize[1] + left / 2;
  out[2] = f->data[2] + static_cast<ptrdiff_t>(top / 2) * f->linesize[2] + left / 2;
  out[3] = nullptr;
}

void paint_bands(OutputStreamState& ost) {
  const OutputStreamSetup& s = *ost.setup;
  if (!(s.pad_top || s.pad_bottom || s.pad_left || s.pad_right)) return;
  fill_pad_bands(ost.picture->data, ost.picture->linesize, ost.enc->height, s.pad_top, s.pad_bottom, s.pad_left,
                 s.pad_right, s.pad_color);
}

// The picture shaped to the encoder's size and format, or nullptr to skip it.
AVFrame* shape_picture(OutputStreamState& ost, AVFrame* in) {
  AVCodecContext* enc = ost.enc;
  const OutputStreamSetup& s = *ost.setup;
  // A damaged or changing source can deliver pictures of another size than planned: those go
  // through the scaler, which fits any size into the encoder's.
  PictureWork work = ost.picture_work;
  if (in->width != ost.in_width || in->height != ost.in_height) work = PictureWork::Resample;
  const AVPixelFormat target = work == PictureWork::None ? enc->pix_fmt : AV_PIX_FMT_YUV420P;
  AVFrame* src = in;
  if (in->format != target) {
    if (!convert_picture(ost.converter, in, ost.converted, target)) {
      if (g_settings.verbose >= 0) std::fputs("pixel format conversion not handled\n", stderr);
      return nullptr;
    }
    src = ost.converted.get();
  }
  AVFrame* out = src;
  switch (work) {
    case PictureWork::None:
      break;
    case PictureWork::Crop: {
      if (!ost.cropped) ost.cropped.reset(av_frame_alloc());
      if (!ost.cropped) return nullptr;
      av_frame_unref(ost.cropped.get());
      if (av_frame_ref(ost.cropped.get(), src) < 0) return nullptr;
      const uint8_t* planes[4];
      offset_planes(src, s.crop_top, s.crop_left, planes);
      for (int i = 0; i < 3; ++i) ost.cropped->data[i] = const_cast<uint8_t*>(planes[i]);
      ost.cropped->width = enc->width;
      ost.cropped->height = enc->height;
      out = ost.cropped.get();
      break;
    }
    case PictureWork::Pad:
    case PictureWork::Resample: {
      if (!ensure_picture(ost.picture, AV_PIX_FMT_YUV420P, enc->width, enc->height, true)) return nullptr;
      const int inner_w = enc->width - s.pad_left - s.pad_right;
      const int inner_h = enc->height - s.pad_top - s.pad_bottom;
      uint8_t* dst[4];
      offset_planes(ost.picture.get(), s.pad_top, s.pad_left, const_cast<const uint8_t**>(dst));
      if (work == PictureWork::Pad) {
        const int chroma_w = inner_w / 2;
        for (int y = 0; y < inner_h; ++y)
          std::memcpy(dst[0] + static_cast<ptrdiff_t>(y) * ost.picture->linesize[0],
                      src->data[0] + static_cast<ptrdiff_t>(y) * src->linesize[0], static_cast<size_t>(std::min(inner_w, src->width)));
        for (int p = 1; p < 3; ++p)
          for (int y = 0; y < inner_h / 2; ++y)
            std::memcpy(dst[p] + static_cast<ptrdiff_t>(y) * ost.picture->linesize[p],
                        src->data[p] + static_cast<ptrdiff_t>(y) * src->linesize[p],
                        static_cast<size_t>(std::min(chroma_w, (src->width + 1) / 2)));
      } else {
        const int src_w = src->width - s.crop_left - s.crop_right;
        const int src_h = src->height - s.crop_top - s.crop_bottom;
        if (src_w <= 0 || src_h <= 0) return nullptr;
        SwsContext* ctx = sws_getCachedContext(ost.scaler.release(), src_w, src_h, AV_PIX_FMT_YUV420P, inner_w, inner_h,
                                               AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
        ost.scaler.reset(ctx);
        if (!ctx) return nullptr;
        const uint8_t* planes[4];
        offset_planes(src, s.crop_top, s.crop_left, planes);
        sws_scale(ctx, planes, src->linesize, 0, src_h, dst, ost.picture->linesize);
      }
      paint_bands(ost);
      out = ost.picture.get();
      if (enc->pix_fmt != AV_PIX_FMT_YUV420P) {
        if (!convert_picture(ost.to_encoder, out, ost.encoder_picture, enc->pix_fmt)) {
          if (g_settings.verbose >= 0) std::fputs("pixel format conversion not handled\n", stderr);
          return nullptr;
        }
        out = ost.encoder_picture.get();
      }
      break;
    }
  }
  return out;
}

void receive_video_packets(Transcode& t, OutputStreamState& ost, int* frame_size) {
  AVPacket* pkt = t.out_packet.get();
  while (avcodec_receive_packet(ost.enc, pkt) >= 0) {
    *frame_size += pkt->size;
    if (ost.pass1_log && ost.enc->stats_out) std::fputs(ost.enc->stats_out, ost.pass1_log.get());
    if (pkt->duration <= 0) pkt->duration = 1;
    write_output_packet(t, ost, pkt, ost.enc->time_base);
    av_packet_unref(pkt);
  }
}

}  // namespace

void write_video(Transcode& t, OutputStreamState& ost, InputStreamState& ist, AVFrame* picture, int* frame_size) {
  const EngineSettings& s = g_settings;
  AVCodecContext* enc = ost.enc;
  *frame_size = 0;
  const VideoSyncDecision d = decide_video_frames(ost.sync_ipts, enc->framerate, ost.sync_opts, s.video_sync_method);
  if (d.dropped) {
    ++t.nb_frames_drop;
    if (s.verbose > 2) std::fputs("*** drop!\n", stderr);
  }
  if (d.duplicated) {
    t.nb_frames_dup += d.frames;
    if (s.verbose > 2) std::fprintf(stderr, "*** %d dup!\n", d.frames - 1);
  }
  const int64_t room = static_cast<int64_t>(s.max_video_frames) - ost.frame_number;
  const int n = static_cast<int>(std::min<int64_t>(d.frames, room));
  if (n <= 0) return;

  AVFrame* out = shape_picture(ost, picture);
  if (!out) return;
  out->interlaced_frame = picture->interlaced_frame;
  if (s.use_interlaced_dct || s.use_interlaced_me)
    out->top_field_first = s.top_field_first == -1 ? picture->top_field_first : s.top_field_first;
  out->quality = s.same_quality ? static_cast<int>(ist.quality)
                                : ((enc->flags & AV_CODEC_FLAG_QSCALE) ? enc->global_quality : 0);
  if (!s.me_threshold) out->pict_type = AV_PICTURE_TYPE_NONE;
  out->sample_aspect_ratio = enc->sample_aspect_ratio;
  for (int i = 0; i < n; ++i) {
    out->pts = ost.sync_opts;
    if (avcodec_send_frame(enc, out) >= 0) receive_video_packets(t, ost, frame_size);
    ++ost.sync_opts;
    ++ost.frame_number;
  }
}

AVFrame* preprocess_picture(InputStreamState& ist, AVFrame* picture) {
  if (!g_settings.do_deinterlace) return picture;
  if (!ist.deinterlace_graph) {
    av::FilterGraphPtr graph(avfilter_graph_alloc());
    if (!graph) return picture;
    char args[256];
    const AVRational tb = ist.st->time_base.num ? ist.st->time_base : AVRational{1, 25};
    std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", picture->width,
                  picture->height, picture->format, tb.num, tb.den, std::max(0, picture->sample_aspect_ratio.num),
                  std::max(1, picture->sample_aspect_ratio.den));
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    AVFilterContext* yadif = nullptr;
    if (avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args, nullptr, graph.get()) < 0 ||
        avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph.get()) < 0 ||
        avfilter_graph_create_filter(&yadif, avfilter_get_by_name("yadif"), "deint", "mode=0:parity=-1:deint=0", nullptr,
                                     graph.get()) < 0 ||
        avfilter_link(src, 0, yadif, 0) < 0 || avfilter_link(yadif, 0, sink, 0) < 0 ||
        avfilter_graph_config(graph.get(), nullptr) < 0)
      return picture;
    ist.deinterlace_graph = std::move(graph);
    ist.deinterlace_src = src;
    ist.deinterlace_sink = sink;
    ist.deinterlaced.reset(av_frame_alloc());
    if (!ist.deinterlaced) {
      ist.deinterlace_graph.reset();
      return picture;
    }
  }
  // yadif looks one picture ahead: until it has one, the picture goes on as it is.
  if (av_buffersrc_write_frame(ist.deinterlace_src, picture) < 0) return picture;
  av_frame_unref(ist.deinterlaced.get());
  if (av_buffersink_get_frame(ist.deinterlace_sink, ist.deinterlaced.get()) < 0) return picture;
  return ist.deinterlaced.get();
}

void write_video_statistics(Transcode& t, OutputStreamState& ost, int frame_size) {
  static FILE* vstats = nullptr;
  static bool open_failed = false;
  if (!vstats && !open_failed) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[40];
    std::snprintf(name, sizeof name, "vstats_%02d%02d%02d.log", local.tm_hour, local.tm_min, local.tm_sec);
    vstats = std::fopen(name, "w");
    if (!vstats) {
      std::perror("fopen");
      open_failed = true;
    }
  }
  if (!vstats) return;
  AVCodecContext* enc = ost.enc;
  std::fprintf(vstats, "frame= %5d q= %2.1f ", static_cast<int>(ost.frame_number), ost.last_quality / FF_QP2LAMBDA);
  if (enc->flags & AV_CODEC_FLAG_PSNR) {
    const double err = static_cast<double>(ost.psnr_error[0]) / (enc->width * enc->height * 255.0 * 255.0);
    std::fprintf(vstats, "PSNR= %6.2f ", err > 0 ? -10.0 * std::log10(err) : INFINITY);
  }
  std::fprintf(vstats, "f_size= %6d ", frame_size);
  double ti = timing::frames_to_seconds(ost.sync_opts, enc->framerate);
  if (ti < 0.01) ti = 0.01;
  const double bitrate = frame_size * 8.0 * av_q2d(enc->framerate) / 1000.0;
  const double avg = static_cast<double>(t.video_size) * 8.0 / ti / 1000.0;
  std::fprintf(vstats, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
               static_cast<double>(t.video_size) / 1024, ti, bitrate, avg);
  std::fprintf(vstats, "type= %c\n", av_get_picture_type_char(static_cast<AVPictureType>(ost.last_pict_type)));
}

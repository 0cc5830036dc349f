// Owners for FFmpeg objects: one deleter and one alias each, used by every subsystem that
// touches the libraries. Borrowed pointers (an AVStream* owned by its context) stay raw.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace av {

struct FrameFree { void operator()(AVFrame* f) const noexcept { av_frame_free(&f); } };
struct PacketFree { void operator()(AVPacket* p) const noexcept { av_packet_free(&p); } };
struct CodecContextFree { void operator()(AVCodecContext* c) const noexcept { avcodec_free_context(&c); } };
struct InputContextClose { void operator()(AVFormatContext* c) const noexcept { avformat_close_input(&c); } };
struct SwsFree { void operator()(SwsContext* c) const noexcept { sws_freeContext(c); } };
struct SwrFree { void operator()(SwrContext* c) const noexcept { swr_free(&c); } };
struct AudioFifoFree { void operator()(AVAudioFifo* f) const noexcept { av_audio_fifo_free(f); } };
struct FilterGraphFree { void operator()(AVFilterGraph* g) const noexcept { avfilter_graph_free(&g); } };
struct AvFree { void operator()(void* p) const noexcept { av_free(p); } };
// A custom AVIOContext: frees its buffer (which FFmpeg may have replaced) and itself.
struct IoContextFree {
  void operator()(AVIOContext* io) const noexcept {
    if (io) av_freep(&io->buffer);
    avio_context_free(&io);
  }
};

using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextClose>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFree>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphFree>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;
template <typename T> using AvBuffer = std::unique_ptr<T, AvFree>;

}  // namespace av

// The per-stream tables of one transcode and the steps that work on them. Built by
// run_transcode's set-up (stream_mapping.cpp), driven by its loop (transcode_loop.cpp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/av_ptr.h"
#include "iPod/engine_state.h"
#include "iPod/stream_plan.h"

struct FileClose { void operator()(FILE* f) const noexcept { if (f) std::fclose(f); } };
using FilePtr = std::unique_ptr<FILE, FileClose>;

struct InputStreamState {
  int file_index = 0;
  int st_index = 0;                 // within its file
  AVStream* st = nullptr;           // owned by the input context
  av::CodecContextPtr dec;          // null when the stream is only copied or unused
  bool discard = true;              // the free flag: no output takes this stream
  bool decoding_needed = false;
  int64_t emu_start = 0;            // -re: clock at the start, microseconds
  int64_t emu_frames = 0;
  int64_t next_pts = AV_NOPTS_VALUE;  // microseconds: expected time of the next decoded data
  int64_t pts = 0;                  // microseconds: time of the data being processed
  bool is_start = true;
  int last_sample_rate = 0;         // as last seen by the decoder
  int last_channels = 0;
  float quality = 0;                // last decoded picture's quality (for -sameq)

  // Decoding work objects, made once per stream and reused for every packet.
  av::FramePtr frame;
  av::SwrPtr to_s16;                // the decoder's sample format to 16-bit interleaved
  AVSampleFormat to_s16_format = AV_SAMPLE_FMT_NONE;
  std::vector<uint8_t> samples;     // decoded 16-bit interleaved samples of one block
  av::FilterGraphPtr deinterlace_graph;  // -deinterlace
  AVFilterContext* deinterlace_src = nullptr;
  AVFilterContext* deinterlace_sink = nullptr;
  av::FramePtr deinterlaced;
};

struct OutputStreamState {
  int file_index = 0;
  int index = 0;                    // within its file
  int source = 0;                   // index in the input stream table
  AVStream* st = nullptr;           // owned by the output context
  AVCodecContext* enc = nullptr;    // owned by the OutputFile's setup (null for stream copy)
  OutputStreamSetup* setup = nullptr;
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  bool encoding_needed = false;
  bool stream_copy = false;
  int64_t frame_number = 0;         // frames (video) or packets (copied streams) written
  double sync_ipts = 0;             // input time of the data being processed, seconds
  int64_t sync_opts = 0;            // output position: frames (video) or samples (audio)
  int64_t last_pts_micros = AV_NOPTS_VALUE;  // stream copy: time of the last packet written
  float last_quality = 0;           // quality of the last coded picture (lambda units)
  int last_pict_type = 0;           // picture type of the last coded picture
  uint64_t psnr_error[3] = {0, 0, 0};   // last coded picture's squared errors (with -psnr)
  uint64_t psnr_total[3] = {0, 0, 0};

  // video
  PictureWork picture_work = PictureWork::None;
  int in_width = 0, in_height = 0;  // the decoded size the plan was made for
  av::SwsPtr scaler;                // resize into the picture inside the pad bands
  av::SwsPtr converter;             // decoder format to the working format, when they differ
  AVPixelFormat converter_from = AV_PIX_FMT_NONE;
  av::FramePtr converted;           // decoder size, working format
  av::FramePtr picture;             // output size, YUV 4:2:0, packed lines (pads painted)
  av::SwsPtr to_encoder;            // YUV 4:2:0 to an encoder that wants another format
  av::FramePtr encoder_picture;
  av::FramePtr cropped;             // a reference with moved plane pointers
  FilePtr pass1_log;

  // audio
  bool audio_resample = false;
  av::SwrPtr resampler;
  av::AudioFifoPtr fifo;            // 16-bit interleaved samples waiting to complete a frame
  av::FramePtr audio_frame;         // one encoder frame in the encoder's format
  std::vector<int16_t> frame_samples;   // one encoder frame, 16-bit interleaved
  std::vector<uint8_t> resampled;   // the resampler's output
  av::SwrPtr encoder_converter;     // 16-bit interleaved to an encoder format without a fast path
};

// Everything one transcode owns. Released as a whole when run_transcode ends, on every path.
struct Transcode {
  std::vector<InputStreamState> ist;
  std::vector<OutputStreamState> ost;
  av::PacketPtr packet;               // reused for every read and every write
  av::PacketPtr out_packet;
  int64_t video_size = 0;             // bytes of encoded video
  int64_t audio_size = 0;             // bytes of encoded audio
  int64_t extra_size = 0;             // bytes of encoder global headers
  int nb_frames_dup = 0;
  int nb_frames_drop = 0;
  int64_t start_offset = 0;           // microseconds
  int64_t final_bytes = 0;            // size of the first output file once its trailer is written
  bool write_failed = false;          // a packet, header or trailer could not be written
};

// Set-up of the streams (mapping, encoders, decoders, headers). False after its message when the
// transcode cannot start.
bool set_up_transcode(Transcode& t);
// The audio conversion of an encoded output for the decoder's current rate and channel count.
void plan_audio_output(OutputStreamState& ost, InputStreamState& ist, int in_rate, int in_channels);
// The packet loop, draining and trailers.
void run_transcode_loop(Transcode& t);
// Both, releasing everything at the end. Failures mark engine_run().failed.
void run_transcode();

// Writes one encoded or copied packet (in `from` time base) to its output file.
void write_output_packet(Transcode& t, OutputStreamState& ost, AVPacket* pkt, AVRational from);

// Output time of a stream in seconds (video frames or audio samples written so far).
double output_seconds(const OutputStreamState& ost);

void write_audio(Transcode& t, OutputStreamState& ost, InputStreamState& ist, const uint8_t* buf, int size);
void write_video(Transcode& t, OutputStreamState& ost, InputStreamState& ist, AVFrame* picture, int* frame_size);
// Encoder drain at the end of input.
void flush_encoder(Transcode& t, OutputStreamState& ost);
// -deinterlace: returns the picture to use (the de-interlaced one, or `picture` on failure).
AVFrame* preprocess_picture(InputStreamState& ist, AVFrame* picture);
void write_video_statistics(Transcode& t, OutputStreamState& ost, int frame_size);

// Builds the report line and calls the host's hook (throttled unless final).
void print_report(Transcode& t, bool is_final);
// Volume in percent applied to 16-bit samples in place (100 = unchanged).
void apply_volume(int16_t* samples, int count, int volume);

// The inputs and outputs of the current run, built while the argument vector is parsed and
// released when engine_main returns (also when a failure unwinds it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/av_ptr.h"
#include "iPod/engine.h"

// Decoder settings captured for one input stream when its file was opened (the decoders
// themselves are opened by the transcode).
struct InputStreamSetup {
  int thread_count = 1;
  int workaround_bugs = 1;
  int error_concealment = 3;
  int idct_algo = 0;
  int debug = 0;
  int lowres = 0;
  bool bitexact = false;
  bool rate_emu = false;
  int downmix_channels = 0;  // set by the mapping when the decoder should mix down itself
};

// One opened input. Closed by its reader when one opened it, else by libavformat.
class InputFile {
 public:
  InputFile(AVFormatContext* ctx, const InputReader* reader, int64_t ts_offset);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  AVFormatContext* ctx() const { return ctx_; }
  int64_t ts_offset = 0;  // microseconds; the discontinuity correction moves it
  bool eof_reached = false;
  int first_stream = 0;   // index of this file's first stream in the run's input stream table
  std::vector<InputStreamSetup> streams;  // one per stream of ctx()

 private:
  AVFormatContext* ctx_;
  bool has_reader_;
  InputReader reader_{};
};

// What open_output_file decided for one output stream; the encoder is opened by the transcode.
struct OutputStreamSetup {
  AVStream* st = nullptr;            // owned by the output context
  av::CodecContextPtr enc;           // null for stream copy
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  bool stream_copy = false;
  int copy_sample_rate = 0;          // stream copy of audio: the settings' values
  int copy_channels = 0;
  // Picture geometry at set-up time (the encoder's size is the picture plus the pads).
  int frame_width = 0, frame_height = 0;
  int crop_top = 0, crop_bottom = 0, crop_left = 0, crop_right = 0;
  int pad_top = 0, pad_bottom = 0, pad_left = 0, pad_right = 0;
  int pad_color[3] = {16, 128, 128};
};

// One output file. Closes its byte stream (unless the format writes no file) and frees itself.
class OutputFile {
 public:
  explicit OutputFile(AVFormatContext* ctx) : ctx_(ctx) {}
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  AVFormatContext* ctx() const { return ctx_; }
  // Closes the byte stream now; returns the error of the last flush (0 when none).
  int close_io();

  std::string filename;
  int mux_audio_bit_rate = 0;  // bit/s declared for the audio track
  int mux_video_bit_rate = 0;  // bit/s declared for the video track
  bool header_written = false;
  std::vector<OutputStreamSetup> streams;

 private:
  AVFormatContext* ctx_;
};

struct EngineRun {
  std::vector<std::unique_ptr<InputFile>> inputs;
  std::vector<std::unique_ptr<OutputFile>> outputs;
  bool using_stdin = false;
  int64_t start_offset = 0;  // microseconds: the -ss an input was opened with; the output starts there
  bool failed = false;  // a failure after set-up: engine_main returns 3
};

// The current run; emptied at the start and at the end of every engine_main call.
EngineRun& engine_run();

// Writes "Abort at file:line" and unwinds to engine_main (internal inconsistency).
[[noreturn]] void engine_abort(const char* file, int line);
#define ENGINE_ABORT() engine_abort(__FILE__, __LINE__)

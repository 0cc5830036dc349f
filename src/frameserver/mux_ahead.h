// Decodes the title range and multiplexes it into NUT bytes a few units ahead of the reader, so
// that decoding the disc overlaps the engine's encoding and the engine's thread only copies
// finished bytes. Two workers form a pipeline: one decodes, the other scales each picture to the
// served size and multiplexes it, so scaling one picture overlaps decoding the next. The decoder
// belongs to the decoding worker, the scaler and the writer to the multiplexing worker, from
// construction until the destructor has joined both; read() and the destructor are for the
// owner's thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dvd/picture_scaler.h"
#include "dvd/title_decoder.h"
#include "frameserver/unit_writer.h"

namespace frameserver {

class MuxAhead {
 public:
  // `header`: the stream's first bytes, read before anything the workers make. `capacity`:
  // blocks of bytes (about one decoded unit each) held ready at most, at least 1; as many decoded
  // units wait between the two workers at most. Pictures are scaled to the decoder's StreamInfo
  // size when they arrive at another size.
  MuxAhead(std::unique_ptr<dvd::TitleDecoder> decoder, std::unique_ptr<UnitWriter> writer,
           std::vector<uint8_t> header, std::size_t capacity);
  // Stops the workers (each finishes the unit it is working on) and joins them.
  ~MuxAhead();
  MuxAhead(const MuxAhead&) = delete;
  MuxAhead& operator=(const MuxAhead&) = delete;

  // Copies up to `size` bytes of the stream to `out`, waiting for the worker when none are
  // ready. After the last byte: AVERROR_EOF for a complete range, else the error that cut it
  // short (whose reason goes to the library log once, from this thread).
  int read(uint8_t* out, int size);

 private:
  void decode_run();
  void mux_run();
  // The decoded picture at the served size; nullptr when it cannot be scaled.
  av::FramePtr served_picture(av::FramePtr picture);

  std::unique_ptr<dvd::TitleDecoder> decoder_;  // decoding worker only
  std::unique_ptr<UnitWriter> writer_;          // multiplexing worker only
  dvd::PictureScaler scaler_;                   // multiplexing worker only
  const std::size_t capacity_;

  std::vector<uint8_t> current_;  // owner only: the block being read
  std::size_t read_pos_ = 0;      // owner only
  bool end_reported_ = false;     // owner only

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> ready_;   // guarded: blocks in stream order
  std::vector<std::vector<uint8_t>> spare_;  // guarded: read blocks whose storage is reused
  std::deque<dvd::DecodedUnit> decoded_;     // guarded: units between the two workers
  bool stopping_ = false;                    // guarded
  bool finished_ = false;                    // guarded: the last block is in ready_
  int end_code_ = AVERROR_EOF;               // guarded; set with finished_
  std::string end_message_;                  // guarded; set with finished_
  std::thread decoder_thread_;               // last: start once everything above exists
  std::thread mux_thread_;
};

}  // namespace frameserver

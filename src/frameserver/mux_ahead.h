// Decodes the title range and multiplexes it into NUT bytes on a worker thread, a few units ahead
// of the reader, so that decoding the disc overlaps the engine's encoding and the engine's thread
// only copies finished bytes. The decoder and the writer belong to the worker from construction
// until the destructor has joined it; read() and the destructor are for the owner's thread.
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

#include "dvd/title_decoder.h"
#include "frameserver/unit_writer.h"

namespace frameserver {

class MuxAhead {
 public:
  // `header`: the stream's first bytes, read before anything the worker makes. `capacity`:
  // blocks of bytes (about one decoded unit each) held ready at most, at least 1.
  MuxAhead(std::unique_ptr<dvd::TitleDecoder> decoder, std::unique_ptr<UnitWriter> writer,
           std::vector<uint8_t> header, std::size_t capacity);
  // Stops the worker (it finishes the unit it is decoding) and joins it.
  ~MuxAhead();
  MuxAhead(const MuxAhead&) = delete;
  MuxAhead& operator=(const MuxAhead&) = delete;

  // Copies up to `size` bytes of the stream to `out`, waiting for the worker when none are
  // ready. After the last byte: AVERROR_EOF for a complete range, else the error that cut it
  // short (whose reason goes to the library log once, from this thread).
  int read(uint8_t* out, int size);

 private:
  void run();

  std::unique_ptr<dvd::TitleDecoder> decoder_;  // worker only
  std::unique_ptr<UnitWriter> writer_;          // worker only
  const std::size_t capacity_;

  std::vector<uint8_t> current_;  // owner only: the block being read
  std::size_t read_pos_ = 0;      // owner only
  bool end_reported_ = false;     // owner only

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> ready_;   // guarded: blocks in stream order
  std::vector<std::vector<uint8_t>> spare_;  // guarded: read blocks whose storage is reused
  bool stopping_ = false;                    // guarded
  bool finished_ = false;                    // guarded: the last block is in ready_
  int end_code_ = AVERROR_EOF;               // guarded; set with finished_
  std::string end_message_;                  // guarded; set with finished_
  std::thread worker_;                       // last: starts once everything above exists
};

}  // namespace frameserver

// Feeds one title's VOBUs to libavformat's program-stream demuxer ("mpeg") as one byte stream
// through a custom AVIOContext, and remembers where each cell's data begins in that stream, so
// that a packet's byte position tells which clock offset its stamps need.
//
// Stops the stream (end of file for the demuxer) at the first scrambled pack: without the disc
// keys the data cannot be decoded. Single owner, not thread-safe.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/av_ptr.h"
#include "dvd/title_block_reader.h"

namespace dvd {

class TitleStreamInput {
 public:
  explicit TitleStreamInput(std::unique_ptr<TitleBlockReader> blocks) : blocks_(std::move(blocks)) {}

  // Reads the first VOBU and opens the demuxer on the stream. False with *error when the title
  // has no readable VOBU, the first one is scrambled ("the disc is encrypted") or the demuxer
  // cannot be opened.
  bool open(std::string* error);

  AVFormatContext* demuxer() const { return demuxer_.get(); }
  bool encrypted() const { return encrypted_; }
  // Clock offset (90 kHz ticks) of the data at `position` bytes into the stream; a negative
  // position gives the latest one.
  int64_t clock_offset_at(int64_t position) const;

 private:
  static int read(void* opaque, uint8_t* buffer, int size);
  int read(uint8_t* buffer, int size);
  bool take_vobu();

  std::unique_ptr<TitleBlockReader> blocks_;
  std::optional<Vobu> vobu_;
  size_t vobu_used_ = 0;
  int64_t stream_bytes_ = 0;
  std::deque<std::pair<int64_t, int64_t>> offsets_;  // (byte position, clock offset), recent ones
  bool encrypted_ = false;
  av::IoContextPtr io_;  // declared before demuxer_: the demuxer reads through it until closed
  av::InputContextPtr demuxer_;
};

}  // namespace dvd

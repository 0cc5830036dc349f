// Turns the decoder's units into the served NUT stream: stamps pictures and sound from 0 at the
// range start, leaves out lead-in pictures, synthesises silence for a title without sound when
// asked, and ends the stream. Single owner, one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dvd/title_decoder.h"
#include "frameserver/nut_stream.h"
#include "frameserver/stream_clock.h"

namespace frameserver {

inline constexpr int kSynthRate = 48000;  // sample rate of the synthesised silent track

class UnitWriter {
 public:
  // `synth_silence`: the title has no sound and a silent track was laid out for it.
  UnitWriter(std::unique_ptr<NutStream> nut, const dvd::StreamInfo& info, bool synth_silence);

  // Writes one unit. False once the stream is complete (after End, Error or a failure); then
  // status() is 0 for a complete range or the AVERROR that cut it short, and message() says why.
  bool put(const dvd::DecodedUnit& unit);
  // Ends the stream as failed (the decoder could not go on).
  void fail(int error, const std::string& message);

  int status() const { return status_; }
  const std::string& message() const { return message_; }
  void take_bytes(std::vector<uint8_t>* out) { nut_->take_bytes(out); }

 private:
  int put_picture(const dvd::DecodedUnit& unit);
  int put_sound(const dvd::DecodedUnit& unit);
  int silence_until(double seconds);
  void end(int error, const std::string& message);

  std::unique_ptr<NutStream> nut_;
  dvd::StreamInfo info_;
  bool synth_silence_;
  PictureClock pictures_;
  int64_t next_sample_ = 0;  // the sample after the last one written
  bool done_ = false;
  int status_ = 0;
  std::string message_;
};

}  // namespace frameserver

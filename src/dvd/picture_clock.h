// Times of decoded pictures on the title clock (90 kHz ticks). The MPEG parser leaves every
// picture but the first of a PES packet without a stamp, and damage can leave stamps missing or
// going backwards; pictures then follow the one before them by its duration. Pictures before
// the first stamp wait for it and are then placed backwards from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace dvd {

class PictureClock {
 public:
  static constexpr int64_t kNoStamp = INT64_MIN;
  static constexpr size_t kMaxWaiting = 120;  // pictures without any stamp before giving up

  // `start`: where pictures go when the stream has no stamps at all.
  explicit PictureClock(int64_t start = 0) : start_(start) {}

  // One picture in decoding-output order: its stamp (kNoStamp when it has none) and its duration.
  // Appends to `times` the times of the oldest pictures not yet placed, in order (none when this
  // picture has to wait for a stamp).
  void add(int64_t stamp, int64_t duration, std::vector<int64_t>& times);
  // Places the pictures still waiting for a stamp (at the end of the stream), one after
  // another from the start.
  void flush(std::vector<int64_t>& times) { place_waiting(start_, times); }

  size_t waiting() const { return waiting_.size(); }
  int64_t last() const { return last_; }  // time of the last placed picture, kNoStamp before one
  int64_t last_end() const { return last_ == kNoStamp ? kNoStamp : last_ + last_duration_; }

 private:
  void place_waiting(int64_t first, std::vector<int64_t>& times);
  int64_t start_;
  std::deque<int64_t> waiting_;  // durations of pictures waiting for a stamp
  int64_t last_ = kNoStamp;
  int64_t last_duration_ = 0;
};

}  // namespace dvd

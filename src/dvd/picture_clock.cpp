#include "dvd/picture_clock.h"

namespace dvd {

void PictureClock::add(int64_t stamp, int64_t duration, std::vector<int64_t>& times) {
  if (last_ == kNoStamp && stamp == kNoStamp) {
    waiting_.push_back(duration);
    if (waiting_.size() >= kMaxWaiting) flush(times);  // a stream without stamps
    return;
  }
  if (!waiting_.empty()) {
    int64_t time = stamp;
    for (auto it = waiting_.rbegin(); it != waiting_.rend(); ++it) time -= *it;
    place_waiting(time, times);
  }
  int64_t time = stamp;
  if (time == kNoStamp || time <= last_) time = last_ + last_duration_;
  times.push_back(time);
  last_ = time;
  last_duration_ = duration;
}

void PictureClock::place_waiting(int64_t first, std::vector<int64_t>& times) {
  int64_t time = last_ == kNoStamp ? first : last_ + last_duration_;
  for (int64_t duration : waiting_) {
    times.push_back(time);
    last_ = time;
    last_duration_ = duration;
    time += duration;
  }
  waiting_.clear();
}

}  // namespace dvd

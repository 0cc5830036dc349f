#include "frameserver/decode_ahead.h"

#include <exception>
#include <utility>

namespace frameserver {

DecodeAhead::DecodeAhead(std::unique_ptr<dvd::TitleDecoder> decoder, std::size_t capacity)
    : decoder_(std::move(decoder)), capacity_(capacity > 0 ? capacity : 1), worker_([this] { run(); }) {}

DecodeAhead::~DecodeAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void DecodeAhead::run() {
  for (;;) {
    dvd::DecodedUnit unit;
    try {
      unit = decoder_->next();
    } catch (const std::exception& e) {  // nothing may escape a thread
      unit = {};
      unit.kind = dvd::DecodedUnit::Kind::Error;
      unit.error = e.what();
    }
    const bool last = unit.kind == dvd::DecodedUnit::Kind::End || unit.kind == dvd::DecodedUnit::Kind::Error;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || queue_.size() < capacity_; });
    if (stopping_) return;
    queue_.push_back(std::move(unit));
    if (last) finished_ = true;
    lock.unlock();
    changed_.notify_all();
    if (last) return;
  }
}

dvd::DecodedUnit DecodeAhead::next() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !queue_.empty() || finished_; });
  if (queue_.empty()) return {};  // Kind::End
  dvd::DecodedUnit unit = std::move(queue_.front());
  queue_.pop_front();
  lock.unlock();
  changed_.notify_all();
  return unit;
}

}  // namespace frameserver

#include "frameserver/mux_ahead.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

namespace frameserver {

MuxAhead::MuxAhead(std::unique_ptr<dvd::TitleDecoder> decoder, std::unique_ptr<UnitWriter> writer,
                   std::vector<uint8_t> header, std::size_t capacity)
    : decoder_(std::move(decoder)),
      writer_(std::move(writer)),
      capacity_(capacity > 0 ? capacity : 1),
      current_(std::move(header)),
      worker_([this] { run(); }) {}

MuxAhead::~MuxAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void MuxAhead::run() {
  for (;;) {
    bool more = true;
    try {  // nothing may escape a thread
      more = writer_->put(decoder_->next());
    } catch (const std::exception& e) {
      writer_->fail(AVERROR(EIO), e.what());
      more = false;
    }
    std::unique_lock lock(mutex_);
    std::vector<uint8_t> block;
    if (!spare_.empty()) {
      block = std::move(spare_.back());
      spare_.pop_back();
    }
    lock.unlock();
    writer_->take_bytes(&block);
    lock.lock();
    changed_.wait(lock, [this] { return stopping_ || ready_.size() < capacity_; });
    if (stopping_) return;
    if (!block.empty()) ready_.push_back(std::move(block));
    if (!more) {
      finished_ = true;
      end_code_ = writer_->status() < 0 ? writer_->status() : AVERROR_EOF;
      end_message_ = writer_->message();
    }
    lock.unlock();
    changed_.notify_all();
    if (!more) return;
  }
}

int MuxAhead::read(uint8_t* out, int size) {
  if (read_pos_ == current_.size()) {
    std::unique_lock lock(mutex_);
    if (!current_.empty()) spare_.push_back(std::move(current_));
    current_.clear();
    read_pos_ = 0;
    changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty()) {
      const int code = end_code_;
      const std::string message = end_message_;
      lock.unlock();
      if (!end_reported_ && !message.empty()) av_log(nullptr, AV_LOG_ERROR, "frame server: %s\n", message.c_str());
      end_reported_ = true;
      return code;
    }
    current_ = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();
  }
  const std::size_t count = std::min(static_cast<std::size_t>(size), current_.size() - read_pos_);
  std::memcpy(out, current_.data() + read_pos_, count);
  read_pos_ += count;
  return static_cast<int>(count);
}

}  // namespace frameserver

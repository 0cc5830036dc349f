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
      scaler_(decoder_->info().width, decoder_->info().height, AV_PIX_FMT_YUV420P),
      capacity_(capacity > 0 ? capacity : 1),
      current_(std::move(header)),
      decoder_thread_([this] { decode_run(); }),
      mux_thread_([this] { mux_run(); }) {}

MuxAhead::~MuxAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  decoder_thread_.join();
  mux_thread_.join();
}

void MuxAhead::decode_run() {
  for (;;) {
    dvd::DecodedUnit unit;
    try {  // nothing may escape a thread
      unit = decoder_->next();
    } catch (const std::exception& e) {
      unit = dvd::DecodedUnit{};
      unit.kind = dvd::DecodedUnit::Kind::Error;
      unit.error = e.what();
    }
    const bool last = unit.kind == dvd::DecodedUnit::Kind::End || unit.kind == dvd::DecodedUnit::Kind::Error;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || decoded_.size() < capacity_; });
      if (stopping_) return;
      decoded_.push_back(std::move(unit));
    }
    changed_.notify_all();
    if (last) return;
  }
}

av::FramePtr MuxAhead::served_picture(av::FramePtr picture) {
  const dvd::StreamInfo& info = decoder_->info();  // fixed once the decoder is open
  if (picture->width == info.width && picture->height == info.height && picture->format == AV_PIX_FMT_YUV420P)
    return picture;
  av::FramePtr scaled = scaler_.scale(*picture);
  if (scaled) scaled->pts = picture->pts;
  return scaled;
}

void MuxAhead::mux_run() {
  for (;;) {
    dvd::DecodedUnit unit;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !decoded_.empty(); });
      if (stopping_) return;
      unit = std::move(decoded_.front());
      decoded_.pop_front();
    }
    changed_.notify_all();

    bool more = true;
    try {  // nothing may escape a thread
      if (unit.kind == dvd::DecodedUnit::Kind::Picture && unit.frame) {
        unit.frame = served_picture(std::move(unit.frame));
        if (!unit.frame) {
          writer_->fail(AVERROR(ENOMEM), "the picture cannot be scaled");
          more = false;
        }
      }
      if (more) more = writer_->put(unit);
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

// Runs a TitleDecoder on a worker thread a few units ahead of its reader, so that decoding the
// disc overlaps the engine's encoding. The decoder belongs to the worker from construction until
// the destructor has joined it; next() and the destructor are for the owner's thread only.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "dvd/title_decoder.h"

namespace frameserver {

class DecodeAhead {
 public:
  // `capacity`: decoded units held at most (pictures and blocks of sound alike), at least 1.
  DecodeAhead(std::unique_ptr<dvd::TitleDecoder> decoder, std::size_t capacity);
  // Stops the worker (it finishes the unit it is decoding) and joins it.
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // The decoder's next unit, waiting for it. After End or Error it returns End for ever.
  dvd::DecodedUnit next();

 private:
  void run();

  std::unique_ptr<dvd::TitleDecoder> decoder_;
  const std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<dvd::DecodedUnit> queue_;  // guarded by mutex_
  bool stopping_ = false;               // guarded by mutex_
  bool finished_ = false;               // guarded by mutex_: the worker delivered End or Error
  std::thread worker_;                  // last: starts once everything above exists
};

}  // namespace frameserver

// A TitleDecoder that makes its units up: pictures whose luma is 16 + (index % 200) and
// constant sound blocks, in time order, with knobs for the faults a disc can produce.
#pragma once

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "dvd/title_decoder.h"

namespace testing_support {

struct FakeTitle {
  int width = 64, height = 48;
  AVRational frame_rate{30000, 1001};
  int pictures = 30;               // < 0: never ends
  bool has_audio = true;
  int sample_rate = 48000;
  int sound_block = 1600;          // samples per sound unit
  int16_t sound_value = 1000;      // every sample of every block
  int error_after_pictures = -1;   // >= 0: an Error unit after that many pictures
  std::chrono::milliseconds delay_per_picture{0};
  double first_time = 0;           // time of the first picture and sound block
  std::atomic<int>* destroyed = nullptr;  // incremented by the decoder's destructor
};

inline uint8_t fake_luma(int index) { return static_cast<uint8_t>(16 + index % 200); }

class FakeTitleDecoder : public dvd::TitleDecoder {
 public:
  explicit FakeTitleDecoder(const FakeTitle& title) : title_(title) {
    info_.width = title.width;
    info_.height = title.height;
    info_.frame_rate = title.frame_rate;
    info_.has_audio = title.has_audio;
    info_.sample_rate = title.has_audio ? title.sample_rate : 0;
    info_.duration_seconds = title.pictures * av_q2d(av_inv_q(title.frame_rate));
  }
  ~FakeTitleDecoder() override {
    if (title_.destroyed) ++*title_.destroyed;
  }
  const dvd::StreamInfo& info() const override { return info_; }

  dvd::DecodedUnit next() override {
    dvd::DecodedUnit unit;
    const double picture_time = title_.first_time + picture_ * av_q2d(av_inv_q(title_.frame_rate));
    if (title_.error_after_pictures >= 0 && picture_ >= title_.error_after_pictures) {
      unit.kind = dvd::DecodedUnit::Kind::Error;
      unit.error = "damaged title";
      return unit;
    }
    if (title_.pictures >= 0 && picture_ >= title_.pictures) return unit;  // End
    const double sound_time = title_.first_time + static_cast<double>(samples_) / title_.sample_rate;
    if (title_.has_audio && sound_time <= picture_time) {
      unit.kind = dvd::DecodedUnit::Kind::Sound;
      unit.time = sound_time;
      unit.frame.reset(av_frame_alloc());
      AVFrame* f = unit.frame.get();
      f->format = AV_SAMPLE_FMT_S16;
      f->sample_rate = title_.sample_rate;
      av_channel_layout_default(&f->ch_layout, 2);
      f->nb_samples = title_.sound_block;
      av_frame_get_buffer(f, 0);
      auto* s = reinterpret_cast<int16_t*>(f->data[0]);
      for (int i = 0; i < 2 * f->nb_samples; ++i) s[i] = title_.sound_value;
      samples_ += title_.sound_block;
      return unit;
    }
    if (title_.delay_per_picture.count() > 0) std::this_thread::sleep_for(title_.delay_per_picture);
    unit.kind = dvd::DecodedUnit::Kind::Picture;
    unit.time = picture_time;
    unit.frame.reset(av_frame_alloc());
    AVFrame* f = unit.frame.get();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = title_.width;
    f->height = title_.height;
    av_frame_get_buffer(f, 0);
    for (int y = 0; y < f->height; ++y) std::memset(f->data[0] + y * f->linesize[0], fake_luma(picture_), f->width);
    for (int p = 1; p < 3; ++p)
      for (int y = 0; y < f->height / 2; ++y) std::memset(f->data[p] + y * f->linesize[p], 128, f->width / 2);
    ++picture_;
    return unit;
  }

 private:
  FakeTitle title_;
  dvd::StreamInfo info_;
  int picture_ = 0;
  int64_t samples_ = 0;
};

}  // namespace testing_support

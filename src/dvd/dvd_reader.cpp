#include "dvd/dvd_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dvd {

bool DvdReader::open(const std::string& folder) {
  close_preview();
  set_ = -1;
  folder_ = folder;
  error_.clear();
  disc_ = Disc::open(folder, &error_);
  return disc_ != nullptr;
}

int DvdReader::title_set_count() const { return disc_ ? disc_->title_set_count() : 0; }

bool DvdReader::select_title_set(int index) {
  set_ = index >= 0 && index < title_set_count() ? index : -1;
  return set_ >= 0;
}

int DvdReader::title_count() const {
  return set_ >= 0 ? static_cast<int>(disc_->title_set(set_).titles.size()) : 0;
}

const Title* DvdReader::title(int index) const {
  if (index < 0 || index >= title_count()) return nullptr;
  return &disc_->title_set(set_).titles[index];
}

int DvdReader::chapter_count(int index) const {
  const Title* t = title(index);
  return t ? static_cast<int>(t->chapters.size()) : 0;
}

bool DvdReader::chapter_times(int index, int chapter, double* start_seconds,
                              double* end_seconds) const {
  const Title* t = title(index);
  const bool valid = t && chapter >= 0 && chapter < static_cast<int>(t->chapters.size());
  if (start_seconds) *start_seconds = valid ? t->chapters[chapter].start_seconds : 0.0;
  if (end_seconds) *end_seconds = valid ? t->chapters[chapter].end_seconds : 0.0;
  return valid;
}

double DvdReader::duration(int index) const {
  const Title* t = title(index);
  return t ? t->duration_seconds : 0.0;
}

int DvdReader::audio_count(int index) const {
  const Title* t = title(index);
  return t ? static_cast<int>(t->audio.size()) : 0;
}

const char* DvdReader::audio_name(int index, int track) {
  const Title* t = title(index);
  text_ = t && track >= 0 && track < static_cast<int>(t->audio.size()) ? t->audio[track].name : "";
  return text_.c_str();
}

int DvdReader::subtitle_count(int index) const {
  const Title* t = title(index);
  return t ? static_cast<int>(t->subtitles.size()) : 0;
}

const char* DvdReader::subtitle_name(int index, int stream) {
  const Title* t = title(index);
  text_ = t && stream >= 0 && stream < static_cast<int>(t->subtitles.size())
              ? t->subtitles[stream].name
              : "";
  return text_.c_str();
}

bool DvdReader::open_preview(int title_set, int title_index, int audio_index, int subtitle_index,
                             int* width, int* height, int* sample_rate) {
  close_preview();
  if (!disc_) {
    error_ = "no disc is open";
    return false;
  }
  preview_ = TitleRequest{};
  preview_.folder = folder_;
  preview_.title_set = title_set;
  preview_.title = title_index;
  preview_.audio_index = audio_index;
  preview_.subtitle_index = subtitle_index;
  preview_.out_width = width ? std::max(*width, 0) : 0;
  preview_.out_height = height ? std::max(*height, 0) : 0;
  preview_.out_sample_rate = sample_rate ? std::max(*sample_rate, 0) : 0;
  preview_.pixel_format = AV_PIX_FMT_BGRA;
  preview_open_ = true;
  if (!seek(0)) {
    preview_open_ = false;
    return false;
  }
  const StreamInfo& info = decoder_->info();
  preview_.out_width = info.width;
  preview_.out_height = info.height;
  preview_.out_sample_rate = info.sample_rate;
  if (width) *width = info.width;
  if (height) *height = info.height;
  if (sample_rate) *sample_rate = info.sample_rate;
  return true;
}

bool DvdReader::seek(double seconds) {
  if (!preview_open_ || !std::isfinite(seconds)) return false;
  preview_.start_seconds = std::floor(std::max(seconds, 0.0));
  preview_.end_seconds = 0;
  decoder_.reset();
  picture_.reset();
  pending_.reset();
  sound_.clear();
  sound_handed_ = 0;
  ended_ = false;
  decoder_ = open_title_decoder(preview_, &error_);
  return decoder_ != nullptr;
}

bool DvdReader::pull_next_picture() {
  while (!ended_) {
    DecodedUnit unit = decoder_->next();
    switch (unit.kind) {
      case DecodedUnit::Kind::Sound: {
        const auto* values = reinterpret_cast<const int16_t*>(unit.frame->data[0]);
        sound_.insert(sound_.end(), values, values + unit.frame->nb_samples * 2);
        break;
      }
      case DecodedUnit::Kind::Picture:
        pending_ = std::move(unit.frame);
        pending_time_ = unit.time;
        return true;
      case DecodedUnit::Kind::Error:
        error_ = unit.error;
        ended_ = true;
        break;
      case DecodedUnit::Kind::End:
        ended_ = true;
        break;
    }
  }
  return false;
}

bool DvdReader::decode_frame(PreviewFrame* frame, const int16_t** sound, int* sound_values) {
  if (sound) *sound = nullptr;
  if (sound_values) *sound_values = 0;
  if (!decoder_) return false;
  if (!pending_ && !pull_next_picture()) return false;
  picture_ = std::move(pending_);
  picture_time_ = pending_time_;
  pull_next_picture();  // the next picture's time closes this one's sound

  // The sound clock is continuous from the seek point: sample n plays at n / rate seconds.
  // A title without audio plays silence, so the preview's pacing by its sound still works.
  const StreamInfo& info = decoder_->info();
  const int rate = info.sample_rate;
  const double next_time =
      pending_ ? pending_time_ : picture_time_ + av_q2d(av_inv_q(info.frame_rate));
  int64_t count = std::llround(next_time * rate) - sound_handed_;
  if (!info.has_audio) {
    count = std::max<int64_t>(count, 0);
    chunk_.assign(static_cast<size_t>(count) * 2, 0);
  } else {
    const int64_t available = static_cast<int64_t>(sound_.size() / 2);
    if (!pending_) count = available;
    count = std::clamp<int64_t>(count, 0, available);
    chunk_.assign(sound_.begin(), sound_.begin() + count * 2);
    sound_.erase(sound_.begin(), sound_.begin() + count * 2);
  }
  sound_handed_ += count;

  ++serial_;
  if (frame) {
    *frame = PreviewFrame{};
    frame->serial = serial_;
    frame->width = picture_->width;
    frame->height = picture_->height;
    frame->sound_values = static_cast<int32_t>(chunk_.size());
    frame->time = picture_time_;
  }
  if (sound) *sound = chunk_.data();
  if (sound_values) *sound_values = static_cast<int>(chunk_.size());
  return true;
}

bool DvdReader::render(const PreviewFrame& frame, void* pixels, int width, int height,
                       int bits_per_pixel) {
  if (!picture_ || frame.serial != serial_ || !pixels || width <= 0 || height <= 0) return false;
  AVPixelFormat format = AV_PIX_FMT_NONE;
  switch (bits_per_pixel) {
    case 32: format = AV_PIX_FMT_BGRA; break;
    case 24: format = AV_PIX_FMT_BGR24; break;
    case 16: format = AV_PIX_FMT_RGB565LE; break;
    default: return false;
  }
  auto* out = static_cast<uint8_t*>(pixels);
  const int stride = width * bits_per_pixel / 8;
  if (format == picture_->format && width == picture_->width && height == picture_->height) {
    for (int y = 0; y < height; ++y)
      std::memcpy(out + static_cast<ptrdiff_t>(y) * stride,
                  picture_->data[0] + static_cast<ptrdiff_t>(y) * picture_->linesize[0], stride);
    return true;
  }
  renderer_.reset(sws_getCachedContext(renderer_.release(), picture_->width, picture_->height,
                                       static_cast<AVPixelFormat>(picture_->format), width, height,
                                       format, SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!renderer_) return false;
  uint8_t* planes[4] = {out, nullptr, nullptr, nullptr};
  int strides[4] = {stride, 0, 0, 0};
  sws_scale(renderer_.get(), picture_->data, picture_->linesize, 0, picture_->height, planes, strides);
  return true;
}

void DvdReader::close_preview() {
  decoder_.reset();
  picture_.reset();
  pending_.reset();
  sound_.clear();
  chunk_.clear();
  preview_open_ = false;
}

}  // namespace dvd

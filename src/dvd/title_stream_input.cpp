#include "dvd/title_stream_input.h"

#include <algorithm>

#include "common/av_error.h"
#include "dvd/mpeg_pack.h"

namespace dvd {
namespace {

constexpr int kIoBufferSize = 64 * 1024;
// Offsets kept for packets the demuxer and its parsers still hold back: far more VOBUs than the
// I/O buffer and a parsed picture can span.
constexpr size_t kKeptOffsets = 64;

}  // namespace

bool TitleStreamInput::take_vobu() {
  vobu_ = blocks_->read();
  vobu_used_ = 0;
  if (!vobu_) return false;
  // A navigation pack is never scrambled; the packs after it are when the disc is encrypted.
  for (size_t at = kBlockSize; at < vobu_->size && !encrypted_; at += kBlockSize)
    encrypted_ = pack_is_scrambled(vobu_->data + at);
  if (offsets_.empty() || offsets_.back().second != vobu_->clock_offset)
    offsets_.emplace_back(stream_bytes_, vobu_->clock_offset);
  while (offsets_.size() > kKeptOffsets) offsets_.pop_front();
  return true;
}

bool TitleStreamInput::open(std::string* error) {
  if (!take_vobu()) {
    *error = "the title holds no readable video";
    return false;
  }
  if (encrypted_) {
    *error = "the disc is encrypted";
    return false;
  }
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) {
    *error = "out of memory";
    return false;
  }
  io_.reset(avio_alloc_context(buffer, kIoBufferSize, 0, this, &TitleStreamInput::read, nullptr,
                               nullptr));
  if (!io_) {
    av_free(buffer);
    *error = "out of memory";
    return false;
  }
  AVFormatContext* context = avformat_alloc_context();
  if (!context) {
    *error = "out of memory";
    return false;
  }
  context->pb = io_.get();
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  // No stream probing: the IFO already says what the streams are, and the demuxer adds streams
  // as it meets them.
  const int rc = avformat_open_input(&context, nullptr, av_find_input_format("mpeg"), nullptr);
  if (rc < 0) {  // the failed call frees the context
    *error = "the title's program stream cannot be read: " + av::error_text(rc);
    return false;
  }
  demuxer_.reset(context);
  return true;
}

int TitleStreamInput::read(void* opaque, uint8_t* buffer, int size) {
  return static_cast<TitleStreamInput*>(opaque)->read(buffer, size);
}

int TitleStreamInput::read(uint8_t* buffer, int size) {
  while (!encrypted_) {
    if (vobu_ && vobu_used_ < vobu_->size) {
      const int n = static_cast<int>(std::min<size_t>(size, vobu_->size - vobu_used_));
      std::copy_n(vobu_->data + vobu_used_, n, buffer);
      vobu_used_ += n;
      stream_bytes_ += n;
      return n;
    }
    if (!take_vobu()) break;
  }
  return AVERROR_EOF;
}

int64_t TitleStreamInput::clock_offset_at(int64_t position) const {
  if (offsets_.empty()) return 0;
  if (position < 0) return offsets_.back().second;
  auto it = std::upper_bound(offsets_.begin(), offsets_.end(), position,
                             [](int64_t pos, const auto& entry) { return pos < entry.first; });
  return it == offsets_.begin() ? it->second : std::prev(it)->second;
}

}  // namespace dvd

// Decoding of one title range: title blocks -> program-stream demuxer (libavformat "mpeg" over
// a custom AVIOContext) -> MPEG-2, audio and sub-picture decoders -> one clock -> pictures at
// the requested size and 16-bit stereo sound.
//
// All stamps live in 90 kHz ticks of title time (the block reader's per-cell offsets applied to
// the demuxer's stamps) until a unit leaves, when they become seconds since the range start.
#include "dvd/title_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <optional>
#include <utility>

#include "common/av_error.h"
#include "dvd/deinterlacer.h"
#include "dvd/disc.h"
#include "dvd/dvd_time.h"
#include "dvd/picture_clock.h"
#include "dvd/picture_geometry.h"
#include "dvd/picture_scaler.h"
#include "dvd/sound_timeline.h"
#include "dvd/subtitle_overlay.h"
#include "dvd/title_block_reader.h"
#include "dvd/title_stream_input.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace dvd {
namespace {

constexpr int kVideoStreamId = 0x1e0;
// How far one kind of unit may run ahead while the other is still awaited; beyond this the
// other stream is taken as absent in this stretch (a title whose sound stops, a damaged run).
constexpr size_t kMaxQueuedPictures = 48;
constexpr size_t kMaxQueuedSounds = 160;
constexpr int64_t kSubtitleLead = 135000;  // 1.5 s in 90 kHz ticks

struct SubtitleFree {
  void operator()(AVSubtitle* s) const noexcept {
    avsubtitle_free(s);
    delete s;
  }
};
using SubtitlePtr = std::unique_ptr<AVSubtitle, SubtitleFree>;

struct SubtitleShow {
  int64_t start = 0;  // title ticks
  int64_t end = INT64_MAX;
  SubtitlePtr picture;
};

AVCodecID audio_codec(AudioFormat format) {
  switch (format) {
    case AudioFormat::Ac3: return AV_CODEC_ID_AC3;
    case AudioFormat::Mpeg1:
    case AudioFormat::Mpeg2: return AV_CODEC_ID_MP2;
    case AudioFormat::Lpcm: return AV_CODEC_ID_PCM_DVD;
    case AudioFormat::Dts: return AV_CODEC_ID_DTS;
    case AudioFormat::Unknown: break;
  }
  return AV_CODEC_ID_NONE;
}

av::FramePtr sound_frame(int samples, int rate) {
  av::FramePtr frame(av_frame_alloc());
  if (!frame) return nullptr;
  frame->format = AV_SAMPLE_FMT_S16;
  frame->sample_rate = rate;
  frame->nb_samples = samples;
  av_channel_layout_default(&frame->ch_layout, 2);
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  return frame;
}

class DvdTitleDecoder final : public TitleDecoder {
 public:
  ~DvdTitleDecoder() override { av_channel_layout_uninit(&sound_layout_); }
  bool open(const TitleRequest& request, std::string* error);
  const StreamInfo& info() const override { return info_; }
  DecodedUnit next() override;

 private:
  AVCodecContext* decoder_for(const AVStream& stream, std::string* error);
  void demux_one();
  void finish_input();
  void decode_video(const AVPacket* packet);
  void decode_audio(const AVPacket* packet);
  void decode_subtitle(const AVPacket& packet);
  void deliver_picture(av::FramePtr picture);
  void place_picture(av::FramePtr picture, int64_t time);
  void release_held(bool all);
  void finish_picture(av::FramePtr picture, int64_t time);
  void place_timed();
  void take_sound(const AVFrame& sound);
  void queue_silence(int64_t samples);
  void queue_sound(av::FramePtr sound, int64_t first_sample);
  void fail(std::string message);
  bool video_waiting() const { return !video_done_; }
  bool audio_waiting() const { return info_.has_audio && !audio_done_; }

  TitleRequest request_;
  StreamInfo info_;
  std::unique_ptr<Disc> disc_;
  const TitleSet* set_ = nullptr;
  const Title* title_ = nullptr;
  const AudioTrack* track_ = nullptr;
  const SubtitleStream* subtitle_ = nullptr;
  std::unique_ptr<TitleStreamInput> input_;
  // Clock offset of each stream's last positioned packet.
  int64_t video_offset_ = INT64_MIN, audio_offset_ = INT64_MIN, subtitle_offset_ = INT64_MIN;

  av::PacketPtr packet_;
  av::CodecContextPtr video_decoder_, audio_decoder_, subtitle_decoder_;
  int video_index_ = -1, audio_index_ = -1, subtitle_index_ = -1;  // demuxer stream indices
  av::FramePtr decoded_;
  std::unique_ptr<Deinterlacer> deinterlacer_;
  std::unique_ptr<PictureScaler> scaler_;
  av::SwrPtr resampler_;
  int sound_format_ = -1, sound_rate_ = 0;  // what resampler_ was built for
  AVChannelLayout sound_layout_{};
  std::deque<SubtitleShow> shows_;

  // Clock: title ticks of the range start and end, the picture interval.
  int64_t range_start_ = 0;
  int64_t range_end_ = 0;
  int64_t picture_interval_ = 3003;
  PictureClock picture_clock_;
  std::deque<av::FramePtr> untimed_;  // decoded, waiting for the clock to place them
  std::vector<int64_t> picture_times_;
  std::deque<std::pair<int64_t, av::FramePtr>> held_;  // waiting for their sub-pictures
  int64_t demux_clock_ = INT64_MIN;                    // latest video stamp read, title ticks
  std::optional<SoundTimeline> sound_clock_;
  bool video_done_ = false, audio_done_ = false, input_done_ = false;
  std::string error_;

  std::deque<DecodedUnit> pictures_, sounds_;
};

bool DvdTitleDecoder::open(const TitleRequest& request, std::string* error) {
  request_ = request;
  disc_ = Disc::open(request.folder, error);
  if (!disc_) return false;
  if (request.title_set < 0 || request.title_set >= disc_->title_set_count()) {
    *error = "title set " + std::to_string(request.title_set + 1) + " does not exist";
    return false;
  }
  set_ = &disc_->title_set(request.title_set);
  if (request.title < 0 || request.title >= static_cast<int>(set_->titles.size())) {
    *error = "title " + std::to_string(request.title + 1) + " does not exist in title set " +
             std::to_string(request.title_set + 1);
    return false;
  }
  title_ = &set_->titles[request.title];
  if (!title_->audio.empty()) {
    if (request.audio_index < 0 || request.audio_index >= static_cast<int>(title_->audio.size())) {
      *error = "audio track " + std::to_string(request.audio_index + 1) + " does not exist";
      return false;
    }
    track_ = &title_->audio[request.audio_index];
    if (audio_codec(track_->format) == AV_CODEC_ID_NONE) {
      *error = "the audio track's format cannot be decoded";
      return false;
    }
  }
  if (request.subtitle_index < 0 ||
      request.subtitle_index > static_cast<int>(title_->subtitles.size())) {
    *error = "subtitle stream " + std::to_string(request.subtitle_index) + " does not exist";
    return false;
  }
  if (request.subtitle_index > 0) subtitle_ = &title_->subtitles[request.subtitle_index - 1];

  // Times that are not numbers count as 0: the start of the title, or no end.
  const double asked_start = std::isfinite(request.start_seconds) ? request.start_seconds : 0.0;
  const double asked_end = std::isfinite(request.end_seconds) ? request.end_seconds : 0.0;
  const double start = std::floor(std::max(asked_start, 0.0));
  double end = title_->duration_seconds;
  if (asked_end > start) end = std::min(asked_end, end);
  std::unique_ptr<TitleBlockReader> blocks = TitleBlockReader::open(disc_->reader(), *set_, *title_, error);
  if (!blocks) return false;
  if (!blocks->seek(start)) {
    *error = "the start lies beyond the title";
    return false;
  }
  input_ = std::make_unique<TitleStreamInput>(std::move(blocks));
  range_start_ = seconds_to_ticks(start);
  picture_clock_ = PictureClock(range_start_);
  // To the title's end: run to the end of the data, since the IFO's duration can fall short of
  // the stream (NTSC cell times counted at 30 frames a second).
  const bool to_end = asked_end <= start || asked_end >= title_->duration_seconds;
  range_end_ = to_end ? INT64_MAX : seconds_to_ticks(end);

  const PictureSize size = output_picture_size(set_->height, set_->display_aspect,
                                               request.out_width, request.out_height);
  info_.width = size.width;
  info_.height = size.height;
  info_.frame_rate = set_->frame_rate;
  info_.display_aspect = set_->display_aspect;
  info_.has_audio = track_ != nullptr;
  info_.sample_rate = request.out_sample_rate > 0 ? request.out_sample_rate
                      : track_                    ? track_->sample_rate
                                                  : 48000;
  info_.duration_seconds = end - start;
  picture_interval_ = av_rescale_q(1, av_inv_q(set_->frame_rate), AVRational{1, 90000});
  if (track_) sound_clock_.emplace(info_.sample_rate, to_end ? 0.0 : info_.duration_seconds);

  if (!input_->open(error)) return false;
  packet_.reset(av_packet_alloc());
  decoded_.reset(av_frame_alloc());
  if (!packet_ || !decoded_) {
    *error = "out of memory";
    return false;
  }
  return true;
}

AVCodecContext* DvdTitleDecoder::decoder_for(const AVStream& stream, std::string* error) {
  AVCodecID id = stream.codecpar->codec_id;
  if (stream.index == video_index_ && id == AV_CODEC_ID_NONE) id = AV_CODEC_ID_MPEG2VIDEO;
  if (stream.index == audio_index_ && id == AV_CODEC_ID_NONE) id = audio_codec(track_->format);
  const AVCodec* codec = avcodec_find_decoder(id);
  if (!codec) {
    *error = std::string("no decoder for ") + avcodec_get_name(id);
    return nullptr;
  }
  av::CodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context) {
    *error = "out of memory";
    return nullptr;
  }
  avcodec_parameters_to_context(context.get(), stream.codecpar);
  context->codec_id = id;
  context->pkt_timebase = AVRational{1, 90000};
  AVDictionary* options = nullptr;
  if (codec->type == AVMEDIA_TYPE_VIDEO) {
    context->thread_count = 2;
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  }
  if (codec->type == AVMEDIA_TYPE_SUBTITLE)
    av_dict_set(&options, "palette", subtitle_palette_option(title_->palette).c_str(), 0);
  const int rc = avcodec_open2(context.get(), codec, &options);
  av_dict_free(&options);
  if (rc < 0) {
    *error = std::string("the ") + codec->name + " decoder cannot be opened: " + av::error_text(rc);
    return nullptr;
  }
  av::CodecContextPtr& slot = codec->type == AVMEDIA_TYPE_VIDEO   ? video_decoder_
                              : codec->type == AVMEDIA_TYPE_AUDIO ? audio_decoder_
                                                                  : subtitle_decoder_;
  slot = std::move(context);
  return slot.get();
}

void DvdTitleDecoder::fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
  video_done_ = audio_done_ = input_done_ = true;
}

void DvdTitleDecoder::demux_one() {
  const int rc = av_read_frame(input_->demuxer(), packet_.get());
  if (rc < 0) {
    if (input_->encrypted()) fail("the disc is encrypted");
    else finish_input();
    return;
  }
  const AVStream& stream = *input_->demuxer()->streams[packet_->stream_index];
  // Stream ids are the program stream's: 0x1e0 video, 0x80+n AC-3, 0x1c0+n MPEG audio, 0x20+n
  // sub-pictures. Streams appear as the demuxer meets them.
  if (video_index_ < 0 && stream.id == kVideoStreamId) video_index_ = stream.index;
  if (audio_index_ < 0 && track_ && stream.id == track_->stream_id) audio_index_ = stream.index;
  if (subtitle_index_ < 0 && subtitle_ && stream.id == subtitle_->stream_id)
    subtitle_index_ = stream.index;
  const int index = packet_->stream_index;
  if (index == video_index_ || index == audio_index_ || index == subtitle_index_) {
    // The parser hands out several pictures of one PES packet with no position of their own;
    // they belong where the stream's last positioned packet was.
    int64_t& last_offset = index == video_index_   ? video_offset_
                           : index == audio_index_ ? audio_offset_
                                                   : subtitle_offset_;
    if (packet_->pos >= 0 || last_offset == INT64_MIN) last_offset = input_->clock_offset_at(packet_->pos);
    const int64_t offset = last_offset;
    if (packet_->pts != AV_NOPTS_VALUE) packet_->pts += offset;
    if (packet_->dts != AV_NOPTS_VALUE) packet_->dts += offset;
    std::string error;
    if (index == video_index_) {
      if (packet_->pts != AV_NOPTS_VALUE) demux_clock_ = std::max(demux_clock_, packet_->pts);
      if (!video_decoder_ && !decoder_for(stream, &error)) fail(error);
      else if (!video_done_) decode_video(packet_.get());
      if (!held_.empty()) release_held(false);
      // Sound that has not reached the range end two seconds of video after it never will
      // (a track that stops early): it is completed with silence instead of reading on.
      if (video_done_ && sound_clock_ && !audio_done_ && range_end_ != INT64_MAX &&
          demux_clock_ > range_end_ + 2 * kTicksPerSecond) {
        queue_silence(sound_clock_->pad_to(ticks_to_seconds(range_end_ - range_start_)));
        audio_done_ = true;
      }
    } else if (index == audio_index_) {
      if (!audio_decoder_ && !decoder_for(stream, &error)) fail(error);
      else if (!audio_done_) decode_audio(packet_.get());
    } else if (!subtitle_decoder_ && !decoder_for(stream, &error)) {
      fail(error);
    } else {
      decode_subtitle(*packet_);
    }
  }
  av_packet_unref(packet_.get());
}

void DvdTitleDecoder::finish_input() {
  input_done_ = true;
  if (video_decoder_ && !video_done_) decode_video(nullptr);
  if (deinterlacer_ && !video_done_) {
    std::string error;
    if (deinterlacer_->push(nullptr, &error))
      while (av::FramePtr picture = deinterlacer_->pull()) deliver_picture(std::move(picture));
  }
  // Pictures that never met a stamp (a stream without any) run from the range start.
  picture_clock_.flush(picture_times_);
  place_timed();
  release_held(true);
  if (audio_decoder_ && !audio_done_) decode_audio(nullptr);
  // Sound that ends before the pictures is completed with silence up to the last picture's end.
  if (sound_clock_ && !audio_done_ && picture_clock_.last() != PictureClock::kNoStamp)
    queue_silence(sound_clock_->pad_to(ticks_to_seconds(picture_clock_.last_end() - range_start_)));
  video_done_ = audio_done_ = true;
}

void DvdTitleDecoder::decode_video(const AVPacket* packet) {
  // Damaged data makes the decoder return errors; those packets are dropped, never fatal.
  if (avcodec_send_packet(video_decoder_.get(), packet) < 0 && packet) return;
  while (avcodec_receive_frame(video_decoder_.get(), decoded_.get()) >= 0) {
    av::FramePtr picture(av_frame_clone(decoded_.get()));
    av_frame_unref(decoded_.get());
    if (!picture) return fail("out of memory");
    if (!request_.deinterlace) {
      deliver_picture(std::move(picture));
      continue;
    }
    if (!deinterlacer_) deinterlacer_ = std::make_unique<Deinterlacer>();
    std::string error;
    if (!deinterlacer_->push(picture.get(), &error)) return fail(error);
    while (av::FramePtr out = deinterlacer_->pull()) deliver_picture(std::move(out));
  }
}

void DvdTitleDecoder::deliver_picture(av::FramePtr picture) {
  if (video_done_) return;
  const int64_t stamp = picture->pts == AV_NOPTS_VALUE ? PictureClock::kNoStamp : picture->pts;
  const int64_t duration = picture_interval_ + picture_interval_ * picture->repeat_pict / 2;
  untimed_.push_back(std::move(picture));
  picture_times_.clear();
  picture_clock_.add(stamp, duration, picture_times_);
  place_timed();
}

void DvdTitleDecoder::place_timed() {
  // The clock places pictures in the order they were added: the oldest waiting ones first.
  for (int64_t time : picture_times_) {
    av::FramePtr picture = std::move(untimed_.front());
    untimed_.pop_front();
    place_picture(std::move(picture), time);
  }
  picture_times_.clear();
}

void DvdTitleDecoder::place_picture(av::FramePtr picture, int64_t time) {
  if (video_done_) return;
  const int64_t half = picture_interval_ / 2;
  if (time < range_start_ - half) return;  // decoded only to reach the range start
  if (range_end_ != INT64_MAX && time >= range_end_ - half) {
    release_held(true);
    video_done_ = true;
    return;
  }
  if (!subtitle_) return finish_picture(std::move(picture), time);
  // Sub-pictures are multiplexed near their display time, video up to a second ahead of it:
  // a picture is finished once the stream has gone far enough that its sub-picture was read.
  held_.emplace_back(time, std::move(picture));
  release_held(false);
}

void DvdTitleDecoder::release_held(bool all) {
  while (!held_.empty() && (all || held_.front().first + kSubtitleLead <= demux_clock_)) {
    auto [time, picture] = std::move(held_.front());
    held_.pop_front();
    finish_picture(std::move(picture), time);
  }
}

void DvdTitleDecoder::finish_picture(av::FramePtr picture, int64_t time) {
  const int64_t at = time;
  while (!shows_.empty() && shows_.front().end <= at) shows_.pop_front();
  bool burning = false;
  for (const SubtitleShow& show : shows_)
    if (show.start <= at && at < show.end && show.picture->num_rects > 0) burning = true;
  if (burning) {
    if (av_frame_make_writable(picture.get()) < 0) return fail("out of memory");
    for (const SubtitleShow& show : shows_)
      if (show.start <= at && at < show.end)
        for (unsigned i = 0; i < show.picture->num_rects; ++i)
          burn_subtitle_rect(*picture, *show.picture->rects[i]);
  }

  av::FramePtr out;
  if (request_.deliver_unscaled || (picture->width == info_.width && picture->height == info_.height &&
                                    picture->format == request_.pixel_format)) {
    out = std::move(picture);
  } else {
    if (!scaler_)
      scaler_ = std::make_unique<PictureScaler>(info_.width, info_.height, request_.pixel_format);
    out = scaler_->scale(*picture);
    if (!out) return fail("the picture cannot be scaled");
  }
  out->pts = time - range_start_;
  DecodedUnit unit;
  unit.kind = DecodedUnit::Kind::Picture;
  unit.time = std::max(ticks_to_seconds(time - range_start_), 0.0);
  unit.frame = std::move(out);
  pictures_.push_back(std::move(unit));
}

void DvdTitleDecoder::decode_audio(const AVPacket* packet) {
  if (avcodec_send_packet(audio_decoder_.get(), packet) < 0 && packet) return;
  while (avcodec_receive_frame(audio_decoder_.get(), decoded_.get()) >= 0) {
    take_sound(*decoded_);
    av_frame_unref(decoded_.get());
    if (audio_done_) return;
  }
}

void DvdTitleDecoder::take_sound(const AVFrame& sound) {
  if (sound.nb_samples <= 0 || sound.sample_rate <= 0) return;
  // A track may change its layout or rate between cells (a 5.1 feature after a stereo intro).
  const bool changed = sound.format != sound_format_ || sound.sample_rate != sound_rate_ ||
                       av_channel_layout_compare(&sound.ch_layout, &sound_layout_) != 0;
  if (!resampler_ || changed) {
    sound_format_ = sound.format;
    sound_rate_ = sound.sample_rate;
    av_channel_layout_uninit(&sound_layout_);
    av_channel_layout_copy(&sound_layout_, &sound.ch_layout);
    SwrContext* swr = nullptr;
    AVChannelLayout stereo;
    av_channel_layout_default(&stereo, 2);
    AVChannelLayout source;
    if (av_channel_layout_copy(&source, &sound.ch_layout) < 0 || source.nb_channels <= 0)
      av_channel_layout_default(&source, 2);
    const int rc = swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, info_.sample_rate,
                                       &source, static_cast<AVSampleFormat>(sound.format),
                                       sound.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&source);
    resampler_.reset(swr);
    if (rc < 0 || swr_init(swr) < 0) return fail("the sound resampler cannot be set up");
  }
  const int64_t stamp = sound.pts;
  const int capacity = swr_get_out_samples(resampler_.get(), sound.nb_samples);
  av::FramePtr out = sound_frame(std::max(capacity, 1), info_.sample_rate);
  if (!out) return fail("out of memory");
  const int converted = swr_convert(resampler_.get(), out->data, capacity,
                                    const_cast<const uint8_t**>(sound.extended_data),
                                    sound.nb_samples);
  if (converted <= 0) return;
  out->nb_samples = converted;
  const double time = stamp == AV_NOPTS_VALUE ? sound_clock_->next_time()
                                              : ticks_to_seconds(stamp - range_start_);
  const SoundTimeline::Placement place = sound_clock_->place(time, converted);
  queue_silence(place.silence);
  if (place.keep > 0) {
    if (place.skip > 0)
      std::memmove(out->data[0], out->data[0] + place.skip * 4, place.keep * 4);
    out->nb_samples = static_cast<int>(place.keep);
    queue_sound(std::move(out), sound_clock_->delivered() - place.keep);
  }
  if (sound_clock_->full()) audio_done_ = true;
}

void DvdTitleDecoder::queue_silence(int64_t samples) {
  const int64_t end = sound_clock_->delivered();
  int64_t first = end - samples;
  while (first < end) {
    const int n = static_cast<int>(std::min<int64_t>(end - first, 4096));
    av::FramePtr silence = sound_frame(n, info_.sample_rate);
    if (!silence) return fail("out of memory");
    std::fill_n(silence->data[0], static_cast<size_t>(n) * 4, 0);
    queue_sound(std::move(silence), first);
    first += n;
  }
}

void DvdTitleDecoder::queue_sound(av::FramePtr sound, int64_t first_sample) {
  sound->pts = first_sample;
  DecodedUnit unit;
  unit.kind = DecodedUnit::Kind::Sound;
  unit.time = static_cast<double>(first_sample) / info_.sample_rate;
  unit.frame = std::move(sound);
  sounds_.push_back(std::move(unit));
}

void DvdTitleDecoder::decode_subtitle(const AVPacket& packet) {
  SubtitlePtr picture(new AVSubtitle{});
  int got = 0;
  AVPacket copy = packet;  // decode_subtitle2 takes a non-const packet
  if (avcodec_decode_subtitle2(subtitle_decoder_.get(), picture.get(), &got, &copy) < 0 || !got)
    return;
  if (packet.pts == AV_NOPTS_VALUE) return;
  const int64_t start = packet.pts + int64_t{picture->start_display_time} * 90;
  // A new sub-picture ends the one before it, also one shown "until further notice".
  for (SubtitleShow& show : shows_) show.end = std::min(show.end, start);
  SubtitleShow show;
  show.start = start;
  if (picture->end_display_time > picture->start_display_time &&
      picture->end_display_time != UINT32_MAX)
    show.end = packet.pts + int64_t{picture->end_display_time} * 90;
  show.picture = std::move(picture);
  shows_.push_back(std::move(show));
  while (shows_.size() > 16) shows_.pop_front();
}

DecodedUnit DvdTitleDecoder::next() {
  for (;;) {
    if (!error_.empty()) {
      DecodedUnit unit;
      unit.kind = DecodedUnit::Kind::Error;
      unit.error = error_;
      pictures_.clear();
      sounds_.clear();
      return unit;
    }
    const bool picture_ready =
        !pictures_.empty() &&
        (!audio_waiting() || !sounds_.empty() || pictures_.size() >= kMaxQueuedPictures);
    const bool sound_ready = !sounds_.empty() && (!video_waiting() || !pictures_.empty() ||
                                                  sounds_.size() >= kMaxQueuedSounds);
    std::deque<DecodedUnit>* from = nullptr;
    if (picture_ready && sound_ready)
      from = pictures_.front().time <= sounds_.front().time ? &pictures_ : &sounds_;
    else if (picture_ready)
      from = &pictures_;
    else if (sound_ready)
      from = &sounds_;
    if (from) {
      DecodedUnit unit = std::move(from->front());
      from->pop_front();
      return unit;
    }
    if (pictures_.empty() && sounds_.empty() && !video_waiting() && !audio_waiting()) return {};
    if (input_done_) {
      video_done_ = audio_done_ = true;
      continue;
    }
    demux_one();
  }
}

}  // namespace

std::unique_ptr<TitleDecoder> open_title_decoder(const TitleRequest& request, std::string* error) {
  std::string reason;
  auto decoder = std::make_unique<DvdTitleDecoder>();
  if (!decoder->open(request, &reason)) {
    if (error) *error = reason;
    return nullptr;
  }
  return decoder;
}

}  // namespace dvd

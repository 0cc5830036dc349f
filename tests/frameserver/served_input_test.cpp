#include "frameserver/served_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "frameserver/fake_title_decoder.h"
#include "frameserver/drain_input.h"

namespace frameserver {
namespace {

using testing_support::drain_input;
using testing_support::FakeTitle;
using testing_support::FakeTitleDecoder;

DecoderFactory fake(const FakeTitle& title, dvd::TitleRequest* seen = nullptr) {
  return [title, seen](const dvd::TitleRequest& request, std::string*) {
    if (seen) *seen = request;
    return std::make_unique<FakeTitleDecoder>(title);
  };
}

struct Served {
  AVFormatContext* ctx = nullptr;
  ~Served() { close_served_input(ctx); }
};

TEST(ServedInput, DeliversEveryPictureAndTheSoundFromZero) {
  FakeTitle title;
  title.width = 640;
  title.height = 480;
  title.pictures = 45;
  ServerParameters params;
  params.fps = 2;  // declares 25 fps whatever the title's own rate
  Served served;
  ASSERT_EQ(open_served_input(params, fake(title), &served.ctx), 0);
  const auto d = drain_input(served.ctx);
  ASSERT_GE(d.probe_result, 0);
  EXPECT_EQ(d.end_code, AVERROR_EOF);

  ASSERT_GE(d.video_index, 0);
  const AVStream* video = served.ctx->streams[d.video_index];
  EXPECT_EQ(video->codecpar->codec_id, AV_CODEC_ID_RAWVIDEO);
  EXPECT_EQ(video->codecpar->format, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(video->codecpar->width, 640);
  EXPECT_EQ(video->codecpar->height, 480);
  EXPECT_EQ(av_cmp_q(video->avg_frame_rate, AVRational{25, 1}), 0);
  EXPECT_EQ(av_cmp_q(video->r_frame_rate, AVRational{25, 1}), 0);

  ASSERT_EQ(d.picture_times.size(), 45u);
  for (int i = 0; i < 45; ++i) {
    EXPECT_NEAR(d.picture_times[i], i * 1001.0 / 30000, 1e-6) << i;
    EXPECT_EQ(d.picture_luma[i], testing_support::fake_luma(i)) << i;
    EXPECT_EQ(d.picture_bytes[i], 640 * 480 * 3 / 2) << i;
  }

  ASSERT_GE(d.audio_index, 0);
  const AVStream* audio = served.ctx->streams[d.audio_index];
  EXPECT_EQ(audio->codecpar->codec_id, AV_CODEC_ID_PCM_S16LE);
  EXPECT_EQ(audio->codecpar->sample_rate, 48000);
  EXPECT_EQ(audio->codecpar->ch_layout.nb_channels, 2);
  EXPECT_EQ(d.first_sound_time, 0.0);
  EXPECT_TRUE(d.sound_contiguous);
  // The fake delivers sound up to the last picture's time: 1.468 s, in blocks of 1600 samples.
  EXPECT_EQ(d.sound.size(), 45u * 1600 * 2);
  EXPECT_TRUE(std::all_of(d.sound.begin(), d.sound.end(), [](int16_t s) { return s == 1000; }));
}

TEST(ServedInput, DeclaresTheAskedRateOrTheTitlesOwn) {
  const struct { int fps; AVRational declared; } cases[] = {
      {0, {24000, 1001}}, {1, {24, 1}}, {2, {25, 1}}, {3, {30000, 1001}}, {4, {30, 1}}, {5, {25, 1}}, {-1, {25, 1}}};
  FakeTitle title;
  title.frame_rate = {25, 1};
  title.pictures = 3;
  for (const auto& c : cases) {
    ServerParameters params;
    params.fps = c.fps;
    Served served;
    ASSERT_EQ(open_served_input(params, fake(title), &served.ctx), 0);
    ASSERT_GE(avformat_find_stream_info(served.ctx, nullptr), 0);
    const AVStream* video = served.ctx->streams[0];
    EXPECT_EQ(av_cmp_q(video->avg_frame_rate, c.declared), 0) << "fps " << c.fps;
    EXPECT_EQ(av_cmp_q(video->r_frame_rate, c.declared), 0) << "fps " << c.fps;
  }
}

TEST(ServedInput, PassesTheRequestWithTheCrossedTitleNumbers) {
  ServerParameters params;
  params.path = "/discs/movie";
  params.title_set = 2;  // the title's place inside its set
  params.title = 1;      // the set
  params.audio = 1;
  params.subtitle = 2;
  params.start = 4.5;
  params.end = 9;
  params.force = 1;
  dvd::TitleRequest seen;
  FakeTitle title;
  title.pictures = 1;
  Served served;
  ASSERT_EQ(open_served_input(params, fake(title, &seen), &served.ctx), 0);
  EXPECT_EQ(seen.folder, "/discs/movie");
  EXPECT_EQ(seen.title_set, 1);
  EXPECT_EQ(seen.title, 2);
  EXPECT_EQ(seen.audio_index, 1);
  EXPECT_EQ(seen.subtitle_index, 2);
  EXPECT_EQ(seen.start_seconds, 4.5);
  EXPECT_EQ(seen.end_seconds, 9);
  EXPECT_TRUE(seen.deinterlace);
  EXPECT_EQ(seen.out_width, 0);  // square pixels at the display aspect
  EXPECT_EQ(seen.pixel_format, AV_PIX_FMT_YUV420P);
}

TEST(ServedInput, SynthesisesSilenceOnlyWhenAskedForATitleWithoutSound) {
  FakeTitle title;
  title.has_audio = false;
  title.pictures = 30;  // 1.001 s
  {
    ServerParameters params;
    params.synth = 1;
    Served served;
    ASSERT_EQ(open_served_input(params, fake(title), &served.ctx), 0);
    const auto d = drain_input(served.ctx);
    ASSERT_GE(d.audio_index, 0);
    EXPECT_EQ(served.ctx->streams[d.audio_index]->codecpar->sample_rate, 48000);
    EXPECT_EQ(d.picture_times.size(), 30u);
    EXPECT_TRUE(d.sound_contiguous);
    EXPECT_EQ(d.first_sound_time, 0.0);
    EXPECT_EQ(d.sound.size(), 48048u * 2);  // exactly the 30 pictures' time
    EXPECT_TRUE(std::all_of(d.sound.begin(), d.sound.end(), [](int16_t s) { return s == 0; }));
  }
  {
    Served served;
    ASSERT_EQ(open_served_input(ServerParameters{}, fake(title), &served.ctx), 0);
    const auto d = drain_input(served.ctx);
    EXPECT_EQ(served.ctx->nb_streams, 1u);
    EXPECT_EQ(d.picture_times.size(), 30u);
  }
  {  // a title with sound keeps its own sound
    FakeTitle with_sound;
    with_sound.pictures = 5;
    ServerParameters params;
    params.synth = 1;
    Served served;
    ASSERT_EQ(open_served_input(params, fake(with_sound), &served.ctx), 0);
    const auto d = drain_input(served.ctx);
    ASSERT_FALSE(d.sound.empty());
    EXPECT_EQ(d.sound.front(), 1000);
  }
}

TEST(ServedInput, PicturesFromBeforeTheRangeStartAreLeftOut) {
  FakeTitle title;
  title.pictures = 20;
  title.has_audio = false;
  title.first_time = -5 * 1001.0 / 30000;  // five pictures of decoding lead-in
  Served served;
  ASSERT_EQ(open_served_input(ServerParameters{}, fake(title), &served.ctx), 0);
  const auto d = drain_input(served.ctx);
  ASSERT_EQ(d.picture_times.size(), 15u);
  EXPECT_EQ(d.picture_times.front(), 0.0);
  EXPECT_EQ(d.picture_luma.front(), testing_support::fake_luma(5));
}

TEST(ServedInput, ADecodingErrorEndsTheStreamAsAnError) {
  FakeTitle title;
  title.error_after_pictures = 12;
  title.pictures = 100;
  Served served;
  ASSERT_EQ(open_served_input(ServerParameters{}, fake(title), &served.ctx), 0);
  const auto d = drain_input(served.ctx);
  EXPECT_EQ(d.picture_times.size(), 12u);
  EXPECT_LT(d.end_code, 0);
  EXPECT_NE(d.end_code, AVERROR_EOF) << "a damaged title must not read as a complete one";
}

TEST(ServedInput, OpenFailuresLeaveNothingOpen) {
  AVFormatContext* ctx = reinterpret_cast<AVFormatContext*>(1);
  const DecoderFactory missing = [](const dvd::TitleRequest&, std::string* error) {
    *error = "title set 3 does not exist";
    return std::unique_ptr<dvd::TitleDecoder>{};
  };
  EXPECT_EQ(open_served_input(ServerParameters{}, missing, &ctx), AVERROR(ENOENT));
  EXPECT_EQ(ctx, nullptr);

  std::atomic<int> destroyed = 0;
  FakeTitle broken;
  broken.width = 0;  // a decoder that opened but describes no picture
  broken.destroyed = &destroyed;
  EXPECT_LT(open_served_input(ServerParameters{}, fake(broken), &ctx), 0);
  EXPECT_EQ(ctx, nullptr);
  EXPECT_EQ(destroyed, 1);
}

TEST(ServedInput, ClosingEarlyStopsTheDecoderPromptly) {
  std::atomic<int> destroyed = 0;
  FakeTitle endless;
  endless.pictures = -1;
  endless.destroyed = &destroyed;
  endless.delay_per_picture = std::chrono::milliseconds(2);
  const auto started = std::chrono::steady_clock::now();
  {
    Served served;
    ASSERT_EQ(open_served_input(ServerParameters{}, fake(endless), &served.ctx), 0);
    const auto d = drain_input(served.ctx, 20);
    EXPECT_EQ(d.picture_times.size(), 20u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the worker fill its queue
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  close_served_input(nullptr);
}

}  // namespace
}  // namespace frameserver

// The engine converting a chapter of a generated disc through the frame server, with the argument
// vector a conversion job builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/av_ptr.h"
#include "frameserver/frame_server.h"
#include "frameserver/server_parameters.h"
#include "iPod/engine.h"
#include "platform/registry.h"
#include "platform/scoped_config_home.h"

namespace frameserver {
namespace {

std::string disc(const std::string& name) {
  const char* env = std::getenv("DORVANE_TEST_DISCS");
  return std::string(env && *env ? env : DORVANE_TEST_DISCS) + "/" + name;
}

struct OutputFacts {
  int width = 0, height = 0, sample_rate = 0;
  AVCodecID video_codec = AV_CODEC_ID_NONE, audio_codec = AV_CODEC_ID_NONE;
  int pictures = 0;
  double duration = 0;
  int first_picture_luma = -1;  // mean luma of the centre of the first decoded picture
};

OutputFacts inspect(const std::string& path) {
  OutputFacts facts;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return facts;
  av::InputContextPtr ctx(raw);
  if (avformat_find_stream_info(ctx.get(), nullptr) < 0) return facts;
  facts.duration = ctx->duration / double{AV_TIME_BASE};
  const int v = av_find_best_stream(ctx.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const int a = av_find_best_stream(ctx.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (a >= 0) {
    facts.audio_codec = ctx->streams[a]->codecpar->codec_id;
    facts.sample_rate = ctx->streams[a]->codecpar->sample_rate;
  }
  if (v < 0) return facts;
  const AVCodecParameters* par = ctx->streams[v]->codecpar;
  facts.video_codec = par->codec_id;
  facts.width = par->width;
  facts.height = par->height;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  av::CodecContextPtr dec(avcodec_alloc_context3(codec));
  if (!dec || avcodec_parameters_to_context(dec.get(), par) < 0 || avcodec_open2(dec.get(), codec, nullptr) < 0)
    return facts;
  av::PacketPtr packet(av_packet_alloc());
  av::FramePtr frame(av_frame_alloc());
  const auto take_frames = [&] {
    while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
      if (facts.first_picture_luma < 0) {
        int sum = 0;
        for (int y = frame->height / 2 - 8; y < frame->height / 2 + 8; ++y)
          for (int x = frame->width / 2 - 8; x < frame->width / 2 + 8; ++x) sum += frame->data[0][y * frame->linesize[0] + x];
        facts.first_picture_luma = sum / 256;
      }
      ++facts.pictures;
    }
  };
  while (av_read_frame(ctx.get(), packet.get()) >= 0) {
    if (packet->stream_index == v) avcodec_send_packet(dec.get(), packet.get());
    av_packet_unref(packet.get());
    take_frames();
  }
  avcodec_send_packet(dec.get(), nullptr);
  take_frames();
  return facts;
}

// Times (seconds) at which the first audio channel of `path` turns loud: the start of each beep,
// taken as the first 5 ms window above half the loudest one, one per half second at most.
std::vector<double> beep_onsets(const std::string& path) {
  std::vector<double> onsets;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return onsets;
  av::InputContextPtr ctx(raw);
  if (avformat_find_stream_info(ctx.get(), nullptr) < 0) return onsets;
  const int a = av_find_best_stream(ctx.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (a < 0) return onsets;
  const AVCodecParameters* par = ctx->streams[a]->codecpar;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  av::CodecContextPtr dec(avcodec_alloc_context3(codec));
  if (!dec || avcodec_parameters_to_context(dec.get(), par) < 0 || avcodec_open2(dec.get(), codec, nullptr) < 0)
    return onsets;
  if (dec->sample_fmt != AV_SAMPLE_FMT_FLTP) return onsets;
  std::vector<float> samples;
  av::PacketPtr packet(av_packet_alloc());
  av::FramePtr frame(av_frame_alloc());
  const auto take = [&] {
    while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
      const auto* data = reinterpret_cast<const float*>(frame->data[0]);
      samples.insert(samples.end(), data, data + frame->nb_samples);
    }
  };
  while (av_read_frame(ctx.get(), packet.get()) >= 0) {
    if (packet->stream_index == a) avcodec_send_packet(dec.get(), packet.get());
    av_packet_unref(packet.get());
    take();
  }
  avcodec_send_packet(dec.get(), nullptr);
  take();
  // The decoder's priming samples are not part of the programme.
  const auto skip = static_cast<size_t>(std::max(0, par->initial_padding));
  if (samples.size() <= skip) return onsets;
  samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(skip));

  const int rate = par->sample_rate, window = rate / 200;
  std::vector<double> energy;
  for (size_t i = 0; i + window <= samples.size(); i += window) {
    double sum = 0;
    for (int k = 0; k < window; ++k) sum += samples[i + k] * samples[i + k];
    energy.push_back(sum / window);
  }
  const double loudest = energy.empty() ? 0 : *std::max_element(energy.begin(), energy.end());
  for (size_t w = 0; w < energy.size(); ++w) {
    if (energy[w] > 0.25 * loudest) {  // half the loudest amplitude
      onsets.push_back(static_cast<double>(w * window) / rate);
      w += 100;  // half a second of 5 ms windows
    }
  }
  return onsets;
}

class EngineThroughFrameServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(disc("ntsc_4x3/VIDEO_TS/VIDEO_TS.IFO")));
    install_frame_server();
    script_ = home_.file("video.avs");
    output_ = home_.file("MOVIE_Title01.02.mp4");
    testing_support::write_text(script_, "");
    // Chapter 2 of title 1: 4 s to 8 s, declared at 29.97 fps.
    const std::pair<const char*, const char*> values[] = {
        {"path", nullptr}, {"audio", "0"}, {"subtitle", "0"}, {"title set", "0"}, {"title", "0"},
        {"start", "4.000000"}, {"end", "8.000000"}, {"force", "0"}, {"synth", "0"}, {"fps", "3"}};
    for (const auto& [name, text] : values)
      ASSERT_TRUE(platform::registry_set_string(std::string(kParameterKey) + "\\" + name, "",
                                                text ? text : disc("ntsc_4x3")));
  }
  void TearDown() override {
    engine_set_message_pump(nullptr);
    remove_frame_server();
  }

  void set(const char* name, const std::string& text) {
    ASSERT_TRUE(platform::registry_set_string(std::string(kParameterKey) + "\\" + name, "", text));
  }

  int run(const char* duration = "4.00") {
    std::vector<std::string> words = {
        "dorvane", "-i", script_, "-title", "MOVIE_Title01.02", "-vcodec", "xvid", "-r", "29.970030",
        "-fixaspect", "-aspect", "4:3", "-s", "320X240", "-vol", "100", "-maxrate", "2500", "-b", "768",
        "-acodec", "aac", "-ac", "2", "-ab", "32", "-ar", "24000", "-muxvb", "768", "-t", duration, output_};
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    return engine_main(static_cast<int>(argv.size()), argv.data());
  }

  testing_support::ScopedConfigHome home_;
  std::string script_, output_;
};

TEST_F(EngineThroughFrameServer, ConvertsAChapterStartingOnItsFlash) {
  ASSERT_EQ(run(), 2);
  const OutputFacts out = inspect(output_);
  EXPECT_EQ(out.video_codec, AV_CODEC_ID_MPEG4);
  EXPECT_EQ(out.width, 320);
  EXPECT_EQ(out.height, 240);
  EXPECT_EQ(out.audio_codec, AV_CODEC_ID_AAC);
  EXPECT_EQ(out.sample_rate, 24000);
  EXPECT_NEAR(out.pictures, 120, 2);
  EXPECT_NEAR(out.duration, 4.0, 0.15);
  EXPECT_GT(out.first_picture_luma, 180) << "the chapter opens on the flash of second 4";
}

TEST_F(EngineThroughFrameServer, ATitleWithoutSoundGetsASilentTrackWhenAsked) {
  set("path", disc("two_sets"));
  set("title", "1");      // the second title set
  set("title set", "1");  // its second title: 3 s without sound
  set("start", "0.000000");
  set("end", "3.003000");
  set("synth", "1");
  ASSERT_EQ(run("3.00"), 2);
  const OutputFacts out = inspect(output_);
  EXPECT_EQ(out.video_codec, AV_CODEC_ID_MPEG4);
  EXPECT_EQ(out.audio_codec, AV_CODEC_ID_AAC);
  EXPECT_NEAR(out.pictures, 90, 2);
}

// The multi_vob title is three separately encoded segments whose sound does not quite fill their
// pictures: the sound must stay on the pictures' time line after each join, not slide forward.
TEST_F(EngineThroughFrameServer, SoundStaysInSyncAcrossSegmentJoins) {
  set("path", disc("multi_vob"));
  set("start", "0.000000");
  set("end", "15.015000");
  ASSERT_EQ(run("15.01"), 2);
  const std::vector<double> onsets = beep_onsets(output_);
  ASSERT_GE(onsets.size(), 15u);
  const double frame = 1001.0 / 30000;
  // The beeps that open a segment (5 s, 10 s) may lose their first block at the join; every other
  // beep sits on its whole second within one picture.
  for (int second : {1, 4, 6, 9, 11, 14}) {
    const auto nearest = *std::min_element(onsets.begin(), onsets.end(), [&](double x, double y) {
      return std::abs(x - second) < std::abs(y - second);
    });
    EXPECT_NEAR(nearest, second, frame) << "beep of second " << second;
  }
}

int pumped = 0;

TEST_F(EngineThroughFrameServer, AStopMidwayEndsTheRunWithoutHanging) {
  pumped = 0;
  engine_set_message_pump([] {
    if (++pumped == 20) engine_request_stop();
  });
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(run(), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  const OutputFacts out = inspect(output_);
  EXPECT_GT(out.pictures, 0);
  EXPECT_LT(out.pictures, 100);
}

TEST_F(EngineThroughFrameServer, AMissingTitleIsTheEnginesOpenError) {
  ASSERT_TRUE(platform::registry_set_string(std::string(kParameterKey) + "\\title", "", "7"));
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(std::filesystem::exists(output_) && std::filesystem::file_size(output_) > 0);
}

}  // namespace
}  // namespace frameserver

// The frame server on the generated test discs (see tests/data/README.md for their pattern),
// opened the way the engine opens it: parameters in the registry, an empty script file.
#include "frameserver/frame_server.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "frameserver/drain_input.h"
#include "frameserver/server_parameters.h"
#include "platform/registry.h"
#include "platform/scoped_config_home.h"

namespace frameserver {
namespace {

std::string disc(const std::string& name) {
  const char* env = std::getenv("DORVANE_TEST_DISCS");
  return std::string(env && *env ? env : DORVANE_TEST_DISCS) + "/" + name;
}

class FrameServerDisc : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(disc("ntsc_4x3/VIDEO_TS/VIDEO_TS.IFO")))
        << "test discs missing: run tests/data/make_test_discs.sh " << disc("");
    script_ = home_.file("video.avs");
    testing_support::write_text(script_, "");
  }
  void TearDown() override { close_frame_server_input(ctx_); }

  // Writes the parameters as a conversion job does ("title set" = position, "title" = set).
  void job(const std::string& folder, int set, int position, double start, double end, int audio = 0,
           int subtitle = 0, int synth = 0, int fps = 3, int force = 0) {
    const std::string key = kParameterKey;
    char start_text[32], end_text[32];
    std::snprintf(start_text, sizeof start_text, "%f", start);
    std::snprintf(end_text, sizeof end_text, "%f", end);
    const std::pair<const char*, std::string> values[] = {
        {"path", folder}, {"audio", std::to_string(audio)}, {"subtitle", std::to_string(subtitle)},
        {"title set", std::to_string(position)}, {"title", std::to_string(set)}, {"start", start_text},
        {"end", end_text}, {"force", std::to_string(force)}, {"synth", std::to_string(synth)}, {"fps", std::to_string(fps)}};
    for (const auto& [name, text] : values) ASSERT_TRUE(platform::registry_set_string(key + "\\" + name, "", text));
  }

  testing_support::Drained serve(int* result = nullptr) {
    const int ret = open_frame_server_input(script_.c_str(), &ctx_);
    if (result) *result = ret;
    if (ret < 0) return {};
    return testing_support::drain_input(ctx_);
  }

  testing_support::ScopedConfigHome home_;
  std::string script_;
  AVFormatContext* ctx_ = nullptr;
};

// The picture's expected luma at title frame n (tests/data/README.md): a flash on the first frame
// of every whole second, else 16 + 6 * second.
int expected_luma(int64_t n, AVRational rate) {
  const auto second = [&](int64_t k) { return static_cast<int64_t>(std::floor(k * av_q2d(av_inv_q(rate)) + 1e-9)); };
  if (n == 0 || second(n) != second(n - 1)) return 235;
  return static_cast<int>(16 + 6 * second(n));
}

struct RangeCase {
  const char* name;
  const char* disc;
  int set, position;
  double start, end;
  int width, height;
  AVRational rate;
  int pictures;
  int force = 0;  // "force": de-interlace
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class ServedRange : public FrameServerDisc, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(ServedRange, EveryPictureInPlaceFromZero) {
  const RangeCase& c = GetParam();
  job(disc(c.disc), c.set, c.position, c.start, c.end, 0, 0, 0, 3, c.force);
  int result = 0;
  const auto d = serve(&result);
  ASSERT_EQ(result, 0);
  ASSERT_GE(d.probe_result, 0);
  EXPECT_EQ(d.end_code, AVERROR_EOF);
  const AVStream* video = ctx_->streams[d.video_index];
  EXPECT_EQ(video->codecpar->width, c.width);
  EXPECT_EQ(video->codecpar->height, c.height);
  EXPECT_EQ(av_cmp_q(video->avg_frame_rate, AVRational{30000, 1001}), 0);  // "fps" 3, whatever the disc
  EXPECT_NEAR(static_cast<double>(d.picture_times.size()), c.pictures, 1);
  ASSERT_FALSE(d.picture_times.empty());
  EXPECT_LT(d.picture_times.front(), 0.02);

  const double period = av_q2d(av_inv_q(c.rate));
  int wrong = 0;
  for (size_t i = 0; i < d.picture_times.size(); ++i) {
    if (i > 0 && std::abs(d.picture_times[i] - d.picture_times[i - 1] - period) > 1e-3) {
      ADD_FAILURE() << "time jumps before picture " << i << ": " << d.picture_times[i - 1] << " -> "
                    << d.picture_times[i];
      break;
    }
    const int64_t n = std::llround((c.start + d.picture_times[i]) * av_q2d(c.rate));
    if (std::abs(d.picture_luma[i] - expected_luma(n, c.rate)) > 4 && ++wrong <= 5)
      ADD_FAILURE() << "picture " << i << " (title frame " << n << ") has luma " << int{d.picture_luma[i]}
                    << ", expected " << expected_luma(n, c.rate);
  }
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Discs, ServedRange, ::testing::Values(
    RangeCase{"NtscSecondChapter", "ntsc_4x3", 0, 0, 4, 8, 640, 480, {30000, 1001}, 120},
    RangeCase{"NtscWholeTitle", "ntsc_4x3", 0, 0, 0, 0, 640, 480, {30000, 1001}, 360},
    RangeCase{"NtscDeinterlaced", "ntsc_4x3", 0, 0, 0, 0, 640, 480, {30000, 1001}, 360, 1},
    RangeCase{"AcrossCellsAndVobFiles", "multi_vob", 0, 0, 0, 0, 640, 480, {30000, 1001}, 450},
    RangeCase{"PalWideFromTheMiddle", "pal_16x9_subs", 0, 0, 3, 6, 1024, 576, {25, 1}, 75},
    RangeCase{"SecondTitleSet", "two_sets", 1, 0, 2, 0, 640, 480, {30000, 1001}, 210}),
    [](const auto& row) { return std::string(row.param.name); });

// Frequency of the beep that starts at `second` of the served sound, from its zero crossings.
double beep_frequency(const std::vector<int16_t>& sound, int rate, int second) {
  const size_t from = static_cast<size_t>((second + 0.01) * rate), to = static_cast<size_t>((second + 0.09) * rate);
  if (2 * to > sound.size()) return 0;
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i) crossings += (sound[2 * i - 2] < 0) != (sound[2 * i] < 0);
  return crossings / 2.0 / (static_cast<double>(to - from) / rate);
}

double loudness(const std::vector<int16_t>& sound, int rate, double from, double to) {
  double peak = 0;
  for (size_t i = static_cast<size_t>(from * rate); i < static_cast<size_t>(to * rate) && 2 * i < sound.size(); ++i)
    peak = std::max(peak, std::abs(static_cast<double>(sound[2 * i])));
  return peak;
}

TEST_F(FrameServerDisc, TheChosenTrackBeepsOnEverySecondInStep) {
  for (const auto& [audio, frequency] : {std::pair{0, 1000.0}, std::pair{1, 2000.0}}) {
    close_frame_server_input(ctx_);
    ctx_ = nullptr;
    job(disc("ntsc_4x3"), 0, 0, 4, 8, audio);
    const auto d = serve();
    ASSERT_GE(d.audio_index, 0);
    const int rate = ctx_->streams[d.audio_index]->codecpar->sample_rate;
    EXPECT_EQ(rate, 48000);
    EXPECT_NEAR(d.sound.size() / 2.0 / rate, 4.0, 0.1);
    EXPECT_LT(d.first_sound_time, 0.02);
    for (int second = 0; second < 3; ++second) {
      EXPECT_NEAR(beep_frequency(d.sound, rate, second), frequency, frequency * 0.05) << "track " << audio;
      EXPECT_GT(loudness(d.sound, rate, second + 0.01, second + 0.09), 8000) << "beep at " << second;
      EXPECT_LT(loudness(d.sound, rate, second + 0.15, second + 0.95), 500) << "silence after " << second;
    }
  }
}

TEST_F(FrameServerDisc, TheChosenSubtitleIsBurnedIn) {
  // The box covers x 120..599, y 400..519 of the 720x576 picture: x 170..852 once shown 1024 wide.
  struct Case { int subtitle; bool at_2s, at_6s; };
  for (const Case c : {Case{0, false, false}, Case{1, true, false}, Case{2, false, true}}) {
    close_frame_server_input(ctx_);
    ctx_ = nullptr;
    job(disc("pal_16x9_subs"), 0, 0, 0, 0, 0, c.subtitle);
    ASSERT_EQ(open_frame_server_input(script_.c_str(), &ctx_), 0);
    ASSERT_GE(avformat_find_stream_info(ctx_, nullptr), 0);
    av::PacketPtr packet(av_packet_alloc());
    std::vector<int> lit;  // box centre luma of pictures 55 (2.2 s) and 155 (6.2 s)
    int picture = 0;
    while (av_read_frame(ctx_, packet.get()) >= 0) {
      if (ctx_->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (picture == 55 || picture == 155) {
          const int width = ctx_->streams[packet->stream_index]->codecpar->width;
          int sum = 0;
          for (int y = 450; y < 470; ++y)
            for (int x = 500; x < 520; ++x) sum += packet->data[y * width + x];
          lit.push_back(sum / 400);
        }
        ++picture;
      }
      av_packet_unref(packet.get());
    }
    ASSERT_EQ(lit.size(), 2u);
    EXPECT_EQ(lit[0] > 180, c.at_2s) << "subtitle " << c.subtitle << " at 2.2 s: luma " << lit[0];
    EXPECT_EQ(lit[1] > 180, c.at_6s) << "subtitle " << c.subtitle << " at 6.2 s: luma " << lit[1];
  }
}

TEST_F(FrameServerDisc, SilenceIsSynthesisedForTheTitleWithoutSound) {
  job(disc("two_sets"), 1, 1, 0, 0, 0, 0, 1);
  auto d = serve();
  ASSERT_GE(d.audio_index, 0);
  EXPECT_NEAR(d.picture_times.size(), 90, 1);
  EXPECT_NEAR(d.sound.size() / 2.0 / 48000, 3.003, 0.05);
  EXPECT_EQ(loudness(d.sound, 48000, 0, 3.1), 0);

  close_frame_server_input(ctx_);
  ctx_ = nullptr;
  job(disc("two_sets"), 1, 1, 0, 0, 0, 0, 0);
  d = serve();
  EXPECT_LT(d.audio_index, 0) << "without \"synth\" no sound stream is added";
  EXPECT_NEAR(d.picture_times.size(), 90, 1);
}

TEST_F(FrameServerDisc, OpenErrorsAreReportedNotServed) {
  struct Case { const char* name; std::string folder; int set, position; double start; bool remove_script; };
  const Case cases[] = {
      {"missing script", disc("ntsc_4x3"), 0, 0, 0, true},
      {"missing folder", disc("no_such_disc"), 0, 0, 0, false},
      {"no title set 5", disc("ntsc_4x3"), 4, 0, 0, false},
      {"no title 9 in set 1", disc("two_sets"), 0, 8, 0, false},
      {"negative set", disc("two_sets"), -1, 0, 0, false},
      {"start beyond the title", disc("ntsc_4x3"), 0, 0, 50, false},
      {"empty path", "", 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    testing_support::write_text(script_, "");
    if (c.remove_script) std::filesystem::remove(script_);
    job(c.folder, c.set, c.position, c.start, 0);
    AVFormatContext* ctx = reinterpret_cast<AVFormatContext*>(1);
    EXPECT_LT(open_frame_server_input(script_.c_str(), &ctx), 0) << c.name;
    EXPECT_EQ(ctx, nullptr) << c.name;
  }
}

}  // namespace
}  // namespace frameserver

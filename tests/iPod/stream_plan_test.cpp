// Set-up decisions and the pad painter.
#include <gtest/gtest.h>

#include <vector>

#include "iPod/pad_bands.h"
#include "iPod/stream_plan.h"

namespace {

struct ResampleCase {
  const char* name;
  int in_ch, in_rate, out_ch, out_rate;
  bool ac3;
  int async;
  bool resample, downmix;
};
class AudioResample : public ::testing::TestWithParam<ResampleCase> {};
TEST_P(AudioResample, Decides) {
  const auto& c = GetParam();
  const AudioResamplePlan p = plan_audio_resample(c.in_ch, c.in_rate, c.out_ch, c.out_rate, c.ac3, c.async);
  EXPECT_EQ(p.resample, c.resample);
  EXPECT_EQ(p.decoder_downmix, c.downmix);
}
INSTANTIATE_TEST_SUITE_P(Table, AudioResample, ::testing::Values(
    ResampleCase{"Same", 2, 24000, 2, 24000, false, 1, false, false},
    ResampleCase{"RateOnly", 2, 48000, 2, 24000, false, 1, true, false},
    ResampleCase{"Ac3DownmixSameRate", 6, 24000, 2, 24000, true, 1, false, true},
    ResampleCase{"Ac3DownmixOtherRate", 6, 48000, 2, 24000, true, 1, true, true},
    ResampleCase{"ChannelsOther", 1, 24000, 2, 24000, false, 1, true, false},
    ResampleCase{"AsyncForces", 2, 24000, 2, 24000, false, 2, true, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PicturePlan, Cases) {
  const Bands none;
  EXPECT_EQ(plan_picture(320, 240, 320, 240, none, none), PictureWork::None);
  EXPECT_EQ(plan_picture(720, 576, 320, 240, none, Bands{0, 0, 10, 10}), PictureWork::Resample);
  EXPECT_EQ(plan_picture(720, 480, 704, 480, Bands{0, 0, 8, 8}, none), PictureWork::Crop);
  EXPECT_EQ(plan_picture(320, 212, 320, 240, none, Bands{14, 14, 0, 0}), PictureWork::Pad);
}

TEST(OutputRules, ChannelsRatesAndGlobalHeaders) {
  EXPECT_EQ(output_channel_count(6, "aac"), 2);
  EXPECT_EQ(output_channel_count(6, "mp2"), 2);
  EXPECT_EQ(output_channel_count(6, "ac3"), 6);
  EXPECT_EQ(output_channel_count(1, "aac"), 1);
  const AVRational rates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {0, 0}};
  EXPECT_EQ(av_cmp_q(nearest_frame_rate({2997, 100}, rates), AVRational{30000, 1001}), 0);
  EXPECT_EQ(av_cmp_q(nearest_frame_rate({26, 1}, rates), AVRational{25, 1}), 0);
  EXPECT_EQ(av_cmp_q(nearest_frame_rate({26, 1}, nullptr), AVRational{26, 1}), 0);
  for (const char* f : {"mp4", "mov", "3gp", "asf", "psp", "kddi", "docomo", "3g2"}) EXPECT_TRUE(wants_global_header(f)) << f;
  EXPECT_FALSE(wants_global_header("avi"));
  EXPECT_FALSE(wants_global_header("ipod"));
}

struct Picture {
  int w, h;
  std::vector<uint8_t> y, u, v;
  Picture(int width, int height) : w(width), h(height), y(width * height, 1), u(width * height / 4, 2), v(width * height / 4, 3) {}
  void fill(int top, int bottom, int left, int right) {
    uint8_t* data[3] = {y.data(), u.data(), v.data()};
    const int lines[3] = {w, w / 2, w / 2};
    const int color[3] = {16, 128, 129};
    fill_pad_bands(data, lines, h, top, bottom, left, right, color);
  }
};

TEST(PadBands, LetterboxPaintsExactlyTheBands) {
  Picture p(320, 240);
  p.fill(14, 14, 0, 0);
  for (int row = 0; row < 240; ++row) {
    const bool band = row < 14 || row >= 226;
    for (int col = 0; col < 320; ++col) ASSERT_EQ(p.y[row * 320 + col], band ? 16 : 1) << row << "," << col;
  }
  for (int row = 0; row < 120; ++row) {
    const bool band = row < 7 || row >= 113;
    for (int col = 0; col < 160; ++col) {
      ASSERT_EQ(p.u[row * 160 + col], band ? 128 : 2) << row << "," << col;
      ASSERT_EQ(p.v[row * 160 + col], band ? 129 : 3) << row << "," << col;
    }
  }
}

TEST(PadBands, PillarboxPaintsExactlyTheBands) {
  Picture p(320, 240);
  p.fill(0, 0, 10, 10);
  for (int row = 0; row < 240; ++row)
    for (int col = 0; col < 320; ++col)
      ASSERT_EQ(p.y[row * 320 + col], (col < 10 || col >= 310) ? 16 : 1) << row << "," << col;
  for (int row = 0; row < 120; ++row)
    for (int col = 0; col < 160; ++col)
      ASSERT_EQ(p.u[row * 160 + col], (col < 5 || col >= 155) ? 128 : 2) << row << "," << col;
}

}  // namespace

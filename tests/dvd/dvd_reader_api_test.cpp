// The preview through the reader library's entry points: open a title, seek, decode frames with
// their sound, render them in the screen's depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dvd/dvd_reader_api.h"
#include "dvd_test_discs.h"

namespace {

constexpr double kNtscFrame = 1001.0 / 30000;

double time_at_offset_24(const PreviewFrame& frame) {
  double time;
  std::memcpy(&time, reinterpret_cast<const char*>(&frame) + 24, sizeof time);
  return time;
}

class Preview : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(v_vorbisfile_open_func(dvd_test::disc("ntsc_4x3").c_str(), 0, 0), 1);
  }
  void TearDown() override { v_vorbisfile_disconnect_func(); }
};

TEST_F(Preview, DecodesFramesWithTheirTimeAndSound) {
  int width = 0, height = 0, rate = 0;
  ASSERT_EQ(v_vorbisfile_run_func(0, 0, 1, 0, &width, &height, 3, &rate), 1);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(rate, 48000);
  ASSERT_NE(v_vorbisfile_skip_func(4.0), 0);

  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  std::vector<int16_t> sound;
  std::vector<int> centre_green;
  PreviewFrame frame{};
  for (int n = 0; n < 40; ++n) {
    const int16_t* chunk = nullptr;
    int values = 0;
    ASSERT_EQ(v_vorbisfile_transform_func(&frame, width, height, &chunk, &values), 1);
    EXPECT_DOUBLE_EQ(time_at_offset_24(frame), frame.time);
    if (n == 0) {
      EXPECT_NEAR(frame.time, 120 * kNtscFrame - 4.0, kNtscFrame);  // the flash of second 4
    }
    // One picture interval of stereo sound per frame (1601 or 1602 samples); the first frame
    // also carries the sound from the seek point to it.
    EXPECT_NEAR(values, 2 * 48000 * (kNtscFrame + (n == 0 ? frame.time : 0)), 4) << n;
    sound.insert(sound.end(), chunk, chunk + values);
    ASSERT_EQ(v_vorbisfile_wrote_func(frame, pixels.data(), width, height, 32), 1);
    centre_green.push_back(pixels[(static_cast<size_t>(height / 2) * width + width / 2) * 4 + 1]);
  }
  EXPECT_GT(centre_green[0], 245);       // the flash
  EXPECT_NEAR(centre_green[5], 28, 4);   // second 4: luma 40 is 28 in full range
  EXPECT_GT(centre_green[30], 245);      // second 5's flash, one second later
  // The second track beeps at 2000 Hz at the start of each second: at the first frame and 30
  // frames on.
  const std::vector<double> beeps = dvd_test::beep_onsets(sound, 48000);
  ASSERT_EQ(beeps.size(), 2u);
  EXPECT_NEAR(beeps[1] - beeps[0], 30 * kNtscFrame, kNtscFrame);
  EXPECT_NEAR(dvd_test::tone_frequency(sound, 48000, beeps[0]), 2000, 100);
}

TEST_F(Preview, RendersAtOtherSizesAndDepthsOnlyTheLatestFrame) {
  int width = 0, height = 0, rate = 0;
  ASSERT_EQ(v_vorbisfile_run_func(0, 0, 0, 0, &width, &height, 3, &rate), 1);
  PreviewFrame first{}, second{};
  const int16_t* chunk = nullptr;
  int values = 0;
  ASSERT_EQ(v_vorbisfile_transform_func(&first, width, height, &chunk, &values), 1);
  std::vector<uint8_t> small(160 * 120 * 3, 0);
  ASSERT_EQ(v_vorbisfile_wrote_func(first, small.data(), 160, 120, 24), 1);
  EXPECT_GT(small[(60 * 160 + 80) * 3], 245);  // the first frame is a flash
  std::vector<uint8_t> rgb565(160 * 120 * 2, 0);
  EXPECT_EQ(v_vorbisfile_wrote_func(first, rgb565.data(), 160, 120, 16), 1);
  EXPECT_EQ(rgb565[(60 * 160 + 80) * 2 + 1], 0xff);
  EXPECT_EQ(v_vorbisfile_wrote_func(first, small.data(), 160, 120, 8), 0);
  ASSERT_EQ(v_vorbisfile_transform_func(&second, width, height, &chunk, &values), 1);
  EXPECT_EQ(v_vorbisfile_wrote_func(first, small.data(), 160, 120, 24), 0);  // stale frame
  EXPECT_GT(second.time, first.time);
}

TEST_F(Preview, RefusesWhatIsNotThere) {
  int width = 0, height = 0, rate = 0;
  EXPECT_EQ(v_vorbisfile_run_func(0, 5, 0, 0, &width, &height, 3, &rate), 0);
  EXPECT_EQ(v_vorbisfile_run_func(0, 0, 9, 0, &width, &height, 3, &rate), 0);
  EXPECT_EQ(v_vorbisfile_skip_func(1.0), 0);  // nothing open
  PreviewFrame frame{};
  const int16_t* chunk = nullptr;
  int values = -1;
  EXPECT_EQ(v_vorbisfile_transform_func(&frame, 640, 480, &chunk, &values), 0);
  EXPECT_EQ(values, 0);
  ASSERT_EQ(v_vorbisfile_run_func(0, 0, 0, 0, &width, &height, 3, &rate), 1);
  EXPECT_EQ(v_vorbisfile_skip_func(30.0), 0);  // beyond the 12 s title
  EXPECT_EQ(v_vorbisfile_skip_func(std::nan("")), 0);
}

TEST_F(Preview, TitleWithoutAudioPlaysSilence) {
  ASSERT_EQ(v_vorbisfile_open_func(dvd_test::disc("two_sets").c_str(), 0, 0), 1);
  int width = 0, height = 0, rate = 0;
  ASSERT_EQ(v_vorbisfile_run_func(1, 1, 0, 0, &width, &height, 3, &rate), 1);
  EXPECT_EQ(rate, 48000);
  PreviewFrame frame{};
  const int16_t* chunk = nullptr;
  int values = 0;
  for (int n = 0; n < 5; ++n) {
    ASSERT_EQ(v_vorbisfile_transform_func(&frame, width, height, &chunk, &values), 1);
    EXPECT_NEAR(values, 2 * 48000 * kNtscFrame, 4);
    EXPECT_TRUE(std::all_of(chunk, chunk + values, [](int16_t v) { return v == 0; }));
  }
}

TEST_F(Preview, RunsToTheEndOfTheTitle) {
  int width = 0, height = 0, rate = 0;
  ASSERT_EQ(v_vorbisfile_run_func(0, 1, 0, 0, &width, &height, 3, &rate), 1);  // 15 pictures
  PreviewFrame frame{};
  const int16_t* chunk = nullptr;
  int values = 0, frames = 0;
  while (v_vorbisfile_transform_func(&frame, width, height, &chunk, &values) == 1) ++frames;
  EXPECT_EQ(frames, 15);
  EXPECT_EQ(values, 0);
}

}  // namespace

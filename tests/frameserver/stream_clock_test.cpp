#include "frameserver/stream_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace frameserver {
namespace {

TEST(PictureClock, StampsAreNearestTicksAndAlwaysAdvance) {
  PictureClock clock({30000, 1001});
  EXPECT_EQ(clock.end_seconds(), 0);
  const std::vector<std::pair<double, int64_t>> steps = {
      {0.0, 0}, {0.0334, 1}, {0.0660, 2},  // jitter of a few ms rounds to the frame
      {0.0660, 3},                          // a repeated time still moves on
      {0.05, 4},                            // so does one that reaches back
      {1.001, 30},                          // a gap stays a gap
  };
  for (const auto& [seconds, tick] : steps) EXPECT_EQ(clock.stamp(seconds), tick) << seconds;
  EXPECT_NEAR(clock.end_seconds(), 31 * 1001.0 / 30000, 1e-12);
}

struct SoundCase {
  const char* name;
  int64_t next;
  double seconds;
  int nb_samples;
  SoundPlacement expected;
};

class PlaceSound : public ::testing::TestWithParam<SoundCase> {};

TEST_P(PlaceSound, Places) {
  const SoundCase& c = GetParam();
  const SoundPlacement got = place_sound(c.next, c.seconds, 48000, c.nb_samples, 960);
  EXPECT_EQ(got.pts, c.expected.pts);
  EXPECT_EQ(got.skip, c.expected.skip);
}

INSTANTIATE_TEST_SUITE_P(Blocks, PlaceSound, ::testing::Values(
    SoundCase{"FirstAtZero", 0, 0.0, 1536, {0, 0}},
    SoundCase{"JoinsDespiteJitter", 1536, 0.0330, 1536, {1536, 0}},
    SoundCase{"JoinsWhenSlightlyEarly", 48000, 0.99, 1536, {48000, 0}},
    SoundCase{"GapKept", 1536, 0.5, 1536, {24000, 0}},
    SoundCase{"OverlapTrimmed", 48000, 0.9, 1536, {48000, 1536}},
    SoundCase{"PartOverlapTrimmed", 48000, 0.97, 2000, {48000, 1440}},
    SoundCase{"BeforeZeroTrimmed", 0, -0.03, 2000, {0, 1440}}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace frameserver

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dvd/sound_timeline.h"

namespace {

struct Chunk {
  double time;
  int64_t samples;
  int64_t silence, skip, keep;  // expected placement
};

struct TimelineCase {
  const char* name;
  double range_seconds;
  std::vector<Chunk> chunks;
};
void PrintTo(const TimelineCase& c, std::ostream* os) { *os << c.name; }

class Timeline : public ::testing::TestWithParam<TimelineCase> {};

// Rate 1000 Hz keeps the numbers readable: one sample per millisecond, 5 ms tolerance.
TEST_P(Timeline, PlacesChunks) {
  const TimelineCase& c = GetParam();
  dvd::SoundTimeline timeline(1000, c.range_seconds);
  int64_t delivered = 0;
  for (size_t i = 0; i < c.chunks.size(); ++i) {
    const Chunk& chunk = c.chunks[i];
    const dvd::SoundTimeline::Placement p = timeline.place(chunk.time, chunk.samples);
    EXPECT_EQ(p.silence, chunk.silence) << "chunk " << i;
    EXPECT_EQ(p.skip, chunk.skip) << "chunk " << i;
    EXPECT_EQ(p.keep, chunk.keep) << "chunk " << i;
    delivered += p.silence + p.keep;
  }
  EXPECT_EQ(timeline.delivered(), delivered);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Timeline,
    ::testing::Values(
        TimelineCase{"Contiguous", 0, {{0.0, 32, 0, 0, 32}, {0.032, 32, 0, 0, 32}}},
        TimelineCase{"StartsBeforeRange", 0, {{-0.010, 32, 0, 10, 22}, {0.022, 32, 0, 0, 32}}},
        TimelineCase{"StartsAfterRange", 0, {{0.020, 32, 20, 0, 32}}},
        TimelineCase{"GapFilled", 0, {{0.0, 32, 0, 0, 32}, {0.100, 32, 68, 0, 32}}},
        TimelineCase{"OverlapCut", 0, {{0.0, 32, 0, 0, 32}, {0.010, 32, 0, 22, 10}}},
        TimelineCase{"JitterKept", 0, {{0.0, 32, 0, 0, 32}, {0.036, 32, 0, 0, 32}, {0.060, 32, 0, 0, 32}}},
        TimelineCase{"WhollyOld", 0, {{0.0, 32, 0, 0, 32}, {-1.0, 32, 0, 32, 0}}},
        TimelineCase{"EndCuts", 0.050, {{0.0, 32, 0, 0, 32}, {0.032, 32, 0, 0, 18}, {0.064, 32, 0, 0, 0}}},
        TimelineCase{"GapCappedAtEnd", 0.050, {{0.0, 10, 0, 0, 10}, {1.0, 10, 40, 0, 0}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Timeline, PadsToTimeAndStopsAtEnd) {
  dvd::SoundTimeline timeline(1000, 0.1);
  timeline.place(0.0, 30);
  EXPECT_EQ(timeline.pad_to(0.05), 20);
  EXPECT_EQ(timeline.pad_to(0.04), 0);  // never backwards
  EXPECT_FALSE(timeline.full());
  EXPECT_EQ(timeline.pad_to(5.0), 50);
  EXPECT_TRUE(timeline.full());
  EXPECT_DOUBLE_EQ(timeline.next_time(), 0.1);
}

}  // namespace

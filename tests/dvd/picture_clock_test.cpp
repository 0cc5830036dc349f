#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dvd/picture_clock.h"

namespace {

constexpr int64_t kNo = dvd::PictureClock::kNoStamp;

struct ClockCase {
  const char* name;
  std::vector<int64_t> stamps;  // one picture each, duration 10
  std::vector<int64_t> times;   // all placements, in order, after the final flush
};
void PrintTo(const ClockCase& c, std::ostream* os) { *os << c.name; }

class PictureTimes : public ::testing::TestWithParam<ClockCase> {};

TEST_P(PictureTimes, PlacesEveryPictureOnce) {
  const ClockCase& c = GetParam();
  dvd::PictureClock clock(1000);
  std::vector<int64_t> times;
  for (int64_t stamp : c.stamps) clock.add(stamp, 10, times);
  clock.flush(times);
  EXPECT_EQ(times, c.times);
  EXPECT_EQ(clock.waiting(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PictureTimes,
    ::testing::Values(
        ClockCase{"AllStamped", {100, 110, 120}, {100, 110, 120}},
        ClockCase{"MissingFollowThePictureBefore", {100, kNo, kNo, 130}, {100, 110, 120, 130}},
        ClockCase{"LeadingMissingPlacedBackwards", {kNo, kNo, 120, 130}, {100, 110, 120, 130}},
        ClockCase{"BackwardsStampFollowsOn", {100, 110, 50, 130}, {100, 110, 120, 130}},
        ClockCase{"RepeatedStampFollowsOn", {100, 100}, {100, 110}},
        ClockCase{"ForwardJumpKept", {100, 500}, {100, 500}},
        ClockCase{"NoStampsAtAllRunFromTheStart", {kNo, kNo, kNo}, {1000, 1010, 1020}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PictureClock, GivesUpWaitingAfterManyPicturesWithoutStamps) {
  dvd::PictureClock clock(0);
  std::vector<int64_t> times;
  for (size_t i = 0; i + 1 < dvd::PictureClock::kMaxWaiting; ++i) clock.add(kNo, 10, times);
  EXPECT_TRUE(times.empty());
  clock.add(kNo, 10, times);
  ASSERT_EQ(times.size(), dvd::PictureClock::kMaxWaiting);
  EXPECT_EQ(times.back(), 10 * static_cast<int64_t>(dvd::PictureClock::kMaxWaiting - 1));
  times.clear();
  clock.add(kNo, 10, times);  // from now on pictures follow their predecessor at once
  EXPECT_EQ(times, std::vector<int64_t>{10 * static_cast<int64_t>(dvd::PictureClock::kMaxWaiting)});
  EXPECT_EQ(clock.last_end(), times.back() + 10);
}

}  // namespace

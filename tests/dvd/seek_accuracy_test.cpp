// Starting a range inside a GOP of a stream with B-frames: the generated discs have closed GOPs
// without B-frames that start on every whole second, so they cannot show a start that lands in
// the middle of a VOBU. This disc (ffmpeg's DVD preset: GOPs of 18 with B-frames, a moving test
// picture) is authored at test time; every range start must give the very picture a decode from
// the title start shows at that time.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "dvd/title_decoder.h"
#include "dvd_test_discs.h"

namespace {

namespace fs = std::filesystem;

constexpr double kFrame = 1001.0 / 30000;

uint64_t checksum(const AVFrame& picture) {
  uint64_t sum = 0;
  for (int y = 0; y < picture.height; y += 3)
    for (int x = 0; x < picture.width; x += 3) sum = sum * 31 + picture.data[0][y * picture.linesize[0] + x];
  return sum;
}

TEST(SeekAccuracy, RangeStartsInsideGopsGiveTheSamePictures) {
  std::random_device random;
  const fs::path root = fs::temp_directory_path() / ("dorvane-seek-" + std::to_string(random()));
  ASSERT_TRUE(dvd_test::author_disc(
      "-f lavfi -i testsrc2=s=720x480:r=30000/1001:d=5 -f lavfi -i sine=f=440:d=5:sample_rate=48000"
      " -target ntsc-dvd -aspect 4:3 -ac 2",
      root));
  dvd::TitleRequest request;
  request.folder = (root / "disc").string();

  std::map<long, uint64_t> reference;  // picture number -> checksum
  std::string error;
  {
    auto decoder = dvd::open_title_decoder(request, &error);
    ASSERT_TRUE(decoder) << error;
    for (dvd::DecodedUnit unit = decoder->next(); unit.kind == dvd::DecodedUnit::Kind::Picture ||
                                                  unit.kind == dvd::DecodedUnit::Kind::Sound;
         unit = decoder->next())
      if (unit.kind == dvd::DecodedUnit::Kind::Picture)
        reference[std::lround(unit.time / kFrame)] = checksum(*unit.frame);
  }
  ASSERT_GE(reference.size(), 140u);

  for (int second : {1, 2, 3, 4}) {
    request.start_seconds = second;
    auto decoder = dvd::open_title_decoder(request, &error);
    ASSERT_TRUE(decoder) << error;
    int checked = 0;
    for (dvd::DecodedUnit unit = decoder->next(); checked < 5 && unit.kind != dvd::DecodedUnit::Kind::End;
         unit = decoder->next()) {
      ASSERT_NE(unit.kind, dvd::DecodedUnit::Kind::Error) << unit.error;
      if (unit.kind != dvd::DecodedUnit::Kind::Picture) continue;
      if (checked == 0) {
        EXPECT_LT(unit.time, kFrame) << "second " << second;
      }
      const long number = std::lround((unit.time + second) / kFrame);
      EXPECT_EQ(checksum(*unit.frame), reference[number]) << "second " << second << " picture " << number;
      ++checked;
    }
    EXPECT_EQ(checked, 5);
  }
  fs::remove_all(root);
}

}  // namespace

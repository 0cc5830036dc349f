// Audio formats the generated discs do not carry (LPCM, DTS): a two-second disc is authored per
// format with ffmpeg and dvdauthor, then listed and decoded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>

#include "dvd/disc.h"
#include "dvd/title_decoder.h"
#include "dvd_test_discs.h"

namespace {

namespace fs = std::filesystem;

struct FormatCase {
  const char* name;
  const char* ffmpeg_audio;  // codec options for ffmpeg
  const char* track_name;    // as the catalogue names the track (prefix)
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class AudioFormat : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override {
    std::random_device random;
    root_ = fs::temp_directory_path() / ("dorvane-audio-" + std::to_string(random()));
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_P(AudioFormat, IsListedAndDecoded) {
  const FormatCase& c = GetParam();
  // A beep of 100 ms at 1000 Hz at the start of each second, as on the generated discs.
  ASSERT_TRUE(dvd_test::author_disc(
      "-f lavfi -i color=c=black:s=720x480:r=30000/1001:d=2"
      " -f lavfi -i \"sine=f=1000:d=2:sample_rate=48000,volume='if(lt(mod(t,1),0.1),4,0)':eval=frame\""
      " -target ntsc-dvd -aspect 4:3 -ac 2 " + std::string(c.ffmpeg_audio),
      root_));
  const std::string disc = (root_ / "disc").string();

  std::string error;
  std::unique_ptr<dvd::Disc> listed = dvd::Disc::open(disc, &error);
  ASSERT_TRUE(listed) << error;
  ASSERT_EQ(listed->title_set_count(), 1);
  ASSERT_EQ(listed->title_set(0).titles.size(), 1u);
  ASSERT_EQ(listed->title_set(0).titles[0].audio.size(), 1u);
  EXPECT_EQ(listed->title_set(0).titles[0].audio[0].name.rfind(c.track_name, 0), 0u)
      << listed->title_set(0).titles[0].audio[0].name;

  dvd::TitleRequest request;
  request.folder = disc;
  std::unique_ptr<dvd::TitleDecoder> decoder = dvd::open_title_decoder(request, &error);
  ASSERT_TRUE(decoder) << error;
  const dvd_test::Decoded d = dvd_test::decode_all(*decoder);
  ASSERT_TRUE(d.ended) << d.error;
  const std::vector<double> beeps = dvd_test::beep_onsets(d.sound, d.sample_rate);
  ASSERT_EQ(beeps.size(), 2u);
  EXPECT_NEAR(beeps[1] - beeps[0], 1.0, 0.02);
  EXPECT_NEAR(dvd_test::tone_frequency(d.sound, d.sample_rate, beeps[0]), 1000, 50);
}

INSTANTIATE_TEST_SUITE_P(Formats, AudioFormat,
                         ::testing::Values(FormatCase{"Lpcm", "-c:a pcm_s16be", "Unknown LPCM 2ch"},
                                           FormatCase{"Dts", "-c:a dca -strict -2 -b:a 768k", "Unknown DTS"}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace

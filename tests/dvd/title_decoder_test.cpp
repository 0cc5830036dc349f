// Decoding title ranges of the generated discs: where a range starts, sound against pictures
// across cells and VOB files, the chosen audio track and subtitle, range ends, damaged input.
// The discs show a grey level per whole second, a white flash on each second's first picture and
// a beep at each whole second (tests/data/README.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <ostream>
#include <string>
#include <vector>

#include "dvd/title_decoder.h"
#include "dvd_test_discs.h"

namespace {

namespace fs = std::filesystem;
using dvd_test::decode_all;
using dvd_test::Decoded;

constexpr double kNtscFrame = 1001.0 / 30000;
constexpr int kFlash = 235;

int grey_level(int second) { return 16 + 6 * second; }

std::unique_ptr<dvd::TitleDecoder> open(const dvd::TitleRequest& request) {
  std::string error;
  auto decoder = dvd::open_title_decoder(request, &error);
  EXPECT_TRUE(decoder) << error;
  return decoder;
}

dvd::TitleRequest request_for(const std::string& disc, int title_set = 0, int title = 0) {
  dvd::TitleRequest r;
  r.folder = dvd_test::disc(disc);
  r.title_set = title_set;
  r.title = title;
  return r;
}

struct ChapterCase {
  const char* name;
  const char* disc;
  double chapter_start;  // as the catalogue gives it
  int second;            // the whole second the chapter starts on
  double frame;          // picture interval
};
void PrintTo(const ChapterCase& c, std::ostream* os) { *os << c.name; }

class ChapterStart : public ::testing::TestWithParam<ChapterCase> {};

TEST_P(ChapterStart, FirstPictureIsTheChaptersFirst) {
  const ChapterCase& c = GetParam();
  dvd::TitleRequest r = request_for(c.disc);
  r.start_seconds = c.chapter_start;
  auto decoder = open(r);
  ASSERT_TRUE(decoder);
  const Decoded d = decode_all(*decoder, 3);
  ASSERT_EQ(d.picture_levels.size(), 3u) << d.error;
  EXPECT_NEAR(d.picture_levels[0], kFlash, 3);
  EXPECT_NEAR(d.picture_levels[1], grey_level(c.second), 3);
  // The flash of second s is picture round(s * fps), shown on the range clock from the start.
  const double flash_time = std::round(c.second / c.frame) * c.frame - std::floor(c.chapter_start);
  EXPECT_NEAR(d.picture_times[0], flash_time, c.frame);
  EXPECT_NEAR(d.picture_times[1] - d.picture_times[0], c.frame, c.frame / 4);
}

INSTANTIATE_TEST_SUITE_P(
    Chapters, ChapterStart,
    ::testing::Values(ChapterCase{"NtscSecond", "ntsc_4x3", 4.0, 4, kNtscFrame},
                      ChapterCase{"NtscThird", "ntsc_4x3", 8.0, 8, kNtscFrame},
                      ChapterCase{"PalSecond", "pal_16x9_subs", 4.0, 4, 0.04},
                      ChapterCase{"SecondSegment", "multi_vob", 5.0, 5, kNtscFrame},
                      ChapterCase{"ThirdSegmentAfterVobSplit", "multi_vob", 10.0, 10, kNtscFrame},
                      ChapterCase{"MidChapterSecond", "ntsc_4x3", 6.5, 6, kNtscFrame}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TitleDecoder, SoundStaysWithPicturesAcrossCellsAndVobFiles) {
  auto decoder = open(request_for("multi_vob"));
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->info().width, 640);
  EXPECT_EQ(decoder->info().height, 480);
  const Decoded d = decode_all(*decoder);
  ASSERT_TRUE(d.ended) << d.error;
  EXPECT_TRUE(d.times_ordered);
  ASSERT_EQ(d.picture_times.size(), 450u);
  std::vector<double> flashes;
  for (size_t i = 0; i < d.picture_levels.size(); ++i)
    if (d.picture_levels[i] > 200) flashes.push_back(d.picture_times[i]);
  const std::vector<double> beeps = dvd_test::beep_onsets(d.sound, d.sample_rate);
  ASSERT_EQ(flashes.size(), 15u);
  ASSERT_EQ(beeps.size(), 15u);
  for (int s = 0; s < 15; ++s) {
    // One clock from 0 without jumps: the flash of second s is picture 30 s, in every segment.
    EXPECT_NEAR(flashes[s], 30 * s * kNtscFrame, kNtscFrame / 2) << "second " << s;
    EXPECT_NEAR(beeps[s], flashes[s], kNtscFrame) << "second " << s;
  }
  // Pictures are evenly spaced, also where the segments and the VOB files meet.
  for (size_t i = 1; i < d.picture_times.size(); ++i)
    EXPECT_NEAR(d.picture_times[i] - d.picture_times[i - 1], kNtscFrame, kNtscFrame / 4) << i;
  EXPECT_NEAR(static_cast<double>(d.sound.size() / 2) / d.sample_rate, 450 * kNtscFrame, kNtscFrame);
}

struct TrackCase {
  const char* name;
  int audio_index;
  double frequency;
};
void PrintTo(const TrackCase& c, std::ostream* os) { *os << c.name; }

class AudioTrack : public ::testing::TestWithParam<TrackCase> {};

TEST_P(AudioTrack, ChosenTrackIsHeard) {
  dvd::TitleRequest r = request_for("ntsc_4x3");
  r.audio_index = GetParam().audio_index;
  r.start_seconds = 1;
  r.end_seconds = 4;
  auto decoder = open(r);
  ASSERT_TRUE(decoder);
  EXPECT_TRUE(decoder->info().has_audio);
  EXPECT_EQ(decoder->info().sample_rate, 48000);
  const Decoded d = decode_all(*decoder);
  const std::vector<double> beeps = dvd_test::beep_onsets(d.sound, d.sample_rate);
  ASSERT_EQ(beeps.size(), 3u);
  for (double onset : beeps)
    EXPECT_NEAR(dvd_test::tone_frequency(d.sound, d.sample_rate, onset), GetParam().frequency,
                GetParam().frequency * 0.05);
}

INSTANTIATE_TEST_SUITE_P(Tracks, AudioTrack,
                         ::testing::Values(TrackCase{"AC3First", 0, 1000}, TrackCase{"MpegSecond", 1, 2000}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(TitleDecoder, ResamplesToTheRequestedRate) {
  dvd::TitleRequest r = request_for("ntsc_4x3");
  r.end_seconds = 2;
  r.out_sample_rate = 22050;
  auto decoder = open(r);
  ASSERT_TRUE(decoder);
  const Decoded d = decode_all(*decoder);
  EXPECT_EQ(d.sample_rate, 22050);
  EXPECT_NEAR(static_cast<double>(d.sound.size() / 2), 2 * 22050, 22050 * kNtscFrame);
  const std::vector<double> beeps = dvd_test::beep_onsets(d.sound, d.sample_rate);
  ASSERT_EQ(beeps.size(), 2u);
  EXPECT_NEAR(beeps[1], 30 * kNtscFrame, kNtscFrame);
}

struct SubtitleCase {
  const char* name;
  int subtitle_index;
  std::vector<int> seconds_with_box;  // of 0..7
};
void PrintTo(const SubtitleCase& c, std::ostream* os) { *os << c.name; }

class BurnedSubtitle : public ::testing::TestWithParam<SubtitleCase> {};

TEST_P(BurnedSubtitle, VisibleOnlyWhileShown) {
  const SubtitleCase& c = GetParam();
  dvd::TitleRequest r = request_for("pal_16x9_subs");
  r.subtitle_index = c.subtitle_index;
  auto decoder = open(r);
  ASSERT_TRUE(decoder);
  ASSERT_EQ(decoder->info().width, 1024);  // 16:9 in square pixels
  ASSERT_EQ(decoder->info().height, 576);
  // The box covers x 120..599, y 400..519 of the 720 x 576 picture: its middle is at
  // x 360 (512 after widening to 1024), y 460. Sampled mid-second, away from the flashes.
  std::vector<int> box_level(8, -1), background(8, -1);
  for (;;) {
    dvd::DecodedUnit unit = decoder->next();
    if (unit.kind == dvd::DecodedUnit::Kind::End) break;
    ASSERT_NE(unit.kind, dvd::DecodedUnit::Kind::Error) << unit.error;
    if (unit.kind != dvd::DecodedUnit::Kind::Picture) continue;
    const int second = static_cast<int>(unit.time);
    if (second < 8 && unit.time - second > 0.4 && box_level[second] < 0) {
      box_level[second] = dvd_test::luma_at(*unit.frame, 512, 460);
      background[second] = dvd_test::luma_at(*unit.frame, 512, 200);
    }
  }
  for (int s = 0; s < 8; ++s) {
    const bool shown = std::count(c.seconds_with_box.begin(), c.seconds_with_box.end(), s) > 0;
    EXPECT_NEAR(background[s], grey_level(s), 3) << "second " << s;
    if (shown) {
      EXPECT_GT(box_level[s], 200) << "second " << s;
    } else {
      EXPECT_NEAR(box_level[s], grey_level(s), 3) << "second " << s;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Subtitles, BurnedSubtitle,
    ::testing::Values(SubtitleCase{"None", 0, {}}, SubtitleCase{"English", 1, {1, 2}},
                      SubtitleCase{"French", 2, {5, 6}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TitleDecoder, RangeEndsAtItsEndTime) {
  dvd::TitleRequest r = request_for("ntsc_4x3");
  r.start_seconds = 2.7;  // rounded down to 2
  r.end_seconds = 5;
  auto decoder = open(r);
  ASSERT_TRUE(decoder);
  EXPECT_DOUBLE_EQ(decoder->info().duration_seconds, 3.0);
  const Decoded d = decode_all(*decoder);
  ASSERT_TRUE(d.ended) << d.error;
  ASSERT_FALSE(d.picture_times.empty());
  EXPECT_LT(d.picture_times.back(), 3.0);
  EXPECT_NEAR(static_cast<double>(d.picture_times.size()), 3.0 / kNtscFrame, 1.0);
  EXPECT_EQ(d.sound.size() / 2, 3u * 48000);
}

TEST(TitleDecoder, TimesThatAreNotNumbersMeanTheWholeTitle) {
  dvd::TitleRequest r = request_for("two_sets", 1, 1);
  r.start_seconds = std::nan("");
  r.end_seconds = std::numeric_limits<double>::infinity();
  auto decoder = open(r);
  ASSERT_TRUE(decoder);
  const Decoded d = decode_all(*decoder);
  EXPECT_EQ(d.picture_times.size(), 90u);
}

TEST(TitleDecoder, AskedSizeAndPixelFormat) {
  dvd::TitleRequest r = request_for("ntsc_4x3");
  r.out_width = 320;
  r.out_height = 240;
  r.pixel_format = AV_PIX_FMT_BGRA;
  r.deinterlace = true;
  auto decoder = open(r);
  ASSERT_TRUE(decoder);
  int pictures = 0;
  for (dvd::DecodedUnit unit = decoder->next(); unit.kind != dvd::DecodedUnit::Kind::End && pictures < 40;
       unit = decoder->next()) {
    ASSERT_NE(unit.kind, dvd::DecodedUnit::Kind::Error) << unit.error;
    if (unit.kind != dvd::DecodedUnit::Kind::Picture) continue;
    // De-interlacing keeps every picture at its own time.
    EXPECT_NEAR(unit.time, pictures * kNtscFrame, kNtscFrame / 4) << "picture " << pictures;
    ASSERT_EQ(unit.frame->format, AV_PIX_FMT_BGRA);
    ASSERT_EQ(unit.frame->width, 320);
    ASSERT_EQ(unit.frame->height, 240);
    // Full-range grey after conversion: the flash is white, second 0 is black.
    const uint8_t* centre = unit.frame->data[0] + 120 * unit.frame->linesize[0] + 160 * 4;
    if (pictures == 0) {
      EXPECT_GT(centre[1], 245);
    }
    if (pictures == 10) {
      EXPECT_LT(centre[1], 10);
    }
    ++pictures;
  }
  EXPECT_EQ(pictures, 40);
}

// A caller that scales on its own thread gets the decoded pictures, subtitle burned in, while
// StreamInfo still names the size they are to be scaled to.
TEST(TitleDecoder, UnscaledPicturesKeepTheirDecodedSize) {
  dvd::TitleRequest r = request_for("pal_16x9_subs");
  r.subtitle_index = 1;  // "en", shown from 1 s to 3 s
  r.start_seconds = 2;
  r.deliver_unscaled = true;
  auto decoder = open(r);
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->info().width, 1024);
  EXPECT_EQ(decoder->info().height, 576);
  dvd::DecodedUnit unit = decoder->next();
  while (unit.kind == dvd::DecodedUnit::Kind::Sound) unit = decoder->next();
  ASSERT_EQ(unit.kind, dvd::DecodedUnit::Kind::Picture) << unit.error;
  EXPECT_EQ(unit.frame->width, 720);
  EXPECT_EQ(unit.frame->height, 576);
  EXPECT_EQ(unit.frame->format, AV_PIX_FMT_YUV420P);
  // The subtitle box sits in the lower third of the coded picture.
  int brightest = 0;
  for (int y = 2 * 576 / 3; y < 576; y += 4)
    for (int x = 0; x < 720; x += 4) brightest = std::max<int>(brightest, unit.frame->data[0][y * unit.frame->linesize[0] + x]);
  EXPECT_GT(brightest, 200) << "the burned subtitle";
}

TEST(TitleDecoder, TitleWithoutAudioGivesPicturesOnly) {
  auto decoder = open(request_for("two_sets", 1, 1));
  ASSERT_TRUE(decoder);
  EXPECT_FALSE(decoder->info().has_audio);
  const Decoded d = decode_all(*decoder);
  ASSERT_TRUE(d.ended) << d.error;
  EXPECT_EQ(d.picture_times.size(), 90u);
  EXPECT_TRUE(d.sound.empty());
}

// --- refused requests and damaged discs ---------------------------------------------------------

// Sets the scrambling bits of every PES packet of a VOB file, as an encrypted disc has them.
void scramble(const fs::path& vob) {
  std::fstream file(vob, std::ios::in | std::ios::out | std::ios::binary);
  std::vector<char> block(2048);
  for (std::streamoff at = 0; file.read(block.data(), 2048); at += 2048) {
    auto* b = reinterpret_cast<uint8_t*>(block.data());
    if (b[0] || b[1] || b[2] != 1 || b[3] != 0xba) continue;
    for (size_t pos = 14 + (b[13] & 7); pos + 7 <= 2048;) {
      if (b[pos] || b[pos + 1] || b[pos + 2] != 1) break;
      const uint8_t id = b[pos + 3];
      if ((id == 0xbd || (id >= 0xc0 && id <= 0xef)) && (b[pos + 6] & 0xc0) == 0x80) b[pos + 6] |= 0x10;
      pos += 6 + (b[pos + 4] << 8 | b[pos + 5]);
    }
    file.seekp(at);
    file.write(block.data(), 2048);
    file.seekg(at + 2048);
  }
}

// Overwrites `count` blocks from the middle of a file with random bytes.
void add_noise(const fs::path& file_path, int count) {
  const auto size = fs::file_size(file_path);
  std::fstream file(file_path, std::ios::in | std::ios::out | std::ios::binary);
  std::mt19937 random(11);
  std::vector<char> noise(static_cast<size_t>(count) * 2048);
  for (char& c : noise) c = static_cast<char>(random());
  file.seekp(static_cast<std::streamoff>(size / 2 / 2048 * 2048));
  file.write(noise.data(), static_cast<std::streamsize>(noise.size()));
}

struct RefusalCase {
  const char* name;
  const char* disc;
  std::function<void(const fs::path& video_ts)> damage;
  std::function<void(dvd::TitleRequest&)> change;
  const char* error;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, FailsWithAReason) {
  const RefusalCase& c = GetParam();
  dvd_test::DiscCopy copy(c.disc);
  if (c.damage) c.damage(copy.video_ts());
  dvd::TitleRequest r;
  r.folder = copy.folder();
  if (c.change) c.change(r);
  std::string error;
  EXPECT_EQ(dvd::open_title_decoder(r, &error), nullptr);
  EXPECT_EQ(error, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Refusal,
    ::testing::Values(
        RefusalCase{"NoVideoTs", "ntsc_4x3", [](const fs::path& v) { fs::remove_all(v); }, nullptr,
                    "no VIDEO_TS folder"},
        RefusalCase{"TitleSet", "ntsc_4x3", nullptr, [](auto& r) { r.title_set = 2; },
                    "title set 3 does not exist"},
        RefusalCase{"Title", "ntsc_4x3", nullptr, [](auto& r) { r.title = 2; },
                    "title 3 does not exist in title set 1"},
        RefusalCase{"AudioIndex", "ntsc_4x3", nullptr, [](auto& r) { r.audio_index = 2; },
                    "audio track 3 does not exist"},
        RefusalCase{"SubtitleIndex", "pal_16x9_subs", nullptr, [](auto& r) { r.subtitle_index = 3; },
                    "subtitle stream 3 does not exist"},
        RefusalCase{"StartBeyondEnd", "ntsc_4x3", nullptr, [](auto& r) { r.start_seconds = 13; },
                    "the start lies beyond the title"},
        RefusalCase{"MissingVob", "ntsc_4x3", [](const fs::path& v) { fs::remove(v / "VTS_01_1.VOB"); },
                    nullptr, "the title's video files cannot be opened"},
        RefusalCase{"Encrypted", "ntsc_4x3", [](const fs::path& v) { scramble(v / "VTS_01_1.VOB"); },
                    nullptr, "the disc is encrypted"}),
    [](const auto& row) { return std::string(row.param.name); });

struct DamageCase {
  const char* name;
  std::function<void(const fs::path& video_ts)> damage;
  size_t min_pictures, max_pictures;
};
void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class DamagedVideo : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedVideo, IsSkippedAndTheRestDecoded) {
  const DamageCase& c = GetParam();
  dvd_test::DiscCopy copy("multi_vob");
  c.damage(copy.video_ts());
  dvd::TitleRequest r;
  r.folder = copy.folder();
  std::string error;
  auto decoder = dvd::open_title_decoder(r, &error);
  ASSERT_TRUE(decoder) << error;
  const Decoded d = decode_all(*decoder);
  EXPECT_TRUE(d.ended) << d.error;
  EXPECT_TRUE(d.times_ordered);
  EXPECT_GE(d.picture_times.size(), c.min_pictures);
  EXPECT_LE(d.picture_times.size(), c.max_pictures);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedVideo,
    ::testing::Values(
        DamageCase{"RandomBytes", [](const fs::path& v) { add_noise(v / "VTS_01_1.VOB", 40); }, 300, 450},
        DamageCase{"TruncatedSecondVob",
                   [](const fs::path& v) { fs::resize_file(v / "VTS_01_2.VOB", fs::file_size(v / "VTS_01_2.VOB") / 2); },
                   200, 420},
        DamageCase{"MissingSecondVob", [](const fs::path& v) { fs::remove(v / "VTS_01_2.VOB"); }, 150, 300}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace

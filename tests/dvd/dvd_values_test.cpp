// Plain computations of the DVD layer: BCD times, stream names, picture sizes.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "dvd/dvd_time.h"
#include "dvd/picture_geometry.h"
#include "dvd/stream_names.h"

namespace {

struct BcdCase {
  const char* name;
  uint8_t hour, minute, second, frame_u;
  double seconds;
};
void PrintTo(const BcdCase& c, std::ostream* os) { *os << c.name; }

class BcdTime : public ::testing::TestWithParam<BcdCase> {};

TEST_P(BcdTime, Converts) {
  const BcdCase& c = GetParam();
  EXPECT_NEAR(dvd::bcd_time_seconds(c.hour, c.minute, c.second, c.frame_u), c.seconds, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Times, BcdTime,
    ::testing::Values(BcdCase{"Zero", 0, 0, 0, 0xc0, 0.0},
                      BcdCase{"NtscFrames", 0x00, 0x00, 0x04, 0xc0 | 0x15, 4 + 15 * 1001.0 / 30000},
                      BcdCase{"PalFrames", 0x00, 0x00, 0x04, 0x40 | 0x24, 4 + 24 / 25.0},
                      BcdCase{"HoursAndMinutes", 0x01, 0x59, 0x59, 0x40, 3600 + 59 * 60 + 59},
                      // An unknown rate keeps the whole seconds and drops the frames.
                      BcdCase{"UnknownRate", 0x00, 0x01, 0x00, 0x80 | 0x10, 60.0},
                      // Invalid digits count as 0 instead of giving 10 or more.
                      BcdCase{"InvalidDigits", 0x0a, 0xf0, 0x12, 0x40, 12.0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(BcdValue, RejectsDigitsAboveNine) {
  EXPECT_EQ(dvd::bcd_value(0x59), 59);
  EXPECT_EQ(dvd::bcd_value(0x5a), -1);
  EXPECT_EQ(dvd::bcd_value(0xa5), -1);
}

constexpr uint16_t code(char a, char b) { return static_cast<uint16_t>(a << 8 | b); }

struct NameCase {
  const char* name;
  uint16_t language;
  dvd::AudioFormat format;
  int channels;
  const char* audio;
  const char* subtitle;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class StreamName : public ::testing::TestWithParam<NameCase> {};

TEST_P(StreamName, Reads) {
  const NameCase& c = GetParam();
  EXPECT_EQ(dvd::audio_track_name(c.language, c.format, c.channels), c.audio);
  EXPECT_EQ(dvd::subtitle_stream_name(c.language), c.subtitle);
}

INSTANTIATE_TEST_SUITE_P(
    Names, StreamName,
    ::testing::Values(
        NameCase{"English", code('e', 'n'), dvd::AudioFormat::Ac3, 2, "English AC3 2ch", "English"},
        NameCase{"French", code('f', 'r'), dvd::AudioFormat::Mpeg1, 2, "Francais MPEG 2ch", "Francais"},
        NameCase{"UpperCase", code('D', 'E'), dvd::AudioFormat::Dts, 6, "Deutsch DTS 6ch", "Deutsch"},
        NameCase{"NoLanguage", 0, dvd::AudioFormat::Lpcm, 2, "Unknown LPCM 2ch", "Unknown"},
        NameCase{"Unset", 0xffff, dvd::AudioFormat::Ac3, 6, "Unknown AC3 6ch", "Unknown"},
        NameCase{"UnlistedCode", code('x', 'q'), dvd::AudioFormat::Mpeg2, 1, "xq MPEG 1ch", "xq"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(StreamName, AudioFormatsFromIfoCoding) {
  EXPECT_EQ(dvd::audio_format_from_ifo(0), dvd::AudioFormat::Ac3);
  EXPECT_EQ(dvd::audio_format_from_ifo(2), dvd::AudioFormat::Mpeg1);
  EXPECT_EQ(dvd::audio_format_from_ifo(3), dvd::AudioFormat::Mpeg2);
  EXPECT_EQ(dvd::audio_format_from_ifo(4), dvd::AudioFormat::Lpcm);
  EXPECT_EQ(dvd::audio_format_from_ifo(6), dvd::AudioFormat::Dts);
  EXPECT_EQ(dvd::audio_format_from_ifo(5), dvd::AudioFormat::Unknown);
  EXPECT_STREQ(dvd::audio_format_label(dvd::AudioFormat::Unknown), "Unknown");
}

struct SizeCase {
  const char* name;
  int source_height;
  AVRational aspect;
  int requested_width, requested_height;
  int width, height;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class OutputSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(OutputSize, Computes) {
  const SizeCase& c = GetParam();
  const dvd::PictureSize size =
      dvd::output_picture_size(c.source_height, c.aspect, c.requested_width, c.requested_height);
  EXPECT_EQ(size.width, c.width);
  EXPECT_EQ(size.height, c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, OutputSize,
    ::testing::Values(SizeCase{"Ntsc4x3", 480, {4, 3}, 0, 0, 640, 480},
                      SizeCase{"Pal16x9", 576, {16, 9}, 0, 0, 1024, 576},
                      SizeCase{"Pal4x3", 576, {4, 3}, 0, 0, 768, 576},
                      SizeCase{"Ntsc16x9RoundsToEven", 480, {16, 9}, 0, 0, 854, 480},
                      SizeCase{"HalfHeight", 240, {4, 3}, 0, 0, 320, 240},
                      SizeCase{"Requested", 480, {4, 3}, 320, 240, 320, 240},
                      SizeCase{"HeightOnly", 480, {16, 9}, 0, 360, 640, 360},
                      SizeCase{"WidthOnly", 576, {4, 3}, 400, 0, 400, 300},
                      SizeCase{"DegenerateAspect", 480, {0, 1}, 0, 0, 640, 480},
                      SizeCase{"NoSource", 0, {4, 3}, 0, 0, 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace

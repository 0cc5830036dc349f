// Frame size with aspect padding, aspect text, pad colour and frame-rate text.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "iPod/engine_settings.h"

namespace {

using Fit = FrameGeometry::Fit;

struct FitCase {
  const char* name;
  int want_w, want_h, cur_w, cur_h;
  bool fix_aspect;
  Fit fit;
  int w, h, top, bottom, left, right;
};

class FitFrameSize : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitFrameSize, KeepsShapeWithEvenPads) {
  const FitCase& c = GetParam();
  const FrameGeometry g = fit_frame_size(c.want_w, c.want_h, c.cur_w, c.cur_h, c.fix_aspect);
  EXPECT_EQ(g.fit, c.fit);
  EXPECT_EQ(g.width, c.w);
  EXPECT_EQ(g.height, c.h);
  if (c.fit == Fit::Letterbox) {
    EXPECT_EQ(g.pad_top, c.top);
    EXPECT_EQ(g.pad_bottom, c.bottom);
    EXPECT_EQ(g.height + g.pad_top + g.pad_bottom, c.want_h);
  }
  if (c.fit == Fit::Pillarbox) {
    EXPECT_EQ(g.pad_left, c.left);
    EXPECT_EQ(g.pad_right, c.right);
    EXPECT_EQ(g.width + g.pad_left + g.pad_right, c.want_w);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FitFrameSize,
    ::testing::Values(
        FitCase{"NtscToQvgaIsNarrower", 320, 240, 720, 480, true, Fit::Letterbox, 320, 212, 14, 14, 0, 0},
        FitCase{"PalToQvgaIsWider", 320, 240, 720, 576, true, Fit::Pillarbox, 300, 240, 0, 0, 10, 10},
        FitCase{"PalToWideUnevenPads", 640, 360, 720, 576, true, Fit::Pillarbox, 450, 360, 0, 0, 94, 96},
        FitCase{"SameKeyNoPads", 360, 288, 720, 576, true, Fit::Plain, 360, 288, 0, 0, 0, 0},
        FitCase{"SquareFourThreeSource", 320, 240, 640, 480, true, Fit::Plain, 320, 240, 0, 0, 0, 0},
        FitCase{"SquareWideSourceLetterboxed", 320, 240, 854, 480, true, Fit::Letterbox, 320, 178, 30, 32, 0, 0},
        FitCase{"WithoutFixAspect", 320, 240, 720, 576, false, Fit::Plain, 320, 240, 0, 0, 0, 0},
        FitCase{"NoInputYet", 320, 240, 0, 0, true, Fit::Plain, 320, 240, 0, 0, 0, 0},
        FitCase{"ZeroWidthSourcePadsEverything", 320, 240, 0, 480, true, Fit::Pillarbox, 0, 240, 0, 0, 160, 160}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FitFrameSizeLimits, LargeProductsDoNotOverflow) {
  // 40000 * 60000 does not fit in 32 bits; the picture must still come out 48000 high.
  const FrameGeometry g = fit_frame_size(60000, 60000, 50000, 40000, true);
  ASSERT_EQ(g.fit, Fit::Letterbox);
  EXPECT_EQ(g.height, 48000);
  EXPECT_EQ(g.pad_top, 6000);
  EXPECT_EQ(g.pad_bottom, 6000);
}

struct AspectCase {
  const char* name;
  const char* text;
  float ratio;  // 0 = refused
};

class AspectText : public ::testing::TestWithParam<AspectCase> {};

TEST_P(AspectText, Reads) {
  const AspectCase& c = GetParam();
  const std::optional<float> r = parse_aspect_ratio(c.text);
  if (c.ratio == 0.0f) {
    EXPECT_FALSE(r.has_value()) << *r;
  } else {
    ASSERT_TRUE(r.has_value());
    EXPECT_FLOAT_EQ(*r, c.ratio);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AspectText,
    ::testing::Values(AspectCase{"FourThree", "4:3", 4.0f / 3.0f}, AspectCase{"Wide", "16:9", 16.0f / 9.0f},
                      AspectCase{"Decimal", "1.7777", 1.7777f}, AspectCase{"LeadingSpace", " 2.35", 2.35f},
                      AspectCase{"TrailingJunkAfterRatio", "16:9x", 16.0f / 9.0f},
                      AspectCase{"Zero", "0", 0}, AspectCase{"ZeroDenominator", "4:0", 0},
                      AspectCase{"ZeroNumerator", "0:3", 0}, AspectCase{"FirstNumberNotAtColon", "4x:3", 0},
                      AspectCase{"Words", "wide", 0}, AspectCase{"Empty", "", 0},
                      AspectCase{"NegativeRatio", "-4:3", 0}, AspectCase{"NegativeDecimal", "-1.5", 0},
                      AspectCase{"Infinite", "inf", 0}, AspectCase{"NotANumber", "nan", 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(AspectText, DecimalAndRatioAgree) {
  EXPECT_NEAR(*parse_aspect_ratio("16:9"), *parse_aspect_ratio("1.7777"), 1e-3);
}

struct ColorCase {
  const char* name;
  uint32_t rgb;
  int y, u, v;
};

class PadColorFromRgb : public ::testing::TestWithParam<ColorCase> {};

TEST_P(PadColorFromRgb, Converts) {
  const ColorCase& c = GetParam();
  const PadColor p = pad_color_from_rgb(c.rgb);
  EXPECT_EQ(p.y, c.y);
  EXPECT_EQ(p.u, c.u);
  EXPECT_EQ(p.v, c.v);
}

// Negative intermediate values must shift arithmetically (floor), as in the green and red rows.
INSTANTIATE_TEST_SUITE_P(Colors, PadColorFromRgb,
                         ::testing::Values(ColorCase{"Black", 0x000000, 0, 128, 128},
                                           ColorCase{"White", 0xffffff, 255, 128, 128},
                                           ColorCase{"Red", 0xff0000, 76, 85, 255},
                                           ColorCase{"Green", 0x00ff00, 150, 44, 21},
                                           ColorCase{"Blue", 0x0000ff, 29, 255, 107}),
                         [](const auto& row) { return std::string(row.param.name); });

struct RateCase {
  const char* name;
  const char* text;
  int num, den;  // 0/0 = refused
};

class FrameRateText : public ::testing::TestWithParam<RateCase> {};

TEST_P(FrameRateText, ReadsExactly) {
  const RateCase& c = GetParam();
  const std::optional<AVRational> r = parse_frame_rate(c.text);
  if (c.den == 0) {
    EXPECT_FALSE(r.has_value());
  } else {
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->num, c.num);
    EXPECT_EQ(r->den, c.den);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FrameRateText,
    ::testing::Values(RateCase{"HostNtsc", "29.970030", 30000, 1001}, RateCase{"HostFilm", "23.976024", 24000, 1001},
                      RateCase{"HostPal", "25.000000", 25, 1}, RateCase{"HostThirty", "30.000000", 30, 1},
                      RateCase{"HostTwentyFour", "24.000000", 24, 1}, RateCase{"Integer", "25", 25, 1},
                      RateCase{"Half", "12.5", 25, 2}, RateCase{"Fraction", "30000/1001", 30000, 1001},
                      RateCase{"AbbreviationNtsc", "ntsc", 30000, 1001}, RateCase{"AbbreviationPal", "pal", 25, 1},
                      RateCase{"Words", "fast", 0, 0}, RateCase{"Zero", "0", 0, 0}, RateCase{"Negative", "-25", 0, 0},
                      RateCase{"Empty", "", 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FrameRateText, OtherDecimalsStayCodable) {
  // MPEG-4 codes time-base denominators only up to 65535.
  const std::optional<AVRational> r = parse_frame_rate("29.97");
  ASSERT_TRUE(r.has_value());
  EXPECT_LE(r->den, 65535);
  EXPECT_NEAR(av_q2d(*r), 29.97, 1e-4);
}

}  // namespace

// The lenient conversions: never fail, never read past the text, independent of the locale.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <string>

#include "iPod/options.h"

namespace {

TEST(LenientInteger, ReadsLikeTheCommandLine) {
  struct Row { const char* text; int value; };
  const Row rows[] = {
      {"42", 42},      {"  -17x", -17}, {"+8", 8},          {"12.9", 12},
      {"abc", 0},      {"", 0},         {"- 5", 0},         {"\t\n7", 7},
      {"99999999999", INT_MAX},         {"-99999999999", INT_MIN},
  };
  for (const Row& r : rows) EXPECT_EQ(parse_int_lenient(r.text), r.value) << '"' << r.text << '"';
}

TEST(LenientFloat, ReadsLikeTheCommandLine) {
  struct Row { const char* text; float value; };
  const Row rows[] = {
      {"0.5", 0.5f}, {" -1.25e1", -12.5f}, {"+2.5", 2.5f}, {"3abc", 3.0f}, {".25", 0.25f},
      {"abc", 0.0f}, {"", 0.0f},           {".", 0.0f},    {"1e-60", 0.0f},
  };
  for (const Row& r : rows) EXPECT_FLOAT_EQ(parse_float_lenient(r.text), r.value) << '"' << r.text << '"';
  EXPECT_TRUE(std::isinf(parse_float_lenient("1e40")));
  EXPECT_DOUBLE_EQ(parse_double_lenient("29.970030"), 29.970030);
}

TEST(LenientFloat, IgnoresADecimalCommaLocale) {
  // A Qt host switches LC_NUMERIC to the user's locale; "29.970030" must not read as 29.
  const char* locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
  std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  const char* chosen = nullptr;
  for (const char* l : locales) {
    if (std::setlocale(LC_NUMERIC, l)) {
      chosen = l;
      break;
    }
  }
  if (!chosen) GTEST_SKIP() << "no locale with a decimal comma installed";
  const float value = parse_float_lenient("29.970030");
  std::setlocale(LC_NUMERIC, previous.c_str());
  EXPECT_FLOAT_EQ(value, 29.970030f);
}

TEST(CodecTag, NumberOrFourCharacters) {
  struct Row { const char* text; uint32_t tag; };
  const Row rows[] = {
      {"0x20", 0x20},
      {"010", 8},
      {"mp4v", 'm' | 'p' << 8 | '4' << 16 | static_cast<uint32_t>('v') << 24},
      {"12ab", '1' | '2' << 8 | 'a' << 16 | static_cast<uint32_t>('b') << 24},
      {"xv", 'x' | 'v' << 8},  // shorter than four: stops at the end of the text
  };
  for (const Row& r : rows) EXPECT_EQ(parse_codec_tag(r.text), r.tag) << r.text;
}

TEST(IndexPair, AnySeparatorAndBasePrefixes) {
  struct Row { const char* text; int first, second; };
  const Row rows[] = {
      {"0:1", 0, 1}, {"1.2", 1, 2}, {"0x10:010", 16, 8}, {"3", 3, 0}, {"a:b", 0, 0}, {"", 0, 0},
  };
  for (const Row& r : rows) {
    int first = -1, second = -1;
    parse_index_pair(r.text, &first, &second);
    EXPECT_EQ(first, r.first) << r.text;
    EXPECT_EQ(second, r.second) << r.text;
  }
}

std::string counting_matrix(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += (i > 1 ? "," : "") + std::to_string(i);
  return text;
}

TEST(QuantMatrix, SixtyFourCoefficients) {
  uint16_t m[64];
  int bad = -1;
  ASSERT_TRUE(parse_quant_matrix(counting_matrix(64).c_str(), m, &bad));
  EXPECT_EQ(m[0], 1);
  EXPECT_EQ(m[63], 64);
  ASSERT_TRUE(parse_quant_matrix((counting_matrix(64) + ",99").c_str(), m, &bad));  // extra ignored
  EXPECT_EQ(m[63], 64);
}

TEST(QuantMatrix, ReportsTheLastCoefficientRead) {
  struct Row { std::string text; int bad; };
  const Row rows[] = {{"1,2,3", 2}, {"", 0}, {counting_matrix(63), 62}};
  for (const Row& r : rows) {
    uint16_t m[64];
    int bad = -1;
    EXPECT_FALSE(parse_quant_matrix(r.text.c_str(), m, &bad)) << r.text;
    EXPECT_EQ(bad, r.bad) << r.text;
  }
}

}  // namespace

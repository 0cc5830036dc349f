#include "frameserver/server_parameters.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/scoped_config_home.h"

namespace frameserver {
namespace {

TEST(ServerParameters, IntegersReadLeniently) {
  const struct { const char* text; int value; } cases[] = {
      {"3", 3}, {"  12", 12}, {"-1", -1}, {"+7", 7}, {"2abc", 2}, {"1.9", 1},
      {"", 0}, {"abc", 0}, {" ", 0}, {"99999999999", 0}, {"-", 0}};
  for (const auto& c : cases) EXPECT_EQ(parse_int_leniently(c.text), c.value) << '"' << c.text << '"';
}

TEST(ServerParameters, DecimalsReadLenientlyWhateverTheLocaleWrote) {
  const struct { const char* text; double value; } cases[] = {
      {"12.500000", 12.5}, {"12,500000", 12.5}, {" 0.000000", 0}, {"5025.5xyz", 5025.5}, {"7", 7},
      {"-3.25", -3.25}, {"+1.5", 1.5}, {"", 0}, {"nan", 0}, {"inf", 0}, {"abc", 0}};
  for (const auto& c : cases) EXPECT_EQ(parse_double_leniently(c.text), c.value) << '"' << c.text << '"';
}

TEST(ServerParameters, ReadFromTheSubkeysDefaultValues) {
  testing_support::ScopedConfigHome home;
  const std::string key = kParameterKey;
  const struct { const char* name; const char* text; } written[] = {
      {"path", "/media/disc/MOVIE"}, {"audio", "1"}, {"subtitle", "2"}, {"title set", "3"}, {"title", "1"},
      {"start", "12.500000"}, {"end", "5025.500000"}, {"force", "1"}, {"synth", "1"}, {"fps", "3"}};
  for (const auto& w : written) ASSERT_TRUE(platform::registry_set_string(key + "\\" + w.name, "", w.text));
  ASSERT_TRUE(platform::registry_set_string(key, "fps", "0"));  // a named value is not the parameter

  const ServerParameters p = read_server_parameters();
  EXPECT_EQ(p.path, "/media/disc/MOVIE");
  EXPECT_EQ(p.audio, 1);
  EXPECT_EQ(p.subtitle, 2);
  EXPECT_EQ(p.title_set, 3);
  EXPECT_EQ(p.title, 1);
  EXPECT_EQ(p.start, 12.5);
  EXPECT_EQ(p.end, 5025.5);
  EXPECT_EQ(p.force, 1);
  EXPECT_EQ(p.synth, 1);
  EXPECT_EQ(p.fps, 3);

  const dvd::TitleRequest r = title_request(p);
  EXPECT_EQ(r.title_set, 1) << "\"title\" carries the set";
  EXPECT_EQ(r.title, 3) << "\"title set\" carries the title's place in its set";
  EXPECT_TRUE(r.deinterlace);
}

TEST(ServerParameters, MissingOrOddValuesGiveASafeRequest) {
  testing_support::ScopedConfigHome home;
  const ServerParameters p = read_server_parameters();  // nothing written at all
  EXPECT_EQ(p.path, "");
  EXPECT_EQ(p.fps, 0);
  ServerParameters odd;
  odd.subtitle = -4;
  odd.start = -2;
  odd.end = -1;
  odd.force = 2;
  const dvd::TitleRequest r = title_request(odd);
  EXPECT_EQ(r.subtitle_index, 0);
  EXPECT_EQ(r.start_seconds, 0);
  EXPECT_EQ(r.end_seconds, 0);
  EXPECT_FALSE(r.deinterlace);
}

}  // namespace
}  // namespace frameserver

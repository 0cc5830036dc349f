// Less common paths through the engine, one row each: the run must go through and leave a file
// that reads back with the expected streams and picture size.
#include <gtest/gtest.h>

#include "iPod/engine_fixture.h"

using namespace engine_test;

namespace {

struct PathCase {
  const char* name;
  std::vector<std::string> options;  // between the input and the output
  const char* extension;
  int width, height;                 // 0: no video expected
  bool audio;
  int video_packets = 0;             // exact count expected, 0: any
};

class EnginePaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(EnginePaths, RunsAndReadsBack) {
  const PathCase& c = GetParam();
  const std::string input = dvd_like_program();
  ASSERT_FALSE(input.empty());
  const std::string out = media_dir() / (std::string("path_") + c.name + c.extension);
  Args args{"-i", input};
  for (const auto& o : c.options) args.add(o);
  args.add("-t");
  args.add("1.5");
  args.add("-y");
  args.add(out);
  const RunResult r = run_engine(args);
  ASSERT_EQ(r.code, 2) << r.err;
  const FileProbe p = probe(out);
  ASSERT_TRUE(p.opened);
  const StreamProbe* v = p.first(AVMEDIA_TYPE_VIDEO);
  if (c.width) {
    ASSERT_TRUE(v);
    EXPECT_EQ(v->width, c.width);
    EXPECT_EQ(v->height, c.height);
    EXPECT_GT(v->packets, 10);
    if (c.video_packets) {
      EXPECT_EQ(v->packets, c.video_packets);
    }
  } else {
    EXPECT_EQ(v, nullptr);
  }
  EXPECT_EQ(p.first(AVMEDIA_TYPE_AUDIO) != nullptr, c.audio);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EnginePaths,
    ::testing::Values(
        PathCase{"Deinterlace", {"-deinterlace", "-vcodec", "xvid", "-an"}, ".mp4", 720, 480, false},
        PathCase{"CropOnly", {"-croptop", "16", "-cropbottom", "16", "-vcodec", "xvid", "-an"}, ".mp4", 720, 448, false},
        PathCase{"PadOnly", {"-padtop", "16", "-padbottom", "16", "-vcodec", "xvid", "-an"}, ".mp4", 720, 512, false},
        PathCase{"CropAndResize", {"-cropleft", "8", "-cropright", "8", "-s", "352X240", "-vcodec", "xvid", "-an"}, ".mp4",
                 352, 240, false},
        PathCase{"StreamCopy", {"-vcodec", "copy", "-acodec", "copy"}, ".mkv", 720, 480, true},
        PathCase{"PcmAudio", {"-vn", "-acodec", "pcm_s16le"}, ".wav", 0, 0, true},
        PathCase{"DriftCompensation", {"-async", "2", "-vsync", "0", "-vcodec", "xvid", "-acodec", "aac", "-ar", "24000"},
                 ".mp4", 720, 480, true},
        PathCase{"FixedQualityWithBFrames", {"-vcodec", "mpeg4", "-qscale", "4", "-bf", "2", "-an"}, ".mp4", 720, 480, false},
        PathCase{"RateOverride", {"-vcodec", "mpeg4", "-rc_override", "0,10,4/11,20,-50", "-an"}, ".mp4", 720, 480, false},
        PathCase{"MonoMp2", {"-vn", "-acodec", "mp2", "-ac", "1", "-ar", "22050"}, ".mp2", 0, 0, true},
        PathCase{"StartOffset", {"-ss", "1", "-vcodec", "xvid", "-acodec", "aac"}, ".mp4", 720, 480, true},
        PathCase{"Maps", {"-map", "0:0", "-map", "0:1", "-vcodec", "xvid", "-acodec", "aac"}, ".mp4", 720, 480, true},
        PathCase{"FrameLimit", {"-vframes", "12", "-vcodec", "xvid", "-an"}, ".mp4", 720, 480, false, 12}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(EnginePasses, SecondPassReadsTheFirstPassLog) {
  const std::string input = dvd_like_program();
  ASSERT_FALSE(input.empty());
  const std::string log = media_dir() / "twopass";
  const std::string out = media_dir() / "twopass.mp4";
  std::filesystem::remove(log + "-0.log");
  ASSERT_EQ(run_engine(Args{"-i", input, "-vcodec", "mpeg4", "-pass", "1", "-passlogfile", log, "-an", "-t", "1", "-y", out}).code, 2);
  ASSERT_TRUE(std::filesystem::exists(log + "-0.log"));
  EXPECT_GT(std::filesystem::file_size(log + "-0.log"), 100u);
  EXPECT_EQ(run_engine(Args{"-i", input, "-vcodec", "mpeg4", "-pass", "2", "-passlogfile", log, "-an", "-t", "1", "-y", out}).code, 2);
  EXPECT_TRUE(probe(out).opened);
  const RunResult missing = run_engine(
      Args{"-i", input, "-vcodec", "mpeg4", "-pass", "2", "-passlogfile", log + "_none", "-an", "-t", "1", "-y", out});
  EXPECT_EQ(missing.code, 3);
  EXPECT_NE(missing.err.find(log + "_none-0.log: "), std::string::npos) << missing.err;
}

}  // namespace

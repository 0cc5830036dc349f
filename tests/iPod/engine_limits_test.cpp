// How a run ends and what it feeds: size limit, -shortest over two inputs, two outputs from one
// input stream, and the texts written into the container.
#include <gtest/gtest.h>

#include "iPod/engine_fixture.h"

using namespace engine_test;

namespace {

TEST(EngineLimits, SizeLimitStopsTheRun) {
  const std::string input = dvd_like_program();
  ASSERT_FALSE(input.empty());
  const std::string out = media_dir() / "size_limit.mp4";
  const RunResult r = run_engine(Args{"-i", input, "-vcodec", "xvid", "-b", "2000", "-an", "-fs", "100", "-y", out});
  ASSERT_EQ(r.code, 2) << r.err;
  const FileProbe p = probe(out);
  ASSERT_TRUE(p.first(AVMEDIA_TYPE_VIDEO));
  EXPECT_LT(p.first(AVMEDIA_TYPE_VIDEO)->seconds, 2.0) << "the limit did not end the run";
  EXPECT_LT(std::filesystem::file_size(out), 200u * 1024);
}

TEST(EngineLimits, ShortestEndsWithTheFirstInputToRunOut) {
  const std::string video = dvd_like_program();
  ASSERT_FALSE(video.empty());
  const auto tone = media_dir() / "one_second.wav";
  ASSERT_TRUE(ffmpeg("-f lavfi -i sine=sample_rate=48000 -t 1 -ac 2 " + tone.string()));
  const std::string out = media_dir() / "shortest.mp4";
  const RunResult r = run_engine(Args{"-i", video, "-i", tone, "-map", "0:0", "-map", "1:0", "-vcodec", "xvid",
                                      "-acodec", "aac", "-shortest", "-y", out});
  ASSERT_EQ(r.code, 2) << r.err;
  EXPECT_NE(r.err.find("  Stream #0.0 -> #0.0\n  Stream #1.0 -> #0.1\n"), std::string::npos) << r.err;
  const FileProbe p = probe(out);
  ASSERT_TRUE(p.first(AVMEDIA_TYPE_VIDEO) && p.first(AVMEDIA_TYPE_AUDIO));
  EXPECT_LT(p.first(AVMEDIA_TYPE_VIDEO)->seconds, 2.5) << "the video went on after the sound ended";
}

TEST(EngineLimits, TwoOutputsShareOneInputStreamAndCarryTheTitle) {
  const std::string input = dvd_like_program();
  ASSERT_FALSE(input.empty());
  const std::string a = media_dir() / "share_a.mp4", b = media_dir() / "share_b.avi";
  const RunResult r = run_engine(Args{"-i", input, "-title", "Shared_Title", "-vcodec", "xvid", "-an", "-t", "1", "-y",
                                      a, "-vcodec", "mpeg4", "-an", "-s", "352X240", b});
  ASSERT_EQ(r.code, 2) << r.err;
  EXPECT_NE(r.err.find("  Stream #0.0 -> #0.0\n  Stream #0.0 -> #1.0\n"), std::string::npos) << r.err;
  const FileProbe pa = probe(a), pb = probe(b);
  ASSERT_TRUE(pa.first(AVMEDIA_TYPE_VIDEO) && pb.first(AVMEDIA_TYPE_VIDEO));
  EXPECT_EQ(pa.first(AVMEDIA_TYPE_VIDEO)->width, 720);
  EXPECT_EQ(pb.first(AVMEDIA_TYPE_VIDEO)->width, 352);

  AVFormatContext* ic = nullptr;
  ASSERT_GE(avformat_open_input(&ic, a.c_str(), nullptr, nullptr), 0);
  const AVDictionaryEntry* title = av_dict_get(ic->metadata, "title", nullptr, 0);
  EXPECT_TRUE(title && std::string(title->value) == "Shared_Title");
  avformat_close_input(&ic);
}

}  // namespace

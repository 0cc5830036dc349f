// Input-side behaviour end to end: installed input readers and time-stamp jumps in the source.
#include <gtest/gtest.h>

#include "iPod/engine_fixture.h"
#include "iPod/engine_settings.h"

using namespace engine_test;

namespace {

// -v sets the log sink's level for the rest of the process; later tests expect the default.
class EngineInput : public ::testing::Test {
 protected:
  void TearDown() override { engine_log_level = 2; }
};

struct ReaderLog {
  std::string real_path;
  std::string asked;
  int opened = 0;
  int closed = 0;
};

int reader_open(const char* filename, AVFormatContext** out, void* opaque) {
  auto* log = static_cast<ReaderLog*>(opaque);
  log->asked = filename;
  const int ret = avformat_open_input(out, log->real_path.c_str(), nullptr, nullptr);
  if (ret >= 0) ++log->opened;
  return ret;
}

void reader_close(AVFormatContext* ctx, void* opaque) {
  ++static_cast<ReaderLog*>(opaque)->closed;
  avformat_close_input(&ctx);
}

TEST_F(EngineInput, InstalledReaderOpensItsFileType) {
  const std::string program = dvd_like_program();
  ASSERT_FALSE(program.empty());
  ReaderLog log;
  log.real_path = program;
  const InputReader reader{reader_open, reader_close, &log};
  engine_set_input_reader(".avs", &reader);
  const std::string script = media_dir() / "Video.AVS";  // no such file: only the reader knows it
  const std::string out = media_dir() / "from_reader.mp4";
  RunResult r = run_engine(Args{"-i", script, "-vcodec", "xvid", "-acodec", "aac", "-t", "1", "-y", out});
  EXPECT_EQ(r.code, 2) << r.err;
  EXPECT_EQ(log.asked, script);
  EXPECT_EQ(log.opened, 1);
  EXPECT_EQ(log.closed, 1);
  EXPECT_TRUE(probe(out).opened);

  engine_set_input_reader(".avs", nullptr);
  r = run_engine(Args{"-i", script, "-vcodec", "xvid", "-y", out});
  EXPECT_EQ(r.code, 0) << "without the reader the script is an ordinary missing file";
  EXPECT_EQ(log.opened, 1);
}

// Two transport-stream segments back to back, the second stamped `jump` seconds later than it
// should be.
std::string program_with_jump(int jump) {
  const auto path = media_dir() / ("jump_" + std::to_string(jump) + ".ts");
  if (std::filesystem::exists(path)) return path;
  const auto a = media_dir() / "seg_a.ts", b = media_dir() / ("seg_b_" + std::to_string(jump) + ".ts");
  const std::string src =
      "-f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=300:sample_rate=48000 -t 3 "
      "-c:v mpeg2video -b:v 1M -c:a mp2 -ac 2 ";
  if (!ffmpeg(src + a.string())) return {};
  if (!ffmpeg(src + "-output_ts_offset " + std::to_string(3 + jump) + " " + b.string())) return {};
  const std::string cat = "cat " + a.string() + " " + b.string() + " > " + path.string();
  if (std::system(cat.c_str()) != 0) return {};
  return path;
}

// The output runs from time 0: a source that starts later begins with its first picture held.
double source_start_seconds(const std::string& path) {
  AVFormatContext* ic = nullptr;
  if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return 0;
  avformat_find_stream_info(ic, nullptr);
  const double start = ic->start_time == AV_NOPTS_VALUE ? 0 : ic->start_time / 1e6;
  avformat_close_input(&ic);
  return start;
}

TEST_F(EngineInput, TwentySecondJumpIsAbsorbed) {
  const std::string in = program_with_jump(20);
  ASSERT_FALSE(in.empty());
  const std::string out = media_dir() / "jump.mp4";
  const RunResult r =
      run_engine(Args{"-v", "3", "-i", in, "-vcodec", "xvid", "-r", "25", "-acodec", "aac", "-ar", "24000", "-y", out});
  ASSERT_EQ(r.code, 2) << r.err;
  EXPECT_NE(r.err.find("timestamp discontinuity "), std::string::npos);
  const FileProbe p = probe(out);
  ASSERT_TRUE(p.first(AVMEDIA_TYPE_VIDEO) && p.first(AVMEDIA_TYPE_AUDIO));
  // Six seconds of pictures and sound after the source's own start time, not twenty-six with a
  // frozen gap.
  const double expected = source_start_seconds(in) + 6.0;
  EXPECT_NEAR(p.first(AVMEDIA_TYPE_VIDEO)->seconds, expected, 0.5);
  EXPECT_NEAR(p.first(AVMEDIA_TYPE_AUDIO)->seconds, expected, 0.5);
}

TEST_F(EngineInput, FiveSecondJumpIsKept) {
  const std::string in = program_with_jump(5);
  ASSERT_FALSE(in.empty());
  const std::string out = media_dir() / "jump5.mp4";
  const RunResult r = run_engine(Args{"-v", "3", "-i", in, "-vcodec", "xvid", "-r", "25", "-an", "-y", out});
  ASSERT_EQ(r.code, 2) << r.err;
  EXPECT_EQ(r.err.find("timestamp discontinuity "), std::string::npos);
  // The gap is bridged by repeated pictures: the output keeps the source's timing.
  EXPECT_NEAR(probe(out).first(AVMEDIA_TYPE_VIDEO)->seconds, source_start_seconds(in) + 11.0, 0.5);
}

}  // namespace

// End-to-end runs of engine_main on generated media: the host's vector, stopping, failures and
// damaged inputs.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "iPod/engine_fixture.h"

using namespace engine_test;

namespace {

class EngineRun : public ::testing::Test {
 protected:
  void SetUp() override {
    input_ = dvd_like_program();
    ASSERT_FALSE(input_.empty()) << "could not generate the test program stream";
    engine_set_progress_hook(nullptr, nullptr);
    engine_set_message_pump(nullptr);
  }
  void TearDown() override {
    engine_set_progress_hook(nullptr, nullptr);
    engine_set_message_pump(nullptr);
  }
  std::string output(const std::string& name) { return media_dir() / name; }
  std::string input_;
};

TEST_F(EngineRun, HostVectorMakesAnIpodMp4) {
  const std::string out = output("host.mp4");
  std::filesystem::remove(out);
  const RunResult r = run_engine(host_vector(input_, out, "3.00"));
  ASSERT_EQ(r.code, 2) << r.err;
  EXPECT_NE(r.err.find("Stream mapping:\n  Stream #0.0 -> #0.0\n  Stream #0.1 -> #0.1\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("bench: utime="), std::string::npos);

  const FileProbe p = probe(out);
  ASSERT_TRUE(p.opened);
  const StreamProbe* v = p.first(AVMEDIA_TYPE_VIDEO);
  const StreamProbe* a = p.first(AVMEDIA_TYPE_AUDIO);
  ASSERT_TRUE(v && a);
  EXPECT_EQ(v->codec, "mpeg4");
  EXPECT_EQ(v->width, 320);
  EXPECT_EQ(v->height, 240);
  EXPECT_FALSE(v->reordered) << "B-frames in the output";
  EXPECT_EQ(v->profile, FF_PROFILE_MPEG4_SIMPLE) << "an iPod plays Simple Profile only";
  EXPECT_TRUE(v->has_extradata && a->has_extradata) << "global headers belong in the MP4's descriptors";
  EXPECT_EQ(a->codec, "aac");
  EXPECT_EQ(a->sample_rate, 24000);
  EXPECT_EQ(a->channels, 2);
  EXPECT_NEAR(a->seconds, 3.0, 0.15);

  // 720x480 into 320x240 keeping the shape: a 320x212 picture between two 14-row black bands.
  ASSERT_EQ(p.row_luma.size(), 240u);
  for (int y : {0, 7, 13, 226, 233, 239}) EXPECT_LT(p.row_luma[y], 24) << "row " << y;
  for (int y : {20, 120, 219}) EXPECT_GT(p.row_luma[y], 40) << "row " << y;

  // The video track declares -muxvb; the audio track at least the encoder's total rate.
  const std::vector<uint32_t> declared = declared_max_bit_rates(out);
  ASSERT_EQ(declared.size(), 2u);
  EXPECT_EQ(declared[0], 768000u);
  EXPECT_GE(declared[1], 32000u);
}

TEST_F(EngineRun, WiderSourcesArePillarboxed) {
  const auto pal = media_dir() / "pal.mpg";
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=white:size=720x576:rate=25 -t 1 -c:v mpeg2video -b:v 3M -an -f vob " + pal.string()));
  const std::string out = output("pal.mp4");
  const RunResult r =
      run_engine(Args{"-i", pal, "-vcodec", "xvid", "-r", "25", "-fixaspect", "-s", "320X240", "-an", "-y", out});
  ASSERT_EQ(r.code, 2) << r.err;
  EXPECT_NE(r.err.find("Frame width = 300 , height = 240\n"), std::string::npos) << r.err;
  const FileProbe p = probe(out);
  ASSERT_EQ(p.column_luma.size(), 320u);
  for (int x : {0, 9, 310, 319}) EXPECT_LT(p.column_luma[x], 24) << "column " << x;
  for (int x : {10, 160, 309}) EXPECT_GT(p.column_luma[x], 180) << "column " << x;
}

TEST_F(EngineRun, StopFromTheHookEndsWithACompleteFile) {
  struct Seen {
    int calls = 0;
    bool stopped = false;
    std::string last_line;
  } seen;
  engine_set_progress_hook(
      [](ProgressRecord* rec, void* ctx) {
        auto* s = static_cast<Seen*>(ctx);
        ++s->calls;
        s->last_line = rec->line;
        if (!s->stopped) {
          s->stopped = true;
          engine_request_stop();
        }
      },
      &seen);
  // A pump that takes a little time per packet, so the run outlasts the report interval.
  engine_set_message_pump([] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
  const std::string out = output("stopped.mp4");
  std::filesystem::remove(out);
  const RunResult r = run_engine(host_vector(input_, out, "3.50"));
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.err.find("Received signal 1: terminating.\n"), std::string::npos);
  EXPECT_EQ(seen.calls, 2) << "one report, then the final one";
  EXPECT_NE(seen.last_line.find("L"), std::string::npos) << seen.last_line;
  const FileProbe p = probe(out);
  ASSERT_TRUE(p.opened) << "trailer missing after a stop";
  const StreamProbe* v = p.first(AVMEDIA_TYPE_VIDEO);
  ASSERT_TRUE(v);
  EXPECT_GT(v->packets, 0);
  EXPECT_LT(v->seconds, 3.0);
}

TEST_F(EngineRun, SecondRunSeesNoneOfTheFirstRunsSettings) {
  const std::string first = output("first.mp4"), second = output("second.mp4");
  ASSERT_EQ(run_engine(Args{"-i", input_, "-an", "-vcodec", "xvid", "-s", "160X120", "-t", "1", "-y", first}).code, 2);
  ASSERT_EQ(run_engine(Args{"-i", input_, "-vcodec", "xvid", "-acodec", "aac", "-t", "1", "-y", second}).code, 2);
  const FileProbe p1 = probe(first), p2 = probe(second);
  EXPECT_EQ(p1.first(AVMEDIA_TYPE_AUDIO), nullptr);
  ASSERT_TRUE(p2.first(AVMEDIA_TYPE_AUDIO));
  ASSERT_TRUE(p2.first(AVMEDIA_TYPE_VIDEO));
  EXPECT_EQ(p2.first(AVMEDIA_TYPE_VIDEO)->width, 720);
  EXPECT_EQ(p2.first(AVMEDIA_TYPE_AUDIO)->sample_rate, 48000);
}

TEST_F(EngineRun, MissingInputOrOutputReturnsZero) {
  RunResult r = run_engine(Args{"-i", input_});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.err.find("A>Must supply at least one output file\n"), std::string::npos) << r.err;

  const std::string missing = output("no_such_input.mpg");
  r = run_engine(Args{"-i", missing, "-y", output("never.mp4")});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.err.find("A>" + missing + ": Error while opening file\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("A>Must supply at least one input file\n"), std::string::npos) << r.err;

  const std::string noise = output("noise.bin");
  {
    std::ofstream f(noise, std::ios::binary);
    uint32_t x = 7;
    for (int i = 0; i < 65536; ++i) f.put(static_cast<char>((x = x * 1664525 + 1013904223) >> 24));
  }
  r = run_engine(Args{"-i", noise, "-y", output("never.mp4")});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.err.find("A>" + noise + ": Unknown format\n"), std::string::npos) << r.err;
}

TEST_F(EngineRun, ExistingOutputIsOverwrittenAfterTheQuestion) {
  const std::string out = output("existing.mp4");
  { std::ofstream(out) << "old"; }
  const RunResult r = run_engine(Args{"-i", input_, "-vcodec", "xvid", "-an", "-t", "0.5", out});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("File '" + out + "' already exists. Overwrite ? [y/N] "), std::string::npos);
  EXPECT_TRUE(probe(out).opened);
}

TEST_F(EngineRun, UnwritableOutputsFailWithThreeAndLeaveNoOpenFile) {
  const int before = open_descriptor_count();
  RunResult r = run_engine(Args{"-i", input_, "-vcodec", "xvid", "-acodec", "aac", "-t", "1", "-f", "mp4", "/dev/full"});
  EXPECT_EQ(r.code, 3) << r.err;
  EXPECT_NE(r.err.find("A>"), std::string::npos);
  EXPECT_EQ(open_descriptor_count(), before);

  const std::string nowhere = output("missing_folder/out.mp4");
  r = run_engine(Args{"-i", input_, "-vcodec", "xvid", nowhere});
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.err.find("A>Could not open '" + nowhere + "'\n"), std::string::npos) << r.err;
  EXPECT_EQ(open_descriptor_count(), before);
}

TEST_F(EngineRun, CodecsThatCannotBeUsedFailWithThree) {
  const std::string out = output("codec.mkv");
  RunResult r = run_engine(Args{"-i", input_, "-vcodec", "xvid", "-acodec", "cook", "-t", "1", "-y", out});
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.err.find("A>Unsupported codec for output stream #0.1\n"), std::string::npos) << r.err;
  r = run_engine(Args{"-i", input_, "-vcodec", "xvid", "-acodec", "aac", "-ar", "7", "-t", "1", "-y", out});
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.err.find("A>Error while opening codec for output stream #0.1 - maybe incorrect parameters such as "
                       "bit_rate, rate, width or height\n"),
            std::string::npos)
      << r.err;
}

TEST_F(EngineRun, DamagedInputsConvertWhatTheyCan) {
  std::string data;
  {
    std::ifstream in(input_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    data = s.str();
  }
  ASSERT_GT(data.size(), 200000u);
  const std::string truncated = output("truncated.mpg"), corrupt = output("corrupt.mpg");
  std::ofstream(truncated, std::ios::binary) << data.substr(0, data.size() / 2);
  std::string damaged = data;
  uint32_t x = 12345;
  for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 60000; ++i) {
    x = x * 1103515245 + 12345;
    damaged[i] = static_cast<char>(x >> 16);
  }
  std::ofstream(corrupt, std::ios::binary) << damaged;

  for (const std::string& in : {truncated, corrupt}) {
    const std::string out = in + ".mp4";
    const RunResult r = run_engine(host_vector(in, out, "10.00"));
    EXPECT_EQ(r.code, 2) << in << "\n" << r.err;
    const FileProbe p = probe(out);
    ASSERT_TRUE(p.opened) << in;
    ASSERT_TRUE(p.first(AVMEDIA_TYPE_VIDEO));
    EXPECT_GT(p.first(AVMEDIA_TYPE_VIDEO)->packets, 10) << in;
  }
}

}  // namespace

// dorvane-cli run as a program on the generated test discs, with its own configuration folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

#include "dvd/source_list.h"
#include "platform/system_services.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int status = -1;
  std::string output;  // standard output and error together
};

std::string quoted(const std::string& word) {
  std::string q = "'";
  for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct CliRun : ::testing::Test {
  fs::path temp;
  std::string discs = DORVANE_TEST_DISCS;

  void SetUp() override {
    temp = fs::temp_directory_path() / ("dorvane_cli_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(temp);
    fs::create_directories(temp / "home");
    ASSERT_TRUE(fs::is_directory(discs + "/ntsc_4x3/VIDEO_TS"))
        << "test discs missing: run tests/data/make_test_discs.sh " << discs;
  }
  void TearDown() override { fs::remove_all(temp); }

  RunResult run(const std::vector<std::string>& args) {
    std::string command = "DORVANE_HOME=" + quoted((temp / "home").string()) + " " + quoted(DORVANE_CLI_BIN);
    for (const std::string& a : args) command += " " + quoted(a);
    command += " 2>&1 </dev/null";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
  }

  // The name the files get: the label of the volume holding the disc, made file-name safe.
  std::string label_of(const std::string& folder) {
    return file_name_safe_label(recorded_label(platform::linux_services().volume_label(folder).value_or("")));
  }
};

struct MediaFacts {
  AVCodecID video = AV_CODEC_ID_NONE, audio = AV_CODEC_ID_NONE;
  int width = 0, height = 0;
  AVRational sample_aspect{0, 1}, frame_rate{0, 1};
  double seconds = 0;
};

MediaFacts probe(const std::string& path) {
  MediaFacts facts;
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return facts;
  if (avformat_find_stream_info(context, nullptr) >= 0) {
    for (unsigned i = 0; i < context->nb_streams; ++i) {
      const AVCodecParameters* p = context->streams[i]->codecpar;
      if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
        facts.video = p->codec_id, facts.width = p->width, facts.height = p->height;
        facts.sample_aspect = p->sample_aspect_ratio;
        facts.frame_rate = context->streams[i]->avg_frame_rate;
      }
      if (p->codec_type == AVMEDIA_TYPE_AUDIO) facts.audio = p->codec_id;
    }
    facts.seconds = static_cast<double>(context->duration) / AV_TIME_BASE;
  }
  avformat_close_input(&context);
  return facts;
}

TEST_F(CliRun, ConvertsTwoChaptersIntoNamedPlayableFiles) {
  const std::string disc = discs + "/ntsc_4x3";
  const fs::path out = temp / "deep" / "er" / "out";
  const RunResult r = run({"convert", disc, "--chapter", "1.1.1", "--chapter", "1.1.3", "--audio", "2", "--profile",
                           "3", "--output-folder", out.string(), "--save-settings"});
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Converting Chapter 1 in Title01.01 ..."), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Converting Chapter 3 in Title01.01 ..."), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Finished: "), std::string::npos) << "a progress line";
  EXPECT_NE(r.output.find("Successful:      Conversion Finished !      "), std::string::npos) << r.output;

  const std::string label = label_of(disc);
  for (const char* chapter : {"01", "03"}) {
    const std::string file = out.string() + "/" + label + "_Title01.01_Chapter" + chapter + ".mp4";
    SCOPED_TRACE(file);
    const MediaFacts facts = probe(file);
    EXPECT_EQ(facts.video, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(facts.audio, AV_CODEC_ID_AAC);
    EXPECT_EQ(facts.width, 640) << "profile 3 chooses 640x360";
    EXPECT_EQ(facts.height, 360);
    EXPECT_NEAR(facts.seconds, 4.0, 0.3);
  }
  EXPECT_FALSE(fs::exists(out.string() + "/" + label + "_Title01.01.mp4")) << "only the named rows";

  std::ifstream ini(temp / "home" / "Option.ini");
  std::stringstream saved;
  saved << ini.rdbuf();
  EXPECT_NE(saved.str().find("Value=" + out.string() + "/"), std::string::npos) << saved.str();
  EXPECT_NE(saved.str().find("[Profiles Settings]\nValue=3"), std::string::npos) << saved.str();
}

TEST_F(CliRun, ListsTitlesAsTheSourceListShowsThem) {
  const RunResult r = run({"titles", discs + "/ntsc_4x3"});
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Title01.01  00:00:00 <-> 00:00:12  (longest)"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("  Chapter 03  00:00:08 <-> 00:00:12"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("Title01.02"), std::string::npos) << "the half-second title is left out";
}

TEST_F(CliRun, JobRunsOneRangeWithSubtitleAndAspect) {
  const std::string file = (temp / "job.mp4").string();
  const RunResult r = run({"job", discs + "/pal_16x9_subs", "--set", "1", "--title", "1", "--subtitle", "1", "--start",
                           "1", "--end", "3", "--size", "320x180", "--aspect", "16:9", "-o", file});
  ASSERT_EQ(r.status, 0) << r.output;
  const MediaFacts facts = probe(file);
  EXPECT_EQ(facts.video, AV_CODEC_ID_MPEG4);
  EXPECT_EQ(facts.audio, AV_CODEC_ID_AAC);
  EXPECT_EQ(facts.width, 320);
  EXPECT_NEAR(facts.seconds, 2.0, 0.3);
}

// Without --aspect and --fps-index a 16:9 PAL title keeps its shape (letterboxed square pixels
// declared as square samples) and its 25 pictures a second.
TEST_F(CliRun, JobFollowsTheTitlesAspectAndRateByDefault) {
  const std::string file = (temp / "wide.mp4").string();
  const RunResult r = run({"job", discs + "/pal_16x9_subs", "--set", "1", "--title", "1", "--end", "2", "-o", file});
  ASSERT_EQ(r.status, 0) << r.output;
  const MediaFacts facts = probe(file);
  EXPECT_EQ(facts.width, 320);
  EXPECT_EQ(facts.height, 240);
  EXPECT_EQ(av_cmp_q(facts.sample_aspect, AVRational{1, 1}), 0)
      << facts.sample_aspect.num << ":" << facts.sample_aspect.den;
  EXPECT_NEAR(av_q2d(facts.frame_rate), 25.0, 0.01);
}

TEST_F(CliRun, BadInputIsRefusedWithAMessage) {
  std::ofstream(temp / "a_file") << "x";
  const std::string disc = discs + "/ntsc_4x3";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"FolderIsAFile", {"convert", disc, "--output-folder", (temp / "a_file").string()}, 1,
       (temp / "a_file").string() + "/ is invalid directory!"},
      {"DiscMissing", {"convert", (temp / "nowhere").string()}, 1, "Please close the DVD-Rom."},
      {"NoSuchChapter", {"convert", disc, "--chapter", "1.1.9"}, 2, "no chapter row 1.1.9"},
      {"ShortTitleHasNoRow", {"convert", disc, "--title", "1.2"}, 2, "the disc has no Title01.02"},
      {"RangeOutsideTitle", {"convert", disc, "--range", "1.1:3-40"}, 2, "must lie within"},
      {"NoSuchAudio", {"convert", disc, "--audio", "Klingon"}, 2, "Title01.01 has no audio track 'Klingon'"},
      {"ProfileOutOfRange", {"convert", disc, "--profile", "9"}, 2, "--profile takes 0 to 5"},
      {"UnknownOption", {"convert", disc, "--colour"}, 2, "unknown option --colour"},
      {"JobWithoutOutput", {"job", disc, "--set", "1", "--title", "1"}, 2, "-o are needed"},
      {"JobAudioOutOfRange", {"job", disc, "--set", "1", "--title", "1", "--audio", "3", "-o", "x.mp4"}, 2,
       "--audio takes 1 to 2"},
      {"NoCommand", {}, 2, "usage:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult r = run(c.args);
    EXPECT_EQ(r.status, c.status) << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
  }
  EXPECT_FALSE(fs::exists(temp / "home" / "Option.ini")) << "nothing saved without --save-settings";
}

// Ctrl-C while the first of three items runs: that file is finished properly, the others are not
// started, and nothing reports success.
TEST_F(CliRun, InterruptFinishesTheCurrentFileAndStartsNoOther) {
  const std::string disc = discs + "/multi_vob";
  const fs::path out = temp / "out";
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(pipe_ends[1], STDOUT_FILENO);
    dup2(pipe_ends[1], STDERR_FILENO);
    close(pipe_ends[0]);
    setenv("DORVANE_HOME", (temp / "home").c_str(), 1);
    execl(DORVANE_CLI_BIN, DORVANE_CLI_BIN, "convert", disc.c_str(), "--title", "1.1", "--chapter", "1.1.2",
          "--chapter", "1.1.3", "--output-folder", out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_ends[1]);
  std::string output;
  bool signalled = false;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_ends[0], buffer, sizeof buffer)) > 0) {
    output.append(buffer, static_cast<size_t>(n));
    if (!signalled && output.find("Converting entire Title01.01 ...") != std::string::npos) {
      kill(child, SIGINT);
      signalled = true;
    }
  }
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(signalled) << output;
  ASSERT_TRUE(WIFEXITED(status)) << "the first Ctrl-C must not kill the program\n" << output;
  EXPECT_EQ(WEXITSTATUS(status), 130) << output;
  EXPECT_NE(output.find("Cancelled"), std::string::npos) << output;
  EXPECT_EQ(output.find("Conversion Finished"), std::string::npos) << output;
  EXPECT_EQ(output.find("Chapter 3 in Title01.01"), std::string::npos) << "no later item starts\n" << output;
  // Whichever file was being written when the signal was seen is a complete, readable MP4.
  const std::string label = label_of(disc);
  std::string written;
  for (const char* name : {"_Title01.01.mp4", "_Title01.01_Chapter02.mp4"})
    if (fs::exists(out.string() + "/" + label + name)) written = out.string() + "/" + label + name;
  ASSERT_FALSE(written.empty()) << output;
  EXPECT_EQ(probe(written).video, AV_CODEC_ID_MPEG4) << written;
}

}  // namespace

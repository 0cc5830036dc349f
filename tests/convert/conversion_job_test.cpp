#include "convert/conversion_job.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "common/av_ptr.h"
#include "frameserver/frame_server.h"
#include "platform/registry.h"
#include "platform/scoped_config_home.h"

namespace {

using convert::CArgumentList;
using convert::CConversionJob;
using testing_support::read_text;
using testing_support::ScopedConfigHome;
using testing_support::write_text;

std::vector<std::string> slots_of(CArgumentList& list) {
  std::vector<std::string> slots;
  for (int i = 0; i < list.Count(); ++i) slots.emplace_back(list.argv()[i]);
  return slots;
}

std::string param(const char* name) {
  return platform::registry_get_string(std::string("Software\\quillet\\Param\\") + name, "").value_or("<missing>");
}

// The job as the queue fills it for the first title of a disc, 0 to 5025.5 s at 29.97 frames/s.
void fill_example(CConversionJob& job) {
  job.frame_rate_index = 3;
  job.start_seconds = 0.0;
  job.end_seconds = 5025.5;
  job.aspect_text = "4:3";
  job.SetOutputPath("/home/u/dorvane/A_Title01.01.mp4");
}

TEST(ConversionJob, DefaultsMatchTheFieldTable) {
  CConversionJob job;
  EXPECT_EQ(std::make_tuple(job.width, job.height, job.video_kbps, job.audio_kbps, job.volume_percent, job.channels),
            std::make_tuple(320, 240, 768, 64, 100, 2));
  EXPECT_EQ(job.arguments.Count(), 1);
  EXPECT_STREQ(job.arguments.argv()[0], "dorvane");
  EXPECT_EQ(job.arguments.argv()[1], nullptr);
  EXPECT_FALSE(job.SetSourcePath(nullptr));
  EXPECT_EQ(job.source_path, "");
  EXPECT_TRUE(job.SetSourcePath("/media/dvd"));
  job.SetOutputPath(nullptr);
  EXPECT_EQ(job.output_path, "");
}

TEST(ConversionJob, ArgumentVectorSlotBySlot) {
  CConversionJob job;
  fill_example(job);
  convert::BuildArguments(job, "/cfg/video.avs");
  const std::vector<std::string> expected{
      "dorvane", "-i",      "/cfg/video.avs", "-title",  "A_Title01.01", "-vcodec", "xvid",   "-r",
      "29.970030", "-fixaspect", "-aspect", "4:3",     "-s",           "320X240", "-vol",   "100",
      "-maxrate", "2500",    "-b",             "768",     "-acodec",      "aac",     "-ac",    "2",
      "-ab",      "32",      "-ar",            "24000",   "-muxvb",       "768",     "-t",     "5025.50",
      "/home/u/dorvane/A_Title01.01.mp4"};
  EXPECT_EQ(slots_of(job.arguments), expected);
  EXPECT_EQ(job.arguments.Count(), 33);
  EXPECT_EQ(job.arguments.argv()[33], nullptr);

  // Building again gives the same vector (the first one's strings are freed first).
  convert::BuildArguments(job, "/cfg/video.avs");
  EXPECT_EQ(slots_of(job.arguments), expected);
}

struct VectorCase {
  const char* name;
  void (*fill)(CConversionJob&);
  int slot;  // index into argv
  const char* expected;
};

class ArgumentValues : public ::testing::TestWithParam<VectorCase> {};

TEST_P(ArgumentValues, FormatsTheField) {
  CConversionJob job;
  fill_example(job);
  GetParam().fill(job);
  convert::BuildArguments(job, "/cfg/video.avs");
  ASSERT_EQ(job.arguments.Count(), 33) << "every option keeps its value slot";
  EXPECT_EQ(std::string(job.arguments.argv()[GetParam().slot]), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ArgumentValues,
    ::testing::Values(
        VectorCase{"MonoPassesTheWholeRate", [](CConversionJob& j) { j.channels = 1; }, 25, "64"},
        VectorCase{"OddStereoRateTruncated", [](CConversionJob& j) { j.audio_kbps = 111; }, 25, "55"},
        VectorCase{"ZeroChannelsDoNotDivide", [](CConversionJob& j) { j.channels = 0; }, 25, "64"},
        VectorCase{"Rate23976", [](CConversionJob& j) { j.frame_rate_index = 0; }, 8, "23.976024"},
        VectorCase{"Rate25", [](CConversionJob& j) { j.frame_rate_index = 2; }, 8, "25.000000"},
        VectorCase{"RateIndexAboveTheTable", [](CConversionJob& j) { j.frame_rate_index = 9; }, 8, "30.000000"},
        VectorCase{"FrameSizeWithCapitalX", [](CConversionJob& j) { j.SetFrameSize(640, 360); }, 13, "640X360"},
        VectorCase{"Volume", [](CConversionJob& j) { j.SetVolume(250); }, 15, "250"},
        VectorCase{"VideoRateIndependentOfMux", [](CConversionJob& j) { j.video_kbps = 1024; }, 19, "1024"},
        VectorCase{"DurationOfARange", [](CConversionJob& j) { j.start_seconds = 10.25, j.end_seconds = 70.0; }, 31,
                   "59.75"},
        VectorCase{"EmptyAspectKeepsItsSlot", [](CConversionJob& j) { j.aspect_text.clear(); }, 11, ""},
        VectorCase{"EmptyTitleKeepsItsSlot", [](CConversionJob& j) { j.SetOutputPath("/out/.mp4"); }, 4, ""},
        VectorCase{"OutputThatLooksLikeAnOption", [](CConversionJob& j) { j.SetOutputPath("-x.mp4"); }, 32,
                   "./-x.mp4"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ConversionJob, TitleText) {
  const std::pair<const char*, const char*> cases[] = {
      {"/out/MOVIE_Title01.02.mp4", "MOVIE_Title01.02"},
      {"MOVIE_Title01.02_Chapter03.mp4", "MOVIE_Title01.02_Chapter03"},
      {"/dir.with.dots/name", "name"},
      {"relative/a.b.c", "a.b"},
      {"", ""},
  };
  for (const auto& [path, title] : cases) EXPECT_EQ(convert::TitleText(path), title) << path;
}

TEST(ConversionJob, VeryLongOutputPathFitsItsSlot) {
  CConversionJob job;
  fill_example(job);
  const std::string name(300, 'n');
  const std::string path = "/out/" + std::string(5000, 'd') + "/" + name + ".mp4";
  job.SetOutputPath(path.c_str());
  convert::BuildArguments(job, "/cfg/video.avs");
  EXPECT_EQ(std::string(job.arguments.argv()[4]), name);
  EXPECT_EQ(std::string(job.arguments.argv()[32]), path);
}

TEST(ConversionJob, CancelOutsideARunClearsTheList) {
  CConversionJob job;
  job.Cancel();  // on an empty list
  EXPECT_EQ(job.arguments.Count(), 1);
  fill_example(job);
  convert::BuildArguments(job, "/cfg/video.avs");
  job.Cancel();
  EXPECT_EQ(job.arguments.Count(), 1);
  EXPECT_EQ(job.arguments.argv()[1], nullptr);
  EXPECT_STREQ(job.arguments.argv()[0], "dorvane");
}

TEST(ArgumentList, AddSemanticsAndTheSlotLimit) {
  CArgumentList list;
  list.Add("-fixaspect", "");
  list.Add("", "/out/file.mp4");
  list.Add("", "");
  list.Add("-b", "768");
  EXPECT_EQ(slots_of(list), (std::vector<std::string>{"dorvane", "-fixaspect", "/out/file.mp4", "-b", "768"}));

  for (int i = 0; i < 200; ++i) list.Add("-x", std::to_string(i));
  EXPECT_EQ(list.Count(), CArgumentList::kSlots);
  EXPECT_EQ(list.argv()[CArgumentList::kSlots], nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 1);
}

TEST(FrameServerBridge, WritesTheTenParametersAndAnEmptyScript) {
  ScopedConfigHome home;
  write_text(home.file("video.avs"), "stale script");
  CConversionJob job;
  fill_example(job);
  job.SetSourcePath("/media/MOVIE");
  job.audio_index = 1;
  job.subtitle_index = 2;
  job.title_set_param = 4;
  job.title_param = 0;
  job.start_seconds = 12.5;
  job.end_seconds = 5025.5;
  job.synth_param = 1;

  const std::string script = convert::WriteFrameServerParameters(job);
  EXPECT_EQ(script, home.file("video.avs"));
  EXPECT_TRUE(std::filesystem::exists(script));
  EXPECT_EQ(std::filesystem::file_size(script), 0u);

  const std::pair<const char*, const char*> expected[] = {
      {"path", "/media/MOVIE"}, {"audio", "1"},         {"subtitle", "2"},   {"title set", "4"}, {"title", "0"},
      {"start", "12.500000"},   {"end", "5025.500000"}, {"force", "0"},      {"synth", "1"},     {"fps", "3"}};
  for (const auto& [name, text] : expected) EXPECT_EQ(param(name), text) << name;

  // Stored as default values of subkeys, in the order written.
  const std::string store = read_text(home.file("registry.ini"));
  size_t position = store.find("[Software\\quillet\\Param]");
  ASSERT_NE(position, std::string::npos);
  for (const auto& [name, text] : expected) {
    const size_t next = store.find(std::string("[Software\\quillet\\Param\\") + name + "]\n@=", position);
    EXPECT_NE(next, std::string::npos) << name;
    position = next;
  }
}

TEST(FrameServerBridge, UnwritableFolderEndsSilentlyButTheVectorIsStillBuilt) {
  ScopedConfigHome home;
  home.make_unwritable();
  CConversionJob job;
  fill_example(job);
  const std::string script = convert::WriteFrameServerParameters(job);
  EXPECT_EQ(script, home.file("blocker/home/video.avs"));
  EXPECT_EQ(param("fps"), "<missing>");
  convert::BuildArguments(job, script);
  EXPECT_EQ(job.arguments.Count(), 33);
}

TEST(FrameServerBridge, RegistryThatCannotBeWrittenStopsTheBridge) {
  ScopedConfigHome home;
  std::filesystem::create_directory(home.file("registry.ini"));  // exists, cannot be read or replaced
  CConversionJob job;
  fill_example(job);
  const std::string script = convert::WriteFrameServerParameters(job);
  EXPECT_TRUE(std::filesystem::exists(script)) << "the script comes before the registry";
  EXPECT_TRUE(std::filesystem::is_directory(home.file("registry.ini")));
}

// Switches LC_NUMERIC to a locale with a decimal comma, compiling one into `folder` when none is
// installed (containers carry only C.UTF-8).
bool use_decimal_comma_locale(const std::string& folder) {
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return true;
  const std::string command = "mkdir -p '" + folder + "' && localedef -i de_DE -f UTF-8 '" + folder +
                              "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return false;
  ::setenv("LOCPATH", folder.c_str(), 1);
  const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  ::unsetenv("LOCPATH");
  return switched;
}

TEST(FrameServerBridge, NumbersIgnoreTheUserLocale) {
  ScopedConfigHome home;
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  if (!use_decimal_comma_locale(home.file("locales"))) GTEST_SKIP() << "no locale with a decimal comma available";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  CConversionJob job;
  fill_example(job);
  job.start_seconds = 1.5;
  convert::WriteFrameServerParameters(job);
  convert::BuildArguments(job, "/cfg/video.avs");
  std::setlocale(LC_NUMERIC, previous.c_str());
  ASSERT_STREQ(probe, "1,5") << "the locale did not take effect";
  EXPECT_EQ(param("start"), "1.500000");
  EXPECT_STREQ(job.arguments.argv()[8], "29.970030");
  EXPECT_STREQ(job.arguments.argv()[31], "5024.00");
}

// The whole path once: the job's parameters reach the real frame server, which decodes a generated
// test disc, and its vector drives the real engine to an MP4 with XviD video and AAC sound.
TEST(ConversionJobRun, ConvertsATitleRangeOfATestDisc) {
  const std::string disc = std::string(DORVANE_TEST_DISCS) + "/ntsc_4x3";
  if (!std::filesystem::exists(disc + "/VIDEO_TS/VTS_01_0.IFO")) {
    GTEST_SKIP() << "test discs not generated; run tests/data/make_test_discs.sh " << DORVANE_TEST_DISCS;
  }
  ScopedConfigHome home;
  frameserver::install_frame_server();
  CConversionJob job;
  job.SetSourcePath(disc.c_str());
  const std::string output = home.file("NTSC_Title01.01.mp4");
  job.SetOutputPath(output.c_str());
  job.frame_rate_index = 3;
  job.start_seconds = 4.004;
  job.end_seconds = 6.004;
  job.aspect_text = "4:3";
  const int result = job.Run();
  frameserver::remove_frame_server();

  EXPECT_EQ(result, 2);
  EXPECT_EQ(job.arguments.Count(), 33) << "the arguments stay until the next run";
  EXPECT_EQ(param("start"), "4.004000");

  AVFormatContext* raw = nullptr;
  ASSERT_EQ(avformat_open_input(&raw, output.c_str(), nullptr, nullptr), 0);
  av::InputContextPtr file(raw);
  ASSERT_GE(avformat_find_stream_info(file.get(), nullptr), 0);
  ASSERT_EQ(file->nb_streams, 2u);
  const AVCodecParameters* video = file->streams[0]->codecpar;
  const AVCodecParameters* audio = file->streams[1]->codecpar;
  EXPECT_EQ(video->codec_id, AV_CODEC_ID_MPEG4);
  EXPECT_EQ(std::make_pair(video->width, video->height), std::make_pair(320, 240));
  EXPECT_EQ(audio->codec_id, AV_CODEC_ID_AAC);
  EXPECT_EQ(audio->sample_rate, 24000);
  EXPECT_NEAR(static_cast<double>(file->duration) / AV_TIME_BASE, 2.0, 0.2);
}

}  // namespace

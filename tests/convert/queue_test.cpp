#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "convert/conversion_queue.h"
#include "convert/conversion_settings.h"
#include "convert/progress.h"
#include "convert/queue_host.h"
#include "dvd/source_list.h"
#include "platform/fake_system_services.h"

namespace fs = std::filesystem;
using namespace convert;

namespace {

class RecordingHost : public QueueHost {
 public:
  std::vector<std::string> messages;  // "text|caption|flags"
  std::vector<std::string> opened;
  std::vector<std::string> updates;
  int closed = 0;
  bool preview_stopped = false;
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    messages.push_back(text + "|" + caption + "|" + std::to_string(flags));
    return answer;
  }
  void OpenProgress(const std::string& text) override { opened.push_back(text); }
  void UpdateProgress(int position, const std::string& status) override {
    updates.push_back(std::to_string(position) + " " + status);
  }
  void CloseProgress() override { ++closed; }
  bool PreviewStopped() override { return preview_stopped; }
  void StopPreview() override { preview_stopped = true; }
  int answer = kAnswerOk;
};

// Plays the engine: records each job and answers with the scripted result; `during` runs inside
// the call, where the real engine would pump messages and call the progress hook.
class ScriptedRunner : public JobRunner {
 public:
  std::vector<ItemJob> jobs;
  std::vector<int> results;  // per call; 2 when not given
  std::function<void(size_t call, ProgressHook hook, void* context)> during;
  int cancels = 0;
  int Run(const ItemJob& item, ProgressHook hook, void* context) override {
    const size_t call = jobs.size();
    jobs.push_back(item);
    if (during) during(call, hook, context);
    return call < results.size() ? results[call] : 2;
  }
  void Cancel() override { ++cancels; }
};

TitleInfo title_of(double duration, std::vector<ChapterSpan> chapters, std::vector<const char*> audio) {
  TitleInfo t;
  t.duration_seconds = duration;
  t.chapters = std::move(chapters);
  t.chapter_count = static_cast<int32_t>(t.chapters.size());
  t.audio_count = static_cast<int32_t>(audio.size());
  for (size_t i = 0; i < audio.size(); ++i) std::snprintf(t.audio_names[i], 32, "%s", audio[i]);
  return t;
}

std::vector<TreeNode*> title_nodes(SourceList& list) {
  std::vector<TreeNode*> out;
  for (TreePosition p = list.tree().first_root_position(); p;) out.push_back(SourceTree::next_root(p));
  return out;
}

struct QueueFixture : ::testing::Test {
  fs::path temp;
  platform::FakeSystemServices services;
  SourceList list{services};
  ConversionSettings settings;
  RecordingHost host;
  ScriptedRunner runner;
  ConversionQueue queue{list, settings, runner, services, host};
  int64_t now_ms = 1'000'000;

  void SetUp() override {
    temp = fs::temp_directory_path() / ("dorvane_queue_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(temp);
    fs::create_directories(temp);
    services.set_label("/discs", "MOVIE");
    services.set_free_bytes("/", uint64_t{1} << 40);
    queue.clock = [this] { return now_ms; };
    // Set 1: title 1 of 30 s (untouched), title 2 of 60 s with chapters 0-20, 20-20.5 (no row), 20.5-40, 40-60.
    TitleTable table;
    table.titles.push_back(title_of(30, {{0, 30}}, {"English AC3 2ch"}));
    table.titles.push_back(title_of(60, {{0, 20}, {20, 20.5}, {20.5, 40}, {40, 60}}, {"English AC3 2ch", "Francais"}));
    table.title_count = 2;
    list.disc_folder = "/discs/movie/";
    list.add_title_set(table, "/discs/movie/vts_01_0.ifo", 1);
    for (TreeNode* t : title_nodes(list)) t->item->checked = 0;
    settings.output_folder = (temp / "a" / "b" / "out").string();
    settings.frames_per_second = 25;
    settings.frame_rate_index = 2;
    settings.width = 320;
    settings.height = 240;
    settings.video_kbps = 768;
    settings.audio_kbps = 64;
    settings.channels = 2;
    settings.aspect_index = 1;
    settings.volume_percent = 100;
    settings.shutdown_when_done = 0;
  }
  void TearDown() override { fs::remove_all(temp); }

  SourceItem& title(int i) { return *title_nodes(list)[static_cast<size_t>(i)]->item; }
  SourceItem& chapter(int t, int c) { return *title_nodes(list)[static_cast<size_t>(t)]->children[static_cast<size_t>(c)]->item; }
};

TEST(QueueNames, OutputFilesAndStatusTexts) {
  EXPECT_EQ(output_file_name("/out/", "MOVIE", 0, 2, 0), "/out/MOVIE_Title01.03.mp4");
  EXPECT_EQ(output_file_name("/out/", "MOVIE", 0, 1, 2), "/out/MOVIE_Title01.02_Chapter02.mp4");
  EXPECT_EQ(output_file_name("/o/", "X", 9, 11, 12), "/o/X_Title10.12_Chapter12.mp4");
  EXPECT_EQ(item_text(true, 0, 0, 1), "entire Title01.02");
  EXPECT_EQ(item_text(false, 2, 0, 1), "Chapter 3 in Title01.02");
  EXPECT_EQ(item_text(false, 11, 1, 0), "Chapter12 in Title02.01");
}

TEST_F(QueueFixture, TickedChaptersBecomeNamedFilesInACreatedFolder) {
  chapter(1, 0).checked = 1;
  chapter(1, 2).checked = 1;
  chapter(1, 2).cells[1] = "Francais";
  settings.shutdown_when_done = 1;

  EXPECT_EQ(queue.RunConversionQueue(), QueueOutcome::Finished);
  const std::string out = (temp / "a" / "b" / "out").string() + "/";
  EXPECT_EQ(settings.output_folder, out) << "the settings keep the slash";
  EXPECT_TRUE(fs::is_directory(out));
  EXPECT_TRUE(host.preview_stopped);
  ASSERT_EQ(runner.jobs.size(), 2u);
  EXPECT_EQ(runner.jobs[0].output_path, out + "MOVIE_Title01.02_Chapter01.mp4");
  EXPECT_EQ(runner.jobs[1].output_path, out + "MOVIE_Title01.02_Chapter03.mp4") << "the third chapter row";
  EXPECT_EQ(host.opened, (std::vector<std::string>{"Converting Chapter 1 in Title01.02 ...",
                                                   "Converting Chapter 3 in Title01.02 ..."}));
  EXPECT_EQ(host.closed, 2);

  const ItemJob& job = runner.jobs[1];
  EXPECT_EQ(job.start_seconds, 40);
  EXPECT_EQ(job.end_seconds, 60);
  EXPECT_EQ(job.source_path, "/discs/movie/");
  EXPECT_EQ(job.audio_index, 1);
  EXPECT_EQ(job.subtitle_index, 0);
  EXPECT_EQ(job.title_set_param, 1) << "the title's position in its set";
  EXPECT_EQ(job.title_param, 0) << "the title set";
  EXPECT_EQ(job.aspect_text, "16:9");
  EXPECT_EQ(job.frame_rate_index, 2);
  EXPECT_EQ(job.video_kbps, 768);
  EXPECT_EQ(job.audio_kbps, 64);
  EXPECT_EQ(queue.item_total_frames(), 500);

  EXPECT_EQ(services.shutdown_requests(), 1);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"     Conversion Finished !      |Successful|64"}));
  EXPECT_FALSE(queue.converting());
  // Every row got its name, ticked or not.
  EXPECT_EQ(title(0).details->output_path, out + "MOVIE_Title01.01.mp4");
}

TEST_F(QueueFixture, CancelDuringSecondOfThreeItems) {
  title(0).checked = 1;
  title(1).checked = 1;
  chapter(1, 0).checked = 1;
  settings.shutdown_when_done = 1;
  runner.results = {2, 1};
  runner.during = [&](size_t call, ProgressHook hook, void* context) {
    ProgressRecord record{};
    record.frames = 375;  // a quarter of 60 s at 25 frames/s
    now_ms += 50'000;
    hook(&record, context);
    if (call == 1) {
      EXPECT_TRUE(queue.converting());
      queue.RequestStop();  // as the stop message would, from the engine's pump
      EXPECT_EQ(queue.RunConversionQueue(), QueueOutcome::NotStarted) << "no second queue while one drains";
    }
  };
  EXPECT_EQ(queue.RunConversionQueue(), QueueOutcome::Cancelled);
  EXPECT_EQ(runner.jobs.size(), 2u) << "the third item is not started";
  EXPECT_EQ(runner.cancels, 1);
  EXPECT_TRUE(queue.user_cancelled());
  EXPECT_FALSE(queue.converting());
  EXPECT_TRUE(host.messages.empty()) << "no final message after a cancel";
  EXPECT_EQ(services.shutdown_requests(), 0);
  ASSERT_EQ(host.updates.size(), 2u);
  EXPECT_EQ(host.updates[1], "25 Remain: 00:02:07; Finished: 25.00%");
  ASSERT_EQ(queue.results().size(), 2u);
  EXPECT_EQ(queue.results()[1].result, 1);
}

TEST_F(QueueFixture, FailedItemIsNamedAndTheQueueGoesOn) {
  title(0).checked = 1;
  title(1).checked = 1;
  runner.results = {3, 2};
  EXPECT_EQ(queue.RunConversionQueue(), QueueOutcome::ItemsFailed);
  EXPECT_EQ(runner.jobs.size(), 2u);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "These files could not be converted:\n" + settings.output_folder +
                                  "MOVIE_Title01.01.mp4|Information|64");
}

TEST_F(QueueFixture, ChecksRefuseBeforeAnyFileIsWritten) {
  chapter(1, 0).checked = 1;  // 20 s at (2 * 64 + 768) kbit/s: 2 MB
  std::ofstream(temp / "file") << "x";
  struct Case {
    const char* name;
    std::function<void(QueueFixture&)> arrange;
    std::string message;  // empty: silent
  };
  const std::vector<Case> cases = {
      {"DiscChanged", [](QueueFixture& f) { f.services.set_label("/discs", "OTHER"); },
       "You have changed the DVD movie disc, please reload it into the source list."},
      {"DiscGone", [](QueueFixture& f) { f.services.remove_label("/discs"); }, "Please close the DVD-Rom."},
      {"FolderIsAFile", [](QueueFixture& f) { f.settings.output_folder = (f.temp / "file").string(); },
       (temp / "file").string() + "/ is invalid directory!"},
      {"FolderBelowAFile", [](QueueFixture& f) { f.settings.output_folder = (f.temp / "file" / "x").string(); },
       (temp / "file" / "x").string() + "/ is invalid directory!"},
      {"FolderTooDeep", [](QueueFixture& f) { f.settings.output_folder = (f.temp / std::string(300, 'd')).string(); },
       (temp / std::string(300, 'd')).string() + "/ is invalid directory!"},
      {"FolderEmpty", [](QueueFixture& f) { f.settings.output_folder.clear(); }, " is invalid directory!"},
      {"FreeSpaceEqualsEstimate", [](QueueFixture& f) { f.services.set_free_bytes("/", 2u << 20); },
       "Free space should be over 2Mb.Please change the output folder."},
      {"NothingTicked", [](QueueFixture& f) { f.chapter(1, 0).checked = 0; }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = settings.output_folder;
    c.arrange(*this);
    host.messages.clear();
    const QueueOutcome outcome = queue.RunConversionQueue();
    EXPECT_EQ(outcome, c.message.empty() ? QueueOutcome::NotStarted : QueueOutcome::Refused);
    if (c.message.empty())
      EXPECT_TRUE(host.messages.empty());
    else
      EXPECT_EQ(host.messages, (std::vector<std::string>{c.message + "|Information|64"}));
    EXPECT_TRUE(runner.jobs.empty());
    EXPECT_FALSE(queue.converting());
    services.set_label("/discs", "MOVIE");
    services.set_free_bytes("/", uint64_t{1} << 40);
    settings.output_folder = folder;
    chapter(1, 0).checked = 1;
  }
  // One more megabyte than the estimate is enough.
  services.set_free_bytes("/", 3u << 20);
  EXPECT_EQ(queue.RunConversionQueue(), QueueOutcome::Finished);
  EXPECT_EQ(queue.needed_mb(), 2);
  host.messages.clear();
  list.clear_source_list();
  EXPECT_EQ(queue.RunConversionQueue(), QueueOutcome::NotStarted);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(QueueFixture, UnlabelledDiscPassesTheDiscCheck) {
  services.set_label("/discs", "");
  list.clear_source_list();
  list.forget_longest_title();
  TitleTable table;
  table.titles.push_back(title_of(10, {}, {"English AC3 2ch"}));
  table.title_count = 1;
  list.add_title_set(table, "/discs/movie/vts_01_0.ifo", 1);
  ASSERT_EQ(list.disc_label, "unknow");
  EXPECT_EQ(queue.RunConversionQueue(), QueueOutcome::Finished);
  ASSERT_EQ(runner.jobs.size(), 1u);
  EXPECT_EQ(runner.jobs[0].output_path, settings.output_folder + "unknow_Title01.01.mp4");
}

TEST_F(QueueFixture, UnmatchedAudioTextKeepsThePreviousChoice) {
  SourceItem& row = title(1);
  row.details->audio_index = 1;
  row.cells[1] = "Deutsch";
  queue.AssignOutputNames();
  EXPECT_EQ(row.details->audio_index, 1);
  row.cells[1] = "English AC3 2ch";
  queue.AssignOutputNames();
  EXPECT_EQ(row.details->audio_index, 0);
  // A row without audio names resolves to 0.
  row.popup_lists[kAudioTrackKey].clear();
  row.details->audio_index = 5;
  queue.AssignOutputNames();
  EXPECT_EQ(row.details->audio_index, 0);
}

TEST_F(QueueFixture, CancelButtonAsksFirst) {
  host.answer = kAnswerNo;
  queue.OnCancelButton();
  EXPECT_FALSE(queue.user_cancelled());
  EXPECT_EQ(runner.cancels, 0);
  host.answer = kAnswerYes;
  queue.OnCancelButton();
  EXPECT_TRUE(queue.user_cancelled());
  EXPECT_EQ(runner.cancels, 1);
  EXPECT_EQ(host.messages.back(), "Are you sure to cancel ripping?|Query|36");
}

TEST(Progress, ArithmeticAndStatusText) {
  struct Case {
    const char* name;
    int64_t frames, total, elapsed_ms;
    int position;
    const char* status;
  };
  for (const Case& c : {
           Case{"QuarterAfter50s", 256, 1024, 50'000, 25, "Remain: 00:02:07; Finished: 25.00%"},
           Case{"FirstReportUnderOneSecond", 512, 1024, 400, 50, "Remain: 00:00:00; Finished: 50.00%"},
           Case{"BeforeAnyFrame", 0, 1024, 3'000, 0, "Remain: 00:42:27; Finished: 0.10%"},
           Case{"PastTheTotal", 2048, 1024, 10'000, 200, "Remain: 00:00:-4; Finished: 200.00%"},
           Case{"EmptyRange", 10, 0, 2'000, 0, "Remain: 00:28:18; Finished: 0.10%"},
           Case{"Hours", 1, 512, 10'000, 0, "Remain: 01:12:23; Finished: 0.20%"},
       }) {
    SCOPED_TRACE(c.name);
    const ProgressView v = compute_progress(c.frames, c.total, 5'000'000 + c.elapsed_ms, 5'000'000);
    EXPECT_EQ(v.position, c.position);
    EXPECT_EQ(v.status, c.status);
  }
}

TEST(Progress, ShutDownAndMissingContext) {
  platform::FakeSystemServices services;
  services.fail_shutdown(true);
  ShutDownComputer(services);  // a refused request is not reported
  EXPECT_EQ(services.shutdown_requests(), 1);
  ProgressRecord record{};
  OnConversionProgress(&record, nullptr);  // nothing to update, nothing happens
}

}  // namespace

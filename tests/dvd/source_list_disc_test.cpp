// The source list filled from generated DVD-Video folders through the real catalogue reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dvd/open_disc.h"
#include "dvd/source_list.h"
#include "platform/fake_system_services.h"

namespace {

class SilentHost : public OpenDiscHost {
 public:
  std::vector<std::string> messages;
  int ShowMessageBox(const std::string& text, const std::string&, unsigned) override {
    messages.push_back(text);
    return kAnswerOk;
  }
  void ShowLoadingNotice() override {}
  void CloseLoadingNotice() override {}
};

class RecordingSlider : public RangeSliderSink {
 public:
  double upper = -1;
  void set_limits_and_thumbs(double, double high_limit, double, double) override { upper = high_limit; }
};

struct DiscRows : ::testing::Test {
  platform::FakeSystemServices services;
  platform::FakeFolderPicker picker;
  SilentHost host;
  RecordingSlider slider;
  SourceList list{services};

  void load(const std::string& name) {
    const std::string folder = std::string(DORVANE_TEST_DISCS) + "/" + name;
    ASSERT_TRUE(std::filesystem::is_directory(folder + "/VIDEO_TS"))
        << folder << " is missing: run tests/data/make_test_discs.sh " << DORVANE_TEST_DISCS;
    services.set_label(DORVANE_TEST_DISCS, "MY:DISC \"2\"");
    list.set_range_slider(&slider);
    picker.push_answer(folder);
    ASSERT_EQ(open_disc(list, picker, host, services, reader_library_catalogue()), OpenDiscResult::Loaded);
  }
  std::vector<TreeNode*> titles() {
    std::vector<TreeNode*> out;
    for (TreePosition p = list.tree().first_root_position(); p;) out.push_back(SourceTree::next_root(p));
    return out;
  }
};

TEST_F(DiscRows, LongestTitleInTheSecondSetIsTickedAndSelected) {
  load("two_sets");
  const auto rows = titles();
  ASSERT_EQ(rows.size(), 3u);
  std::vector<std::string> names;
  for (TreeNode* n : rows) names.push_back(n->item->name + " " + n->item->cells[0] + " " + n->item->cells[1]);
  EXPECT_EQ(names, (std::vector<std::string>{"Title01.01 00:00:00 <-> 00:00:05 English AC3 2ch",
                                             "Title02.01 00:00:00 <-> 00:00:09 English AC3 2ch",
                                             "Title02.02 00:00:00 <-> 00:00:03 No Audio Track"}));
  EXPECT_EQ(rows[0]->item->checked, 0);
  EXPECT_EQ(rows[1]->item->checked, 1);
  EXPECT_EQ(rows[2]->item->checked, 0);
  EXPECT_EQ(list.tree().selected_row(), 1);
  EXPECT_NEAR(slider.upper, 9.0, 0.1);
  EXPECT_EQ(rows[1]->item->details->ifo_path, std::string(DORVANE_TEST_DISCS) + "/two_sets/vts_02_0.ifo");
  EXPECT_EQ(rows[1]->item->details->title_set_index, 1);
  EXPECT_EQ(rows[2]->item->details->title_index, 1);
  EXPECT_EQ(list.disc_label, "MY:DISC \"2\"");
  EXPECT_EQ(rows[2]->item->details->label, "MY_DISC _2_");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DiscRows, ShortTitlesHaveNoRowAndChaptersFollowTheDisc) {
  load("ntsc_4x3");
  const auto rows = titles();
  ASSERT_EQ(rows.size(), 1u) << "the half-second title is left out";
  const SourceItem& title = *rows[0]->item;
  EXPECT_EQ(title.name, "Title01.01");
  EXPECT_EQ(title.popup_lists.at(kAudioTrackKey).size(), 2u);
  EXPECT_EQ(title.cells[2], "No Subtitle");
  std::vector<std::string> chapters;
  for (auto& child : rows[0]->children) chapters.push_back(child->item->name + " " + child->item->cells[0]);
  EXPECT_EQ(chapters, (std::vector<std::string>{"Chapter 01 00:00:00 <-> 00:00:04", "Chapter 02 00:00:04 <-> 00:00:08",
                                                "Chapter 03 00:00:08 <-> 00:00:12"}));

  // The subtitled disc offers "Exclude Subtitle" first, then its streams.
  load("pal_16x9_subs");
  const auto pal = titles();
  ASSERT_EQ(pal.size(), 1u);
  const auto& subtitles = pal[0]->item->popup_lists.at(kSubtitleKey);
  ASSERT_EQ(subtitles.size(), 3u);
  EXPECT_EQ(subtitles[0], "Exclude Subtitle");
  EXPECT_EQ(pal[0]->item->cells[2], "Exclude Subtitle");
  EXPECT_EQ(list.tree().node_count(), 3u) << "nothing of the previous disc is left";
}

}  // namespace

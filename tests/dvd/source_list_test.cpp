#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dvd/open_disc.h"
#include "dvd/source_list.h"
#include "platform/system_services.h"

namespace {

class LabelServices : public platform::SystemServices {
 public:
  std::optional<std::string> label = std::string("MOVIE");
  std::vector<std::string> asked;
  std::optional<std::string> volume_label(const std::string& path) override {
    asked.push_back(path);
    return label;
  }
  std::optional<uint64_t> free_bytes(const std::string&) override { return std::nullopt; }
  bool request_shutdown() override { return false; }
};

class RecordingSlider : public RangeSliderSink {
 public:
  int calls = 0;
  double lower = -1, upper = -1, low = -1, high = -1;
  void set_limits_and_thumbs(double a, double b, double c, double d) override {
    ++calls;
    lower = a, upper = b, low = c, high = d;
  }
};

TitleInfo make_title(double duration, std::vector<ChapterSpan> chapters, std::vector<const char*> audio,
                     std::vector<const char*> subtitles) {
  TitleInfo t;
  t.duration_seconds = duration;
  t.chapters = std::move(chapters);
  t.chapter_count = static_cast<int32_t>(t.chapters.size());
  t.audio_count = static_cast<int32_t>(audio.size());
  for (size_t i = 0; i < audio.size(); ++i) std::snprintf(t.audio_names[i], 32, "%s", audio[i]);
  t.subtitle_count = static_cast<int32_t>(subtitles.size());
  std::snprintf(t.subtitle_names[0], 32, "Exclude Subtitle");
  for (size_t i = 0; i < subtitles.size(); ++i) std::snprintf(t.subtitle_names[i + 1], 32, "%s", subtitles[i]);
  return t;
}

TitleTable make_table(std::vector<TitleInfo> titles) {
  TitleTable table;
  table.title_count = static_cast<int32_t>(titles.size());
  table.titles = std::move(titles);
  return table;
}

std::vector<SourceItem*> roots(const SourceTree& tree) {
  std::vector<SourceItem*> out;
  for (TreePosition p = tree.first_root_position(); p;) out.push_back(SourceTree::item_of(SourceTree::next_root(p)));
  return out;
}

std::vector<SourceItem*> chapters_of(const SourceItem& title) {
  std::vector<SourceItem*> out;
  for (TreePosition p = SourceTree::first_child_position(title.details->title_node); p;)
    out.push_back(SourceTree::item_of(SourceTree::next_child(p)));
  return out;
}

TEST(SourceList, RowsOfTwoTitleSets) {
  LabelServices services;
  services.label = "MY:DISC\"1  ";
  SourceList list(services);
  RecordingSlider slider;
  list.set_range_slider(&slider);

  // Set 1: a 12 s title with a 0.5 s chapter in the middle, a 0.5 s title (no row).
  list.add_title_set(make_table({make_title(12.7, {{0, 4}, {4, 4.5}, {4.5, 12.7}}, {"en", "fr"}, {}),
                                 make_title(0.5, {{0, 0.5}}, {"en"}, {})}),
                     "/media/MOVIE/VIDEO_TS/vts_01_0.ifo", 1);
  // Set 2: the longest title, one subtitle stream, no audio.
  list.add_title_set(make_table({make_title(3725.9, {{0, 3725.9}}, {}, {"de"})}),
                     "/media/MOVIE/VIDEO_TS/vts_02_0.ifo", 2);

  EXPECT_EQ(services.asked.back(), "/media/MOVIE/VIDEO_TS");
  EXPECT_EQ(list.disc_label, "MY:DISC\"1");
  const auto titles = roots(list.tree());
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(list.tree().node_count(), 5u);  // two titles, two chapters of the first, one of the second

  const SourceItem& first = *titles[0];
  EXPECT_EQ(first.name, "Title01.01");
  EXPECT_EQ(first.cells, (std::vector<std::string>{"00:00:00 <-> 00:00:12", "en", "No Subtitle"}));
  EXPECT_TRUE(first.details->subtitle_names.empty());
  EXPECT_TRUE(first.popup_lists.at(kSubtitleKey).empty());
  EXPECT_EQ(first.popup_lists.at(kAudioTrackKey), (std::vector<std::string>{"en", "fr"}));
  EXPECT_EQ(first.cell_kinds.at(kAudioTrackKey), kPopupCell);
  EXPECT_EQ(first.cell_kinds.at(kSubtitleKey), kPopupCell);
  EXPECT_EQ(first.details->label, "MY_DISC_1");
  EXPECT_EQ(first.details->ifo_path, "/media/MOVIE/VIDEO_TS/vts_01_0.ifo");
  EXPECT_EQ(first.chapter_index, -1);
  EXPECT_EQ(first.image, 1);
  EXPECT_EQ(first.checked, 0) << "the longer title of set 2 took the tick";

  const auto chapters = chapters_of(first);
  ASSERT_EQ(chapters.size(), 2u) << "the 0.5 s chapter has no row";
  EXPECT_EQ(chapters[0]->name, "Chapter 01");
  EXPECT_EQ(chapters[1]->name, "Chapter 03");
  EXPECT_EQ(chapters[1]->chapter_index, 2);
  EXPECT_EQ(chapters[1]->cells[0], "00:00:04 <-> 00:00:12");
  EXPECT_EQ(chapters[1]->image, 2);
  EXPECT_DOUBLE_EQ(chapters[1]->start_seconds, 4.5);
  EXPECT_DOUBLE_EQ(chapters[1]->details->duration_seconds, 12.7);
  EXPECT_EQ(chapters[1]->details->title_node, first.details->title_node);
  EXPECT_NE(chapters[1]->details.get(), first.details.get()) << "each row owns its details";
  EXPECT_EQ(first.details->title_node->children[1]->row, -1) << "chapters start hidden";
  EXPECT_TRUE(first.details->title_node->collapsed);

  const SourceItem& second = *titles[1];
  EXPECT_EQ(second.name, "Title02.01");
  EXPECT_EQ(second.title_set_index, 1);
  EXPECT_EQ(second.details->title_index, 0);
  EXPECT_EQ(second.cells, (std::vector<std::string>{"00:00:00 <-> 01:02:05", "No Audio Track", "Exclude Subtitle"}));
  EXPECT_EQ(second.popup_lists.at(kSubtitleKey), (std::vector<std::string>{"Exclude Subtitle", "de"}));
  EXPECT_EQ(second.checked, 1);
  EXPECT_EQ(list.tree().selected_row(), 1);
  EXPECT_EQ(list.tree().node_at_row(1), second.details->title_node);
  EXPECT_EQ(slider.upper, 3725.9);
  EXPECT_EQ(slider.high, 3725.9);
  EXPECT_EQ(slider.lower, 0.0);
}

TEST(SourceList, FirstOfEquallyLongTitlesKeepsTheTick) {
  LabelServices services;
  SourceList list(services);
  list.add_title_set(make_table({make_title(5, {}, {"en"}, {}), make_title(9, {}, {}, {}), make_title(9, {}, {}, {})}),
                     "/d/vts_01_0.ifo", 1);
  const auto titles = roots(list.tree());
  ASSERT_EQ(titles.size(), 3u);
  EXPECT_EQ(titles[0]->checked, 0);
  EXPECT_EQ(titles[1]->checked, 1);
  EXPECT_EQ(titles[2]->checked, 0);
  EXPECT_EQ(list.tree().selected_row(), 1);
}

TEST(SourceList, LabelsAndTimeTexts) {
  struct Case { std::string volume; std::string recorded; std::string safe; };
  for (const Case& c : {Case{"", "unknow", "unknow"}, Case{"  ", "unknow", "unknow"},
                        Case{"A?B\"C\\D/E*F:G<H>I|J", "A?B\"C\\D/E*F:G<H>I|J", "A_B_C_D_E_F_G_H_I_J"},
                        Case{"MOVIE \t", "MOVIE", "MOVIE"}}) {
    EXPECT_EQ(recorded_label(c.volume), c.recorded) << c.volume;
    EXPECT_EQ(file_name_safe_label(recorded_label(c.volume)), c.safe) << c.volume;
  }
  struct Time { double seconds; const char* text; };
  for (const Time& t : {Time{0, "00:00:00"}, Time{59.99, "00:00:59"}, Time{3661, "01:01:01"},
                        Time{360000 + 62, "100:01:02"}})
    EXPECT_EQ(time_text(t.seconds), t.text) << t.seconds;
  EXPECT_EQ(title_row_name(1, 3), "Title01.03");
  EXPECT_EQ(title_set_ifo_path("/d/", 10), "/d/vts_10_0.ifo");
  EXPECT_EQ(with_trailing_slash("/d"), with_trailing_slash("/d/"));
}

TEST(SourceTree, ExpandCollapseAndSelectionFollowRows) {
  SourceTree tree;
  TreeNode* a = tree.insert_root(nullptr);
  TreeNode* a1 = tree.insert_child(a, nullptr, false);
  TreeNode* a2 = tree.insert_child(a, nullptr, false);
  TreeNode* b = tree.insert_root(nullptr);
  EXPECT_EQ(tree.shown_row_count(), 2u);
  EXPECT_EQ(b->row, 1);
  tree.select_node(b);
  EXPECT_EQ(tree.expand_node(a), 2);
  EXPECT_EQ(tree.node_at_row(1), a1);
  EXPECT_EQ(tree.node_at_row(2), a2);
  EXPECT_EQ(b->row, 3);
  EXPECT_EQ(tree.selected_row(), 3) << "the selection follows its node";
  EXPECT_EQ(a1->indent, 2);
  EXPECT_EQ(SourceTree::parent_of(a2), a);
  EXPECT_TRUE(SourceTree::is_root(b));
  EXPECT_FALSE(SourceTree::is_root(a2));
  tree.select_node(a2);
  tree.collapse_node(a);
  EXPECT_EQ(a2->row, -1);
  EXPECT_EQ(tree.selected_row(), -1) << "a hidden row cannot stay selected";
  EXPECT_EQ(tree.node_at_row(1), b);
  EXPECT_EQ(tree.node_at_row(2), nullptr);
  tree.clear();
  EXPECT_EQ(tree.node_count(), 0u);
  EXPECT_EQ(tree.node_at_row(0), nullptr);
}

// open_disc over a made-up reader library, a picker and a host that record what they were asked.
class FakeReader : public DiscCatalogueReader {
 public:
  std::vector<TitleTable> sets;
  std::string opened;
  int connected = -1;
  void open(const std::string& folder) override { opened = folder; }
  int title_set_count() override { return static_cast<int>(sets.size()); }
  void connect_title_set(int index) override { connected = index; }
  void load_catalogue(TitleTable& table) override { table = sets.at(static_cast<size_t>(connected)); }
};

class FakePicker : public platform::FolderPicker {
 public:
  std::optional<std::string> answer;
  std::string title;
  std::optional<std::string> choose_folder(const std::string& t, const std::string&) override {
    title = t;
    return answer;
  }
};

class FakeHost : public OpenDiscHost {
 public:
  std::vector<std::string> messages;
  int shown = 0, closed = 0;
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    messages.push_back(text + "|" + caption + "|" + std::to_string(flags));
    return kAnswerOk;
  }
  void ShowLoadingNotice() override { ++shown; }
  void CloseLoadingNotice() override { ++closed; }
};

struct OpenFixture : ::testing::Test {
  LabelServices services;
  SourceList list{services};
  FakeReader reader;
  FakePicker picker;
  FakeHost host;
  OpenDiscResult open(std::optional<std::string> folder) {
    picker.answer = std::move(folder);
    return open_disc(list, picker, host, services, reader);
  }
};

TEST_F(OpenFixture, LoadsEveryTitleSetAndReplacesThePreviousDisc) {
  reader.sets.push_back(make_table({make_title(5, {}, {"en"}, {})}));
  reader.sets.push_back(TitleTable{});  // a set without titles adds nothing, the next still loads
  reader.sets.push_back(make_table({make_title(9, {{0, 4}, {4, 9}}, {"en"}, {})}));
  ASSERT_EQ(open("/discs/one"), OpenDiscResult::Loaded);
  EXPECT_EQ(picker.title, "Open DVD Movie from DVD ROM or hard disk");
  EXPECT_EQ(reader.opened, "/discs/one/");
  EXPECT_EQ(list.disc_folder, "/discs/one/");
  EXPECT_EQ(host.shown, 1);
  EXPECT_EQ(host.closed, 1);
  EXPECT_TRUE(host.messages.empty());
  auto titles = roots(list.tree());
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[1]->name, "Title03.01");
  EXPECT_EQ(titles[1]->details->ifo_path, "/discs/one/vts_03_0.ifo");
  EXPECT_EQ(titles[1]->checked, 1);

  // Same label, same folder: already loaded, nothing touched.
  EXPECT_EQ(open("/discs/one/"), OpenDiscResult::AlreadyLoaded);
  EXPECT_EQ(list.tree().node_count(), 4u);
  EXPECT_EQ(host.shown, 1);

  // Same label in another folder (many discs on one labelled disk): reloads.
  reader.sets = {make_table({make_title(7, {}, {}, {})})};
  EXPECT_EQ(open("/discs/two"), OpenDiscResult::Loaded);
  titles = roots(list.tree());
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(list.tree().node_count(), 1u) << "nothing of the previous disc is left";
  EXPECT_EQ(titles[0]->checked, 1) << "the longest title is found afresh";
  EXPECT_EQ(list.tree().selected_row(), 0);
}

TEST_F(OpenFixture, UnlabelledVolumeReloadsEveryTime) {
  services.label = "";
  reader.sets.push_back(make_table({make_title(5, {}, {"en"}, {})}));
  EXPECT_EQ(open("/discs/one"), OpenDiscResult::Loaded);
  EXPECT_EQ(list.disc_label, "unknow");
  EXPECT_EQ(open("/discs/one"), OpenDiscResult::Loaded);
  EXPECT_EQ(host.shown, 2);
  EXPECT_EQ(list.tree().node_count(), 1u);
}

TEST_F(OpenFixture, RefusalsKeepThePreviousList) {
  reader.sets.push_back(make_table({make_title(5, {}, {"en"}, {})}));
  ASSERT_EQ(open("/discs/one"), OpenDiscResult::Loaded);
  reader.sets.clear();

  EXPECT_EQ(open(std::nullopt), OpenDiscResult::Cancelled);
  EXPECT_EQ(open("relative/folder"), OpenDiscResult::InvalidPath);
  services.label = std::nullopt;
  EXPECT_EQ(open("/discs/gone"), OpenDiscResult::NoDisc);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"Invalid path or movie|Information|64",
                                                      "Please close the DVD-Rom.|Information|64"}));
  EXPECT_EQ(list.tree().node_count(), 1u);
  EXPECT_EQ(list.disc_folder, "/discs/one/");
  EXPECT_EQ(host.shown, 1);
}

}  // namespace

// The source list's model: one title row per title of the opened disc with its chapters as child
// rows, each carrying what the conversion and the preview need of it. Built from the title
// catalogue while a disc is opened (add_title_set), released when another disc is opened
// (clear_source_list). No widget code: a list widget presents the SourceTree through TreeView,
// and the range slider is reached through RangeSliderSink.
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dvd/source_tree.h"
#include "dvd/title_catalogue.h"

namespace platform {
class SystemServices;
}

// Column keys (the column number minus one) of a row's per-column settings.
inline constexpr int kSceneSpotKey = 0;
inline constexpr int kAudioTrackKey = 1;
inline constexpr int kSubtitleKey = 2;
inline constexpr int kPopupCell = 1;  // cell kind: chosen from a popup list

inline constexpr const char* kExcludeSubtitle = "Exclude Subtitle";
inline constexpr const char* kNoAudioTrack = "No Audio Track";
inline constexpr const char* kNoSubtitle = "No Subtitle";
inline constexpr const char* kUnknownLabel = "unknow";  // the label recorded for a volume without one

// What a conversion needs of a row.
struct SourceDetails {
  std::vector<std::string> subtitle_names;  // "Exclude Subtitle" first, or empty without subtitles
  std::vector<std::string> audio_names;
  std::string label;        // the disc label, file-name safe
  std::string output_path;  // filled by the conversion queue
  int32_t subtitle_index = 0;
  int32_t audio_index = 0;
  TreeNode* title_node = nullptr;  // the title row's node (a chapter row holds its title's)
  int32_t title_index = 0;         // within its title set, from 0
  int32_t title_set_index = 0;     // from 0
  std::string ifo_path;
  double duration_seconds = 0;  // the title's duration, or for a chapter its end time
};

// One row: a title (chapter_index -1) or a chapter.
struct SourceItem {
  std::unique_ptr<SourceDetails> details;
  int32_t chapter_index = -1;
  double start_seconds = 0;  // the part of the title this row converts and previews
  double end_seconds = 0;
  int32_t title_set_index = 0;
  std::map<int, int> cell_kinds;          // column key -> cell kind
  std::map<int, uint32_t> column_colours;  // column key -> background; unused here
  std::map<int, std::vector<std::string>> popup_lists;  // column key -> choices
  std::string name;                // column 0
  std::vector<std::string> cells;  // columns 1 onward: range, audio, subtitle
  int32_t checked = 0;
  int32_t image = -1;        // icon index; -1 lets the list choose
  int32_t fill_colour = -1;  // -1: none
};

// The two-thumb range slider under the preview. The implementation raises its range guard while
// applying the values, so the change is not taken as a user edit.
class RangeSliderSink {
 public:
  virtual ~RangeSliderSink() = default;
  virtual void set_limits_and_thumbs(double lower_limit, double upper_limit, double low, double high) = 0;
};

// Whole seconds (truncated) as "%02d:%02d:%02d"; hours are not limited to two digits.
std::string time_text(double seconds);
// "hh:mm:ss <-> hh:mm:ss".
std::string range_text(double start_seconds, double end_seconds);
// The label with each character a file name cannot hold (? " \ / * : < > |) replaced by '_'.
std::string file_name_safe_label(const std::string& label);
// Trailing white space removed; an empty result reads as "unknow".
std::string recorded_label(const std::string& volume_label);
// "Title%.2d.%.2d" of the set number and title number, both from 1.
std::string title_row_name(int set_number, int title_number);

class SourceList {
 public:
  explicit SourceList(platform::SystemServices& services);

  SourceTree& tree() { return tree_; }
  const SourceTree& tree() const { return tree_; }
  void set_range_slider(RangeSliderSink* slider) { slider_ = slider; }

  // Adds the rows of one title set (set_number from 1). Records disc_label from the volume that
  // holds ifo_path. Titles and chapters shorter than one second get no row. The longest title so
  // far is ticked and selected, and the range slider spans it.
  void add_title_set(const TitleTable& table, const std::string& ifo_path, int set_number);

  // Releases every row with its item and details.
  void clear_source_list();

  // Forgets the longest title found so far, at the start of every open.
  void forget_longest_title() {
    longest_title_seconds = 0.0;
    longest_title_row = 0;
  }

  // Disc state: the folder of the last open that passed the label check (ending in '/'), and the
  // label recorded while loading ("" until a disc was loaded, "unknow" for a volume without one).
  std::string disc_folder;
  std::string disc_label;
  double longest_title_seconds = 0.0;
  int longest_title_row = 0;

 private:
  void add_title(const TitleInfo& title, int title_index, int set_number, const std::string& ifo_path,
                 const std::string& label);

  platform::SystemServices& services_;
  SourceTree tree_;
  RangeSliderSink* slider_ = nullptr;
};

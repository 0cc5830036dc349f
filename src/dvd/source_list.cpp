#include "dvd/source_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/system_services.h"

namespace {

constexpr int kTitleImage = 1;
constexpr int kChapterImage = 2;
constexpr double kShortestRow = 1.0;  // seconds; menus and gaps on discs are often a fraction of that

// The names a title offers, in the library's order; slots beyond the record are not there.
std::vector<std::string> audio_choices(const TitleInfo& title) {
  std::vector<std::string> names;
  const int count = std::clamp(title.audio_count, 0, 32);
  for (int a = 0; a < count; ++a) names.emplace_back(title.audio_names[a], strnlen(title.audio_names[a], 32));
  return names;
}

std::vector<std::string> subtitle_choices(const TitleInfo& title) {
  std::vector<std::string> names;
  const int count = std::clamp(title.subtitle_count, 0, 31);
  if (count == 0) return names;
  names.emplace_back(kExcludeSubtitle);
  for (int s = 1; s <= count; ++s)
    names.emplace_back(title.subtitle_names[s], strnlen(title.subtitle_names[s], 32));
  return names;
}

// Cells 1 and 2, their kinds and their choice lists, the same for a title and its chapters.
void set_choice_cells(SourceItem& item, const SourceDetails& details) {
  item.cell_kinds[kAudioTrackKey] = kPopupCell;
  item.cell_kinds[kSubtitleKey] = kPopupCell;
  item.popup_lists[kAudioTrackKey] = details.audio_names;
  item.popup_lists[kSubtitleKey] = details.subtitle_names;
  item.cells.resize(3);
  item.cells[1] = details.audio_names.empty() ? kNoAudioTrack : details.audio_names.front();
  item.cells[2] = details.subtitle_names.empty() ? kNoSubtitle : details.subtitle_names.front();
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return path;
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string time_text(double seconds) {
  const long long s = static_cast<long long>(seconds);
  char text[64];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", s / 3600, (s % 3600) / 60, s % 60);
  return text;
}

std::string range_text(double start_seconds, double end_seconds) {
  return time_text(start_seconds) + " <-> " + time_text(end_seconds);
}

std::string file_name_safe_label(const std::string& label) {
  std::string safe = label;
  for (char& c : safe)
    if (std::string_view("?\"\\/*:<>|").find(c) != std::string_view::npos) c = '_';
  return safe;
}

std::string recorded_label(const std::string& volume_label) {
  std::string label = volume_label;
  while (!label.empty() && (label.back() == ' ' || label.back() == '\t' || label.back() == '\n' ||
                            label.back() == '\r' || label.back() == '\v' || label.back() == '\f'))
    label.pop_back();
  return label.empty() ? kUnknownLabel : label;
}

std::string title_row_name(int set_number, int title_number) {
  char text[32];
  std::snprintf(text, sizeof text, "Title%.2d.%.2d", set_number, title_number);
  return text;
}

SourceList::SourceList(platform::SystemServices& services) : services_(services) {}

void SourceList::clear_source_list() { tree_.clear(); }

void SourceList::add_title_set(const TitleTable& table, const std::string& ifo_path, int set_number) {
  // The IFO file's own name may differ in case from the path formed here, so ask for the volume
  // of its folder, which exists whenever the disc does. Trailing blanks are removed here as the
  // disc check does, so a padded label still matches itself before a conversion.
  disc_label = recorded_label(services_.volume_label(folder_of(ifo_path)).value_or(""));
  const std::string label = file_name_safe_label(disc_label);
  const int count = std::min<int>(table.title_count, static_cast<int>(table.titles.size()));
  for (int t = 0; t < count; ++t) {
    const TitleInfo& title = table.titles[static_cast<size_t>(t)];
    if (!(title.duration_seconds >= kShortestRow)) continue;
    add_title(title, t, set_number, ifo_path, label);
  }
}

void SourceList::add_title(const TitleInfo& title, int title_index, int set_number, const std::string& ifo_path,
                           const std::string& label) {
  auto item = std::make_unique<SourceItem>();
  item->name = title_row_name(set_number, title_index + 1);
  item->chapter_index = -1;
  item->image = kTitleImage;
  item->checked = 0;
  item->title_set_index = set_number - 1;
  TreeNode* node = tree_.insert_root(std::move(item));
  SourceItem& row = *node->item;

  auto details = std::make_unique<SourceDetails>();
  details->title_index = title_index;
  details->title_node = node;
  details->ifo_path = ifo_path;
  details->title_set_index = set_number - 1;
  details->audio_names = audio_choices(title);
  details->subtitle_names = subtitle_choices(title);
  details->label = label;
  details->duration_seconds = title.duration_seconds;

  row.cells.resize(3);
  row.cells[0] = range_text(0.0, title.duration_seconds);
  set_choice_cells(row, *details);
  row.start_seconds = 0.0;
  row.end_seconds = title.duration_seconds;

  // Strictly longer, so the first of equally long titles keeps the tick.
  if (title.duration_seconds > longest_title_seconds) {
    if (TreeNode* previous = tree_.node_at_row(longest_title_row)) {
      previous->item->checked = 0;
      tree_.update_row(previous, true);
    }
    tree_.select_node(node);
    row.checked = 1;
    longest_title_seconds = title.duration_seconds;
    longest_title_row = node->row;
    if (slider_)
      slider_->set_limits_and_thumbs(0.0, title.duration_seconds, 0.0, title.duration_seconds);
  }
  const SourceDetails title_details = *details;
  row.details = std::move(details);
  tree_.update_row(node, true);

  const int chapters = std::min<int>(title.chapter_count, static_cast<int>(title.chapters.size()));
  for (int c = 0; c < chapters; ++c) {
    const ChapterSpan& span = title.chapters[static_cast<size_t>(c)];
    if (!(span.end_seconds - span.start_seconds >= kShortestRow)) continue;
    auto chapter = std::make_unique<SourceItem>();
    chapter->start_seconds = span.start_seconds;
    chapter->end_seconds = span.end_seconds;
    chapter->title_set_index = set_number - 1;
    chapter->chapter_index = c;
    char name[32];
    std::snprintf(name, sizeof name, "Chapter %.2d", c + 1);
    chapter->name = name;
    chapter->image = kChapterImage;
    TreeNode* child = tree_.insert_child(node, std::move(chapter), false);
    SourceItem& chapter_row = *child->item;
    auto chapter_details = std::make_unique<SourceDetails>(title_details);
    chapter_details->duration_seconds = span.end_seconds;
    set_choice_cells(chapter_row, *chapter_details);
    chapter_row.cells[0] = range_text(span.start_seconds, span.end_seconds);
    chapter_row.details = std::move(chapter_details);
    tree_.update_row(child, true);
  }
}

#include "convert/conversion_queue.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>

#include "convert/conversion_settings.h"
#include "convert/progress.h"
#include "convert/queue_host.h"
#include "dvd/open_disc.h"
#include "dvd/source_list.h"
#include "platform/system_services.h"

namespace convert {

std::string output_file_name(const std::string& folder, const std::string& label, int title_set_index,
                             int title_index, int chapter_number) {
  char name[64];
  if (chapter_number > 0)
    std::snprintf(name, sizeof name, "_Title%.2d.%.2d_Chapter%.2d", title_set_index + 1, title_index + 1,
                  chapter_number);
  else
    std::snprintf(name, sizeof name, "_Title%.2d.%.2d", title_set_index + 1, title_index + 1);
  return folder + label + name + ".mp4";
}

std::string item_text(bool whole_title, int chapter_ordinal, int title_set_index, int title_index) {
  char text[64];
  if (whole_title)
    std::snprintf(text, sizeof text, "entire Title%.2d.%.2d", title_set_index + 1, title_index + 1);
  else
    std::snprintf(text, sizeof text, "Chapter%2d in Title%.2d.%.2d", chapter_ordinal + 1, title_set_index + 1,
                  title_index + 1);
  return text;
}

int EnsureFolder(const std::string& path) {
  std::string folder = path;
  if (!folder.empty() && folder.back() == '/') folder.pop_back();
  if (folder.empty()) return -1;
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) return -1;
  const size_t slash = folder.find_last_of('/');
  if (slash == std::string::npos) return -1;
  if (slash > 0) EnsureFolder(folder.substr(0, slash));
  return mkdir(folder.c_str(), 0777) == 0 ? 0 : -1;
}

int CheckFolder(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return (errno == ENOENT || errno == ENOTDIR) ? 0 : -1;
  return S_ISDIR(st.st_mode) ? 2 : 1;
}

ConversionQueue::ConversionQueue(SourceList& list, ConversionSettings& settings, JobRunner& runner,
                                 platform::SystemServices& services, QueueHost& host)
    : clock(process_clock_ms), list_(list), settings_(settings), runner_(runner), services_(services), host_(host) {}

QueueOutcome ConversionQueue::refuse(const std::string& text) {
  host_.ShowMessageBox(text, "Information", kMbInformation);
  return QueueOutcome::Refused;
}

// The disc in the drive must still be the one the rows were made from.
bool ConversionQueue::disc_unchanged() {
  const std::optional<std::string> volume = services_.volume_label(list_.disc_folder);
  if (!volume) {
    refuse(kNoDiscText);
    return false;
  }
  if (recorded_label(*volume) != list_.disc_label) {
    refuse(kChangedDiscText);
    return false;
  }
  return true;
}

bool ConversionQueue::any_ticked() const {
  const SourceTree& tree = list_.tree();
  for (TreePosition p = tree.first_root_position(); p;) {
    const TreeNode* title = SourceTree::next_root(p);
    if (title->item->checked) return true;
    for (TreePosition c = SourceTree::first_child_position(title); c;)
      if (SourceTree::next_child(c)->item->checked) return true;
  }
  return false;
}

QueueOutcome ConversionQueue::RunConversionQueue() {
  // The engine runs one file at a time; a second start from a restored window is refused, also
  // after a cancel while the stopped item is still draining (the converting flag is clear then).
  if (converting_ || queue_running_) return QueueOutcome::NotStarted;
  if (list_.tree().node_count() == 0) return QueueOutcome::NotStarted;
  if (!disc_unchanged()) return QueueOutcome::Refused;
  if (!host_.PreviewStopped()) host_.StopPreview();
  if (!any_ticked()) return QueueOutcome::NotStarted;

  // An empty folder (possible through the settings file) would become the root folder.
  if (settings_.output_folder.empty()) return refuse(" is invalid directory!");
  if (settings_.output_folder.back() != '/') settings_.output_folder += '/';
  const std::string folder = settings_.output_folder;
  EnsureFolder(folder);
  // A folder the user cannot write to would fail every item one after another.
  if (CheckFolder(folder) != 2 || access(folder.c_str(), W_OK | X_OK) != 0)
    return refuse(folder + " is invalid directory!");
  if (CheckFreeSpace(folder) == 0) return QueueOutcome::Refused;
  AssignOutputNames();

  results_.clear();
  queue_running_ = true;
  converting_ = 1;
  user_cancel_ = 0;
  const SourceTree& tree = list_.tree();
  for (TreePosition p = tree.first_root_position(); p && !user_cancel_;) {
    TreeNode* title = SourceTree::next_root(p);
    if (title->item->checked) ConvertItem(*title->item, true, 0);
    if (user_cancel_) break;
    int ordinal = 0;
    for (TreePosition c = SourceTree::first_child_position(title); c; ++ordinal) {
      TreeNode* chapter = SourceTree::next_child(c);
      if (chapter->item->checked) ConvertItem(*chapter->item, false, ordinal);
      if (user_cancel_) break;
    }
  }
  converting_ = 0;
  queue_running_ = false;

  if (user_cancel_) return QueueOutcome::Cancelled;
  if (settings_.shutdown_when_done) ShutDownComputer(services_);
  final_report();
  for (const ItemResult& r : results_)
    if (r.result != 2) return QueueOutcome::ItemsFailed;
  return QueueOutcome::Finished;
}

// "Finished" only when every file was written; otherwise the files that failed are named, so a
// failure is never reported as a success.
void ConversionQueue::final_report() {
  std::string failed;
  for (const ItemResult& r : results_)
    if (r.result != 2) failed += "\n" + r.output_path;
  if (failed.empty())
    host_.ShowMessageBox(kFinishedText, "Successful", kMbInformation);
  else
    host_.ShowMessageBox("These files could not be converted:" + failed, "Information", kMbInformation);
}

namespace {

// The position of `text` in `names`; without a match the index stays; an empty list gives 0.
void resolve_choice(const std::vector<std::string>& names, const std::string& text, int32_t& index) {
  if (names.empty()) {
    index = 0;
    return;
  }
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == text) {
      index = static_cast<int32_t>(i);
      return;
    }
}

void resolve_choices(SourceItem& item) {
  auto list_of = [&](int key) -> const std::vector<std::string>& {
    static const std::vector<std::string> none;
    auto it = item.popup_lists.find(key);
    return it == item.popup_lists.end() ? none : it->second;
  };
  auto cell = [&](size_t i) { return i < item.cells.size() ? item.cells[i] : std::string(); };
  resolve_choice(list_of(kAudioTrackKey), cell(1), item.details->audio_index);
  resolve_choice(list_of(kSubtitleKey), cell(2), item.details->subtitle_index);
}

}  // namespace

void ConversionQueue::AssignOutputNames() {
  SourceTree& tree = list_.tree();
  for (TreePosition p = tree.first_root_position(); p;) {
    TreeNode* title = SourceTree::next_root(p);
    if (SourceDetails* d = title->item->details.get()) {
      resolve_choices(*title->item);
      d->output_path = output_file_name(settings_.output_folder, d->label, d->title_set_index, d->title_index, 0);
    }
    tree.update_row(title, true);
    int chapter_number = 1;
    for (TreePosition c = SourceTree::first_child_position(title); c;) {
      TreeNode* chapter = SourceTree::next_child(c);
      if (SourceDetails* d = chapter->item->details.get()) {
        resolve_choices(*chapter->item);
        d->output_path = output_file_name(settings_.output_folder, d->label, d->title_set_index, d->title_index,
                                          chapter_number++);
      }
      tree.update_row(chapter, true);
    }
  }
}

int ConversionQueue::ConvertItem(SourceItem& item, bool whole_title, int chapter_ordinal) {
  if (!item.details) return 0;  // a row that names no part of a disc has nothing to convert
  const SourceDetails& details = *item.details;
  item_total_frames_ = static_cast<int64_t>((item.end_seconds - item.start_seconds) * settings_.frames_per_second);
  item_start_ms_ = clock();

  ItemJob job;
  job.start_seconds = item.start_seconds;
  job.end_seconds = item.end_seconds;
  job.source_path = list_.disc_folder;
  job.output_path = details.output_path;
  job.audio_index = details.audio_index;
  job.subtitle_index = details.subtitle_index;
  job.title_set_param = details.title_index;
  job.title_param = details.title_set_index;
  job.aspect_text = kAspects[settings_.aspect_index == 0 ? 0 : 1];
  job.width = settings_.width;
  job.height = settings_.height;
  job.volume_percent = settings_.volume_percent;
  job.video_kbps = settings_.video_kbps;
  job.audio_kbps = settings_.audio_kbps;
  job.frame_rate_index = settings_.frame_rate_index;
  job.channels = settings_.channels;

  host_.OpenProgress("Converting " + item_text(whole_title, chapter_ordinal, details.title_set_index,
                                               details.title_index) + " ...");
  const int result = runner_.Run(job, OnConversionProgress, this);
  host_.CloseProgress();
  results_.push_back({details.output_path, result});
  return result;
}

int ConversionQueue::EstimateNeededMB() {
  int64_t needed = 0;
  const double rate = static_cast<double>(settings_.channels) * settings_.audio_kbps + settings_.video_kbps;
  auto add = [&](const SourceItem& item) {
    if (item.checked) needed += static_cast<int64_t>(rate * (item.end_seconds - item.start_seconds) / 8192);
  };
  const SourceTree& tree = list_.tree();
  for (TreePosition p = tree.first_root_position(); p;) {
    const TreeNode* title = SourceTree::next_root(p);
    add(*title->item);
    for (TreePosition c = SourceTree::first_child_position(title); c;) add(*SourceTree::next_child(c)->item);
  }
  needed_mb_ = static_cast<int32_t>(std::min<int64_t>(needed, INT32_MAX));
  return needed_mb_;
}

int ConversionQueue::CheckFreeSpace(const std::string& folder) {
  EstimateNeededMB();
  const std::optional<uint64_t> free = services_.free_bytes(folder);
  if (!free) return -1;
  const auto free_mb = static_cast<int64_t>(std::min<uint64_t>(*free / 1024 / 1024, INT64_MAX));
  if (free_mb > needed_mb_) return 1;  // equal is not enough
  char text[128];
  std::snprintf(text, sizeof text, "Free space should be over %dMb.Please change the output folder.", needed_mb_);
  host_.ShowMessageBox(text, "Information", kMbInformation);
  return 0;
}

void ConversionQueue::RequestStop() {
  user_cancel_ = 1;
  converting_ = 0;
  runner_.Cancel();
}

void ConversionQueue::OnCancelButton() {
  if (host_.ShowMessageBox(kCancelQuestion, "Query", kMbQuestionYesNo) == kAnswerYes) RequestStop();
}

void ConversionQueue::OnProgress(const ProgressRecord& record) {
  const ProgressView view = compute_progress(record.frames, item_total_frames_, clock(), item_start_ms_);
  host_.UpdateProgress(view.position, view.status);
}

}  // namespace convert

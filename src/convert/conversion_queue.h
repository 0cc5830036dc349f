// The conversion queue behind "Start Converting": checks the disc, the output folder and the free
// space, names every row's output file, then converts each ticked title and chapter row in list
// order, one run of the conversion job each, and reports the end.
//
// User-interface thread only. RunConversionQueue stays on the stack for the whole queue; the
// stop steps (RequestStop) may be entered re-entrantly from the engine's message pump or progress
// hook while an item runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "iPod/engine.h"

namespace platform {
class SystemServices;
}
class SourceList;
struct SourceItem;
class QueueHost;

namespace convert {

struct ConversionSettings;

inline constexpr const char* kFinishedText = "     Conversion Finished !      ";
inline constexpr const char* kChangedDiscText =
    "You have changed the DVD movie disc, please reload it into the source list.";
inline constexpr const char* kCancelQuestion = "Are you sure to cancel ripping?";

// Everything one run of the conversion job is filled with.
struct ItemJob {
  double start_seconds = 0;
  double end_seconds = 0;
  std::string source_path;  // the disc folder
  std::string output_path;
  int32_t audio_index = 0;
  int32_t subtitle_index = 0;
  int32_t title_set_param = 0;  // the title's position in its set (the names cross on purpose)
  int32_t title_param = 0;      // the title set
  std::string aspect_text;      // "4:3" or "16:9"
  int32_t width = 320, height = 240;
  int32_t volume_percent = 100;
  int32_t video_kbps = 0, audio_kbps = 0;
  int32_t frame_rate_index = 0;
  int32_t channels = 2;
  int32_t force_param = 0, synth_param = 0;
};

// Fills the conversion job for one item and runs the engine; Cancel stops a run in progress
// (harmless outside one). Tests put a scripted runner here.
class JobRunner {
 public:
  virtual ~JobRunner() = default;
  // Returns engine_main's result: 2 when the file was written, 1 when stopped, 0 or 3 on failure.
  virtual int Run(const ItemJob& item, ProgressHook hook, void* context) = 0;
  virtual void Cancel() = 0;
};

// How the last RunConversionQueue ended.
enum class QueueOutcome {
  NotStarted,    // nothing loaded, nothing ticked, or a queue already running: no message
  Refused,       // a check failed and its message was shown; no file written
  Cancelled,     // the user stopped it; no final message
  Finished,      // every item written
  ItemsFailed,   // at least one item failed; the message named them
};

struct ItemResult {
  std::string output_path;
  int result = 0;  // engine_main's
};

// Output file names: folder + label + "_Title%.2d.%.2d" [+ "_Chapter%.2d"] + ".mp4"; set and
// title from 0, chapter_number from 1 (0 for the whole title).
std::string output_file_name(const std::string& folder, const std::string& label, int title_set_index,
                             int title_index, int chapter_number);
// "entire Title%.2d.%.2d", or "Chapter%2d in Title%.2d.%.2d" of the chapter ordinal + 1.
std::string item_text(bool whole_title, int chapter_ordinal, int title_set_index, int title_index);

// Creates the folder and its missing parents, outermost first. 0 when it made the last folder,
// -1 otherwise (it existed, or could not be made).
int EnsureFolder(const std::string& path);
// 2 an existing folder, 1 an existing file (or anything not a folder), 0 nothing there, -1 when
// the path cannot be examined (too long, no permission on a parent).
int CheckFolder(const std::string& path);

class ConversionQueue {
 public:
  ConversionQueue(SourceList& list, ConversionSettings& settings, JobRunner& runner,
                  platform::SystemServices& services, QueueHost& host);

  QueueOutcome RunConversionQueue();
  void AssignOutputNames();
  // Runs one row; returns the job's result (also kept in results()).
  int ConvertItem(SourceItem& item, bool whole_title, int chapter_ordinal);
  int EstimateNeededMB();
  // 1 enough space, 0 not enough (the user has been told), -1 free space unknown.
  int CheckFreeSpace(const std::string& folder);

  // The stop steps: user-cancel flag set, converting flag cleared, the running job cancelled.
  void RequestStop();
  // The progress window's cancel button: asks first, stops on "Yes".
  void OnCancelButton();
  // One report of the running item, shown in the progress window.
  void OnProgress(const ProgressRecord& record);

  bool converting() const { return converting_ != 0; }
  bool user_cancelled() const { return user_cancel_ != 0; }
  int needed_mb() const { return needed_mb_; }
  int64_t item_total_frames() const { return item_total_frames_; }
  int64_t item_start_ms() const { return item_start_ms_; }
  // Each item's output path and result, in the order run, for the last queue.
  const std::vector<ItemResult>& results() const { return results_; }

  // The process clock in milliseconds; tests replace it.
  std::function<int64_t()> clock;

 private:
  bool disc_unchanged();
  bool any_ticked() const;
  QueueOutcome refuse(const std::string& text);
  void final_report();

  SourceList& list_;
  ConversionSettings& settings_;
  JobRunner& runner_;
  platform::SystemServices& services_;
  QueueHost& host_;

  int32_t converting_ = 0;
  bool queue_running_ = false;  // from the first item to the end, whatever a stop does
  int32_t user_cancel_ = 0;
  int32_t needed_mb_ = 0;
  int64_t item_total_frames_ = 0;
  int64_t item_start_ms_ = 0;
  std::vector<ItemResult> results_;
};

}  // namespace convert

#include <cstdio>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_session.h"
#include "cli/interrupt.h"
#include "cli/terminal_host.h"
#include "convert/conversion_job.h"
#include "convert/conversion_queue.h"
#include "convert/conversion_queue_job.h"
#include "convert/conversion_settings.h"
#include "frameserver/frame_server.h"
#include "iPod/engine.h"
#include "platform/system_services.h"

namespace cli {
namespace {

constexpr const char* kConvertUsage =
    "usage: dorvane-cli convert <folder> [--title S.T]... [--chapter S.T.C]... [--range S.T:from-to]...\n"
    "       [--audio NAME|N] [--subtitle NAME|N] [--profile 0-5] [--size 0-7|WxH] [--fps 0-4]\n"
    "       [--video-kbps V] [--audio-kbps A] [--aspect 4:3|16:9] [--output-folder DIR] [--shutdown]\n"
    "       [--save-settings] [--yes]\n"
    "Rows are numbered as 'dorvane-cli titles' shows them; without any, the longest title is converted.\n";

struct UsageError {
  std::string message;
};

convert::ConversionQueue* running_queue = nullptr;

// After every packet of the engine: a Ctrl-C seen here takes the cancel path on this thread.
void pump() {
  if (running_queue && running_queue->converting() && interrupted()) running_queue->RequestStop();
}

int ranged(const std::string& option, const std::string& text, int low, int high) {
  const auto n = parse_int(text);
  if (!n || *n < low || *n > high)
    throw UsageError{option + " takes " + std::to_string(low) + " to " + std::to_string(high) + ", not '" + text + "'"};
  return *n;
}

void apply_settings_options(const CommandLine& line, convert::ConversionSettings& settings) {
  if (auto v = line.last("--profile")) convert::OnProfileSelected(settings, ranged("--profile", *v, 0, 5));
  if (auto v = line.last("--size")) {
    const size_t x = v->find_first_of("xX");
    if (x == std::string::npos) {
      convert::OnFrameSizeSelected(settings, ranged("--size", *v, 0, 7));
    } else {
      settings.width = ranged("--size", v->substr(0, x), 16, 4096);
      settings.height = ranged("--size", v->substr(x + 1), 16, 4096);
    }
  }
  if (auto v = line.last("--fps")) convert::OnFrameRateSelected(settings, ranged("--fps", *v, 0, 4));
  if (auto v = line.last("--video-kbps")) {
    settings.video_kbps = ranged("--video-kbps", *v, 1, 100000);
    for (size_t row = 0; row < convert::kVideoBitrates.size(); ++row)
      if (convert::kVideoBitrates[row].kbps == settings.video_kbps) settings.video_bitrate_index = static_cast<int>(row);
  }
  if (auto v = line.last("--audio-kbps")) {
    settings.audio_kbps = ranged("--audio-kbps", *v, 1, 128);
    for (size_t row = 0; row < convert::kAudioBitrates.size(); ++row)
      if (convert::kAudioBitrates[row].kbps == settings.audio_kbps) settings.audio_bitrate_index = static_cast<int>(row);
  }
  if (auto v = line.last("--aspect")) {
    if (*v != "4:3" && *v != "16:9") throw UsageError{"--aspect takes 4:3 or 16:9"};
    convert::OnAspectSelected(settings, *v == "4:3" ? 0 : 1);
  }
  if (auto v = line.last("--output-folder")) {
    if (v->empty()) throw UsageError{"--output-folder needs a folder"};
    settings.output_folder = absolute_folder(*v);
    if (settings.output_folder.back() != '/') settings.output_folder += '/';
  }
  if (line.has("--shutdown")) convert::OnShutdownChecked(settings, true);
}

std::string format_seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", seconds);
  return text;
}

TreeNode* title_row(const SourceList& list, const std::string& text) {
  const auto numbers = parse_dotted(text, 2);
  if (!numbers) throw UsageError{"a title is named S.T, not '" + text + "'"};
  TreeNode* node = find_title(list, (*numbers)[0], (*numbers)[1]);
  if (!node) throw UsageError{"the disc has no " + title_row_name((*numbers)[0], (*numbers)[1])};
  return node;
}

// Ticks the rows the command line names, or leaves the longest title ticked when it names none.
void tick_named_rows(const CommandLine& line, SourceList& list) {
  if (!line.has("--title") && !line.has("--chapter") && !line.has("--range")) return;
  for (TreePosition p = list.tree().first_root_position(); p;) {
    TreeNode* title = SourceTree::next_root(p);
    title->item->checked = 0;
    for (TreePosition c = SourceTree::first_child_position(title); c;) SourceTree::next_child(c)->item->checked = 0;
  }
  for (const std::string& text : line.all("--title")) title_row(list, text)->item->checked = 1;
  for (const std::string& text : line.all("--chapter")) {
    const size_t last_dot = text.find_last_of('.');
    const auto chapter = last_dot == std::string::npos ? std::nullopt : parse_int(text.substr(last_dot + 1));
    if (!chapter || *chapter < 1) throw UsageError{"a chapter is named S.T.C, not '" + text + "'"};
    TreeNode* node = find_chapter(title_row(list, text.substr(0, last_dot)), *chapter);
    if (!node) throw UsageError{"no chapter row " + text + " (chapters under one second have none)"};
    node->item->checked = 1;
  }
  for (const std::string& text : line.all("--range")) {
    const size_t colon = text.find(':');
    const size_t dash = text.find('-', colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || dash == std::string::npos)
      throw UsageError{"a range is named S.T:from-to, not '" + text + "'"};
    SourceItem& row = *title_row(list, text.substr(0, colon))->item;
    const auto from = parse_seconds(text.substr(colon + 1, dash - colon - 1));
    const auto to = parse_seconds(text.substr(dash + 1));
    if (!from || !to || *from < 0 || *to <= *from || *to > row.details->duration_seconds)
      throw UsageError{"the range of '" + text + "' must lie within the title's 0 to " +
                       format_seconds(row.details->duration_seconds) + " s"};
    row.start_seconds = *from;
    row.end_seconds = *to;
    row.cells[0] = range_text(*from, *to);
    row.checked = 1;
  }
}

// The chooser's text for a position or a name; `first` is the number of the list's first entry.
std::string choice(const std::vector<std::string>& names, const std::string& wanted, int first, const SourceItem& row,
                   const char* what) {
  if (const auto n = parse_int(wanted)) {
    if (*n >= first && *n - first < static_cast<int>(names.size())) return names[static_cast<size_t>(*n - first)];
  } else {
    for (const std::string& name : names)
      if (name == wanted) return name;
  }
  throw UsageError{row.name + " has no " + what + " '" + wanted + "'"};
}

void choose_streams(const CommandLine& line, SourceList& list) {
  const auto audio = line.last("--audio");
  const auto subtitle = line.last("--subtitle");
  auto apply = [&](SourceItem& row) {
    if (!row.checked) return;
    if (audio) row.cells[1] = choice(row.popup_lists[kAudioTrackKey], *audio, 1, row, "audio track");
    if (subtitle) row.cells[2] = choice(row.popup_lists[kSubtitleKey], *subtitle, 0, row, "subtitle");
  };
  for (TreePosition p = list.tree().first_root_position(); p;) {
    TreeNode* title = SourceTree::next_root(p);
    apply(*title->item);
    for (TreePosition c = SourceTree::first_child_position(title); c;) apply(*SourceTree::next_child(c)->item);
  }
}

}  // namespace

// Converts ticked rows of a disc with the saved settings, as the Start Converting button does.
int convert_command(const std::vector<std::string>& words) {
  std::string error;
  const auto line = parse_command_line(
      words,
      {"--title", "--chapter", "--range", "--audio", "--subtitle", "--profile", "--size", "--fps", "--video-kbps",
       "--audio-kbps", "--aspect", "--output-folder"},
      {"--shutdown", "--save-settings", "--yes"}, &error);
  if (!line || line->positional.size() != 1) {
    std::fprintf(stderr, "dorvane-cli convert: %s\n%s", line ? "one disc folder is needed" : error.c_str(),
                 kConvertUsage);
    return kExitUsage;
  }

  platform::SystemServices& services = platform::linux_services();
  convert::ConversionSettings settings;
  convert::LoadSettings(settings);
  TerminalHost host(line->has("--yes"));
  SourceList list(services);
  try {
    apply_settings_options(*line, settings);
    if (!load_disc(list, line->positional[0], host, services)) return kExitFailed;
    tick_named_rows(*line, list);
    choose_streams(*line, list);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "dorvane-cli convert: %s\n", e.message.c_str());
    return kExitUsage;
  }

  convert::CConversionJob job;
  convert::ConversionJobRunner runner(job);
  convert::ConversionQueue queue(list, settings, runner, services, host);
  frameserver::install_frame_server();
  install_interrupt_handler();
  running_queue = &queue;
  engine_set_message_pump(pump);
  const convert::QueueOutcome outcome = queue.RunConversionQueue();
  engine_set_message_pump(nullptr);
  engine_set_progress_hook(nullptr, nullptr);
  running_queue = nullptr;

  if (line->has("--save-settings") && !convert::SaveSettings(settings))
    std::fprintf(stderr, "dorvane-cli convert: the settings could not be saved to %s\n",
                 convert::SettingsFilePath().c_str());
  switch (outcome) {
    case convert::QueueOutcome::Finished:
      for (const auto& item : queue.results()) std::printf("wrote %s\n", item.output_path.c_str());
      return kExitOk;
    case convert::QueueOutcome::Cancelled:
      std::printf("Cancelled; later items were not started.\n");
      return kExitCancelled;
    case convert::QueueOutcome::NotStarted:
      std::printf("Nothing to convert.\n");
      return kExitFailed;
    case convert::QueueOutcome::Refused:
    case convert::QueueOutcome::ItemsFailed:
      return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace cli

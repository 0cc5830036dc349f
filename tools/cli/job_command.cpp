#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_session.h"
#include "cli/interrupt.h"
#include "cli/terminal_host.h"
#include "convert/conversion_job.h"
#include "dvd/disc.h"
#include "frameserver/frame_server.h"
#include "frameserver/server_parameters.h"
#include "iPod/engine.h"
#include "platform/system_services.h"

namespace cli {
namespace {

constexpr const char* kJobUsage =
    "usage: dorvane-cli job <folder> --set S --title T [--audio A] [--subtitle N] [--start s] [--end e]\n"
    "       [--size WxH] [--fps-index I] [--video-kbps V] [--audio-kbps A] [--aspect 4:3|16:9] -o out.mp4\n";

convert::CConversionJob* running_job = nullptr;

void print_report(ProgressRecord* record, void*) {
  std::printf(isatty(STDOUT_FILENO) ? "\r%s\033[K" : "%s\n", record->line);
  std::fflush(stdout);
}

void pump() {
  if (running_job && interrupted()) {
    running_job->Cancel();
    running_job = nullptr;
  }
}

// Without --fps-index and --aspect the job follows the title: its own frame rate, so no picture
// is dropped or repeated, and its display aspect, so the letterboxed or pillarboxed square-pixel
// picture is declared with square samples and keeps its shape.
void take_title_defaults(convert::CConversionJob& job, const std::string& folder, int set) {
  std::string error;
  const auto disc = dvd::Disc::open(folder, &error);
  if (!disc || set < 1 || set > disc->title_set_count()) return;
  const dvd::TitleSet& title_set = disc->title_set(set - 1);
  for (int i = 0; i < 5; ++i)
    if (av_cmp_q(frameserver::declared_frame_rate(i, {0, 1}), title_set.frame_rate) == 0) job.frame_rate_index = i;
  job.aspect_text = av_cmp_q(title_set.display_aspect, AVRational{16, 9}) == 0 ? "16:9" : "4:3";
}

int fail(const std::string& message) {
  std::fprintf(stderr, "dorvane-cli job: %s\n", message.c_str());
  return kExitUsage;
}

}  // namespace

// One conversion job filled from the command line and run as the queue would run it.
int job_command(const std::vector<std::string>& words) {
  std::string error;
  const auto line = parse_command_line(words,
                                       {"--set", "--title", "--audio", "--subtitle", "--start", "--end", "--size",
                                        "--fps-index", "--video-kbps", "--audio-kbps", "--aspect", "-o"},
                                       {}, &error);
  if (!line) return fail(error + "\n" + kJobUsage);
  if (line->positional.size() != 1 || !line->has("--set") || !line->has("--title") || !line->has("-o"))
    return fail(std::string("a folder, --set, --title and -o are needed\n") + kJobUsage);

  const std::optional<int> set = parse_int(*line->last("--set"));
  const std::optional<int> title = parse_int(*line->last("--title"));
  if (!set || !title || *set < 1 || *title < 1) return fail("--set and --title are numbers from 1");

  platform::SystemServices& services = platform::linux_services();
  TerminalHost host(false);
  SourceList list(services);
  if (!load_disc(list, line->positional[0], host, services)) return kExitFailed;
  const TreeNode* node = find_title(list, *set, *title);
  if (!node) return fail("the disc has no " + title_row_name(*set, *title) + " (see dorvane-cli titles)");
  const SourceItem& row = *node->item;

  convert::CConversionJob job;
  job.SetSourcePath(list.disc_folder.c_str());
  job.title_set_param = *title - 1;
  job.title_param = *set - 1;
  job.frame_rate_index = 2;
  job.aspect_text = "4:3";
  take_title_defaults(job, list.disc_folder, *set);
  job.start_seconds = row.start_seconds;
  job.end_seconds = row.end_seconds;

  if (auto a = line->last("--audio")) {
    const auto n = parse_int(*a);
    const auto count = static_cast<int>(row.details->audio_names.size());
    if (!n || *n < 1 || *n > count) return fail("--audio takes 1 to " + std::to_string(count) + " for this title");
    job.audio_index = *n - 1;
  }
  if (auto s = line->last("--subtitle")) {
    const auto n = parse_int(*s);
    const int count = std::max(0, static_cast<int>(row.details->subtitle_names.size()) - 1);
    if (!n || *n < 0 || *n > count) return fail("--subtitle takes 0 (none) to " + std::to_string(count) + " for this title");
    job.subtitle_index = *n;
  }
  if (auto s = line->last("--start")) {
    const auto v = parse_seconds(*s);
    if (!v || *v < 0 || *v >= row.end_seconds) return fail("--start must lie within the title");
    job.start_seconds = *v;
  }
  if (auto e = line->last("--end")) {
    const auto v = parse_seconds(*e);
    if (!v || *v <= job.start_seconds || *v > row.end_seconds) return fail("--end must lie after --start within the title");
    job.end_seconds = *v;
  }
  if (auto s = line->last("--size")) {
    const size_t x = s->find_first_of("xX");
    const auto w = x == std::string::npos ? std::nullopt : parse_int(s->substr(0, x));
    const auto h = x == std::string::npos ? std::nullopt : parse_int(s->substr(x + 1));
    if (!w || !h || *w <= 0 || *h <= 0) return fail("--size takes WIDTHxHEIGHT");
    job.SetFrameSize(*w, *h);
  }
  if (auto f = line->last("--fps-index")) {
    const auto n = parse_int(*f);
    if (!n || *n < 0 || *n > 4) return fail("--fps-index takes 0 to 4");
    job.frame_rate_index = *n;
  }
  for (auto [option, field] : {std::pair{"--video-kbps", &job.video_kbps}, std::pair{"--audio-kbps", &job.audio_kbps}}) {
    if (auto v = line->last(option)) {
      const auto n = parse_int(*v);
      if (!n || *n <= 0) return fail(std::string(option) + " takes a positive number");
      *field = *n;
    }
  }
  if (auto a = line->last("--aspect")) {
    if (*a != "4:3" && *a != "16:9") return fail("--aspect takes 4:3 or 16:9");
    job.aspect_text = *a;
  }
  job.SetOutputPath(line->last("-o")->c_str());

  frameserver::install_frame_server();
  install_interrupt_handler();
  running_job = &job;
  engine_set_message_pump(pump);
  job.SetProgressHook(print_report, nullptr);
  const int result = job.Run();
  running_job = nullptr;
  engine_set_message_pump(nullptr);
  engine_set_progress_hook(nullptr, nullptr);
  std::printf("\n");
  if (result == 2) return kExitOk;
  std::fprintf(stderr, "dorvane-cli job: the conversion did not complete (engine result %d)\n", result);
  return interrupted() ? kExitCancelled : kExitFailed;
}

}  // namespace cli

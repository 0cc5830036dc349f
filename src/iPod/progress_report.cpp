// print_report: fills the host's ProgressRecord and calls its hook, at most every 500 ms.
#include <cstdio>
#include <cstring>

#include "iPod/engine_settings.h"
#include "iPod/host_hooks.h"
#include "iPod/progress_line.h"
#include "iPod/transcode.h"

void print_report(Transcode& t, bool is_final) {
  HostHooks& hooks = host_hooks();
  if (!is_final && !report_due(hooks.last_report_micros, engine_clock_micros())) return;
  const EngineRun& run = engine_run();
  AVIOContext* pb = run.outputs.empty() ? nullptr : run.outputs[0]->ctx()->pb;
  // After the trailer the byte stream is closed; the file's size is then what was written.
  const int64_t bytes = pb ? avio_tell(pb) : t.final_bytes;

  std::vector<ReportStream> streams;
  streams.reserve(t.ost.size());
  int64_t first_video_frames = 0;
  bool seen_video = false;
  for (const OutputStreamState& ost : t.ost) {
    ReportStream r;
    r.video = ost.type == AVMEDIA_TYPE_VIDEO;
    r.frames = ost.frame_number;
    r.quality = ost.last_quality / FF_QP2LAMBDA;
    r.seconds = output_seconds(ost);
    if (r.video && !seen_video) {
      seen_video = true;
      first_video_frames = ost.frame_number;
      if (ost.enc && (ost.enc->flags & AV_CODEC_FLAG_PSNR)) {
        r.psnr = true;
        const double scale = static_cast<double>(ost.enc->width) * ost.enc->height * 65025.0;
        for (int p = 0; p < 3; ++p)
          r.psnr_error[p] = static_cast<double>(is_final ? ost.psnr_total[p] : ost.psnr_error[p]);
        r.psnr_scale = is_final ? scale * static_cast<double>(ost.frame_number) : scale;
      }
    }
    streams.push_back(r);
  }
  const ReportLine line = build_report_line(streams, bytes, is_final, g_settings.verbose, t.nb_frames_dup, t.nb_frames_drop);
  if (line.call_hook) {
    static ProgressRecord record;
    std::snprintf(record.line, sizeof record.line, "%s", line.text.c_str());
    record.frames = first_video_frames;
    record.time = line.time;
    record.size = bytes / 1024;
    if (hooks.hook) hooks.hook(&record, hooks.hook_context);
  }
  std::fflush(stderr);
  if (is_final && g_settings.verbose >= 0) {
    const double sum = static_cast<double>(t.video_size + t.audio_size + t.extra_size);
    std::fprintf(stderr, "\nvideo:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\n",
                 static_cast<double>(t.video_size) / 1024.0, static_cast<double>(t.audio_size) / 1024.0,
                 static_cast<double>(t.extra_size) / 1024.0, sum > 0 ? 100.0 * (static_cast<double>(bytes) - sum) / sum : 0.0);
  }
}
